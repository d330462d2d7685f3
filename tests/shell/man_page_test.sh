#!/usr/bin/env bash
# The manual page: groff formats it without a single warning (all warnings on), man
# renders it without a message, and it documents every option of the option table.
# Usage: man_page_test.sh <zeltocov.1> <src/cli/option_table.cpp>
set -uo pipefail
page=$1
table=$2
failures=0
checks=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

checks=$((checks + 1))
if ! warnings=$(groff -ww -z -man "$page" 2>&1) || [[ -n $warnings ]]; then
    fail "groff -ww -z -man $page:"
    echo "$warnings"
fi

checks=$((checks + 1))
rendered=$(MANWIDTH=80 man --warnings=w -l "$page" 2>"${TMPDIR:-/tmp}/zeltocov-man.$$")
messages=$(cat "${TMPDIR:-/tmp}/zeltocov-man.$$")
rm -f "${TMPDIR:-/tmp}/zeltocov-man.$$"
if [[ -n $messages ]]; then
    fail "man -l $page:"
    echo "$messages"
fi
for section in NAME SYNOPSIS DESCRIPTION OPTIONS ENVIRONMENT "EXIT STATUS" EXAMPLES; do
    checks=$((checks + 1))
    grep -q "^$section\$" <<<"$rendered" || fail "no section $section in the rendered page"
done

mapfile -t names < <(grep -oE '(valueOption|flagOption)\("[A-Z]+"' "$table" |
    sed -E 's/.*\("([A-Z]+)"/\1/')
mapfile -t negatable < <(grep -oE 'flagOption\("[A-Z]+", true' "$table" |
    sed -E 's/.*\("([A-Z]+)".*/\1/')
((${#names[@]} >= 20)) || fail "only ${#names[@]} option names read from $table"
for name in "${names[@]}" "${negatable[@]/#/NO}" VERSION OPTION; do
    checks=$((checks + 1))
    # An option is documented where it heads an entry of the option list.
    grep -qE "^\.(B|BR|BI|TP)[[:space:]]+\\\\-$name([^A-Z]|\$)" "$page" ||
        fail "option -$name is not documented in $page"
done

echo "$((checks - failures)) passed, $failures failed"
((failures == 0))
