#!/usr/bin/env bash
# The bash completion of zeltocov, sourced alone into this shell: option names (every
# option of the option table, in the letter case typed), keyword values, file and
# directory names, with bash's usual word breaks and without "=" among them.
# Usage: completion_test.sh <completion file> <src/cli/option_table.cpp>
set -uo pipefail
completion=$1
table=$2

# shellcheck source=/dev/null
source "$completion" || exit 1

failures=0
checks=0

# Completes the command line "zeltocov <text>" with the cursor at its end.
complete_line() {
    COMP_LINE="zeltocov $1"
    COMP_POINT=${#COMP_LINE}
    local words
    read -ra words <<<"$COMP_LINE"
    COMP_CWORD=$((${#words[@]} - 1))
    [[ $COMP_LINE == *" " ]] && COMP_CWORD=$((COMP_CWORD + 1))
    COMP_WORDS=("${words[@]}")
    COMPREPLY=()
    _zeltocov
}

# expect <text> <expected reply...>: the replies, in any order, are exactly these.
expect() {
    local text=$1
    shift
    complete_line "$text"
    local actual expected
    actual=$(printf '%s\n' "${COMPREPLY[@]}" | sort)
    expected=$(printf '%s\n' "$@" | sort)
    [[ ${#COMPREPLY[@]} -eq 0 ]] && actual=''
    [[ $# -eq 0 ]] && expected=''
    checks=$((checks + 1))
    if [[ "$actual" != "$expected" ]]; then
        failures=$((failures + 1))
        echo "FAIL: zeltocov $text<TAB> (word breaks ${COMP_WORDBREAKS@Q})"
        echo "  expected: $(echo $expected)"
        echo "  actual:   $(echo $actual)"
    fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch a.fdc b.tio calc.c
mkdir -p "my dir" listings

COMP_WORDBREAKS=$' \t\n"\'><=;|&(:'

# Every option of the table (and the negated form of the negatable ones) is offered.
mapfile -t names < <(grep -oE '(valueOption|flagOption)\("[A-Z]+"' "$table" |
    sed -E 's/.*\("([A-Z]+)"/\1/')
mapfile -t negatable < <(grep -oE 'flagOption\("[A-Z]+", true' "$table" |
    sed -E 's/.*\("([A-Z]+)".*/\1/')
if ((${#names[@]} < 20)); then
    echo "FAIL: only ${#names[@]} option names read from $table"
    failures=$((failures + 1))
fi
complete_line "-"
offered=" ${COMPREPLY[*]} "
for name in "${names[@]}" "${negatable[@]/#/NO}"; do
    checks=$((checks + 1))
    if [[ $offered != *" -$name "* && $offered != *" -$name= "* ]]; then
        echo "FAIL: -$name is not offered after '-'"
        failures=$((failures + 1))
    fi
done

# Option names: abbreviations, letter case, negated forms.
expect "a.fdc -SU" -SUMMARY=
expect "a.fdc -sum" -summary=
expect "-BL" -BLOCK -BLOCK=
expect "-NOC" -NOCALL -NOCOND
expect "-EX" -EXFILE= -EXSERVICE= -EXTEST=
expect "a.fdc -Q"
expect "-V" -VERSION
expect "a.fdc -V"

# Keyword values: bash completes the text after "=".
expect "a.fdc -SUMMARY=" SERVICE FILE CONCLUSION
expect "-SUMMARY=co" conclusion
expect "-summ=F" FILE
expect "-BLOCK=" IMPLICIT DECISION LOGICAL ATC
expect "-cond=m" modified
expect "-BRANCH=NO" NOCOV
expect "-PROC=" RET
expect "-SUMMARY=X"
expect "-FAILUNDER=BL" BLOCK:
expect "-failu=co" cond: compound:
expect "-FAILUNDER=BLOCK:80,M" 80,MODIFIED:
expect "-FAILUNDER=BLOCK:8"
expect "-FAILUNDER=BLOCK:80,ch" 80,changed:
expect "-ST" -STRICT

# File names: input files, argument files, file options, lists, directories.
expect "a" a.fdc
expect "a.fdc " a.fdc b.tio calc.c "my dir/" listings/
expect "@b" @b.tio
expect "-OUTPUT=b" b.tio
expect "-XML=" a.fdc b.tio calc.c "my dir/" listings/
expect "-OPTION=a" a.fdc
expect "-FILE=a.fdc,c" a.fdc,calc.c
expect "-LISTING=" "my dir/" listings/
expect "-SO" -SOURCEMAP=
expect "-SOURCEMAP=/home/dev"
expect "-sourcemap=/home/dev,l" /home/dev,listings/
expect "-F=a"
expect "-CH" -CHANGES=
expect "-af" -affected=
expect "-CHANGES=b" b.tio
expect "-AFFECTED=c" calc.c

# Without "=" among the word breaks the whole word is replaced.
COMP_WORDBREAKS=$' \t\n'
expect "-SUMMARY=CO" -SUMMARY=CONCLUSION
expect "-CIO=a" -CIO=a.fdc

echo "$((checks - failures)) passed, $failures failed"
((failures == 0))
