#!/usr/bin/env bash
# The lines of the Cobertura XML against the lines that really ran. The bundled
# example's program is built with gcc --coverage and run as the three tests of
# calc.tio ran; then every line that both gcov and the XML (of calc.fdc and
# calc.tio) list must be run in both or not run in both, for the run's own types
# and for a few type options; the lines named below must be among them.
# Usage: gcov_lines_test.sh <zeltocov binary> <source directory>
set -uo pipefail
binary=$1
root=$2
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for tool in gcc gcov; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAIL: $tool is not installed"
        exit 1
    fi
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/velmora/lib/locale"
cp "$root/examples/calc/calc.c" "$root/examples/calc/calc.fdc" "$root/examples/calc/calc.tio" "$tmp/"
cd "$tmp" || exit 1

# The program as its three tests ran it (their commands are in examples/calc/README.md).
if ! gcc --coverage -O0 -o calc calc.c 2>gcc.log; then
    fail "gcc --coverage cannot build calc.c: $(cat gcc.log)"
    exit 1
fi
./calc 12 + 30 7 - 2 9 / 0 >/dev/null 2>&1
./calc 8 / >/dev/null 2>&1
./calc 1234 x 56 100 / 7 4a + 1 3 % 2 >/dev/null 2>&1
if ! gcov calc.c >gcov.log 2>&1 || [[ ! -f calc.c.gcov ]]; then
    fail "gcov gives no calc.c.gcov: $(cat gcov.log)"
    exit 1
fi
# "count:line:" for each line gcov lists: a count, or ##### (=====) for a line
# that never ran.
awk -F: '{ gsub(/ /, "", $1); gsub(/ /, "", $2) }
    $2 > 0 && $1 != "-" { print $2, ($1 ~ /^[#=]+$/ ? 0 : 1) }' calc.c.gcov >gcov.lines
if [[ ! -s gcov.lines ]]; then
    fail "gcov lists no line of calc.c"
    exit 1
fi

# The class's own lines (after its methods) as "number run".
xml_lines() {
    awk '/<\/methods>/ { inside = 1; next }
        inside && /<\/lines>/ { inside = 0 }
        inside && /<line / {
            match($0, /number="[0-9]+"/); number = substr($0, RSTART + 8, RLENGTH - 9)
            match($0, /hits="[0-9]+"/); hits = substr($0, RSTART + 6, RLENGTH - 7)
            print number, (hits > 0 ? 1 : 0)
        }' "$1"
}

# check_types <name> <fewest lines compared> [options...]
check_types() {
    local name=$1 fewest=$2
    shift 2
    rm -f coverage.xml
    if ! env -u ZELTOCOV_LAN VELMORADIR="$tmp/velmora" "$binary" calc.fdc calc.tio -OUTPUT=rep.txt \
        -XML=coverage.xml "$@" >run.log 2>&1; then
        fail "$name: the run failed: $(cat run.log)"
        return
    fi
    xml_lines coverage.xml >xml.lines
    # "number gcov-run xml-run" for each line both list.
    awk 'NR == FNR { gcov[$1] = $2; next } $1 in gcov { print $1, gcov[$1], $2 }' \
        gcov.lines xml.lines >both.lines
    local compared
    compared=$(wc -l <both.lines)
    # Every line both list: run in both or in neither.
    while read -r line gcovRun xmlRun; do
        if [[ "$gcovRun" != "$xmlRun" ]]; then
            fail "$name: line $line: gcov says $([[ $gcovRun == 1 ]] && echo run || echo 'not run'), the XML $([[ $xmlRun == 1 ]] && echo run || echo 'not run')"
        fi
    done <both.lines
    for line in $must; do
        grep -q "^$line " both.lines || fail "$name: line $line is not listed by both"
    done
    echo "$name: $compared lines compared"
    if ((compared < fewest)); then
        fail "$name: only $compared lines listed by both"
    fi
}

# Lines that must be compared: 10 never runs (the implicit block placed there,
# the path past the if of line 9, was hit); the others mix conditions, calls,
# blocks and exits.
must="9 10 12 13 24 25 41 62 66"
check_types "the run's types" 30
must="10 13 25 41 62 66"
check_types "-PROC=RET -CALL -BLOCK=LOGICAL" 25 -PROC=RET -CALL -BLOCK=LOGICAL
must="9 12 23 61"
check_types "-COND=COMPOUND" 10 -COND=COMPOUND

if ((failures > 0)); then
    echo "$failures failure(s)"
    exit 1
fi
echo "gcov and the XML agree on every line both list"
