#!/usr/bin/env bash
# The changed lines of a real `git diff`: the bundled example's source in a
# temporary git repository, three of its lines changed and a file with a name
# that git quotes added; the diff in git's default form, without prefixes and
# without context, and with a wide context must all give the same tests, the
# same uncovered lines and the same gate.
# Exits 77 (skipped) without git.
# Usage: changed_lines_git_test.sh <zeltocov binary> <source directory>
set -uo pipefail
binary=$1
root=$2
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! command -v git >/dev/null; then
    echo "SKIP: git is not installed"
    exit 77
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/velmora/lib/locale" "$tmp/repo/src" "$tmp/data"
run_env=(env -u ZELTOCOV_LAN -u ZELTO_TPM_ROOT -u ZELTO_TPM_USER VELMORADIR="$tmp/velmora"
    SOURCE_DATE_EPOCH=1700000000 TZ=UTC LANG=C)
gitc=(git -c user.name=test -c user.email=test@example.invalid -c init.defaultBranch=main
    -c core.quotePath=true)

cp "$root/examples/calc/calc.fdc" "$root/examples/calc/calc.tio" "$tmp/data/"
cp "$root/examples/calc/calc.c" "$tmp/repo/src/"
cd "$tmp/repo" || exit 1
"${gitc[@]}" init -q . && "${gitc[@]}" add src/calc.c && "${gitc[@]}" commit -q -m calc ||
    { fail "git repository"; exit 1; }

# Line 10 (return 0 of parse_number: no test runs it), line 29 (no item sits on
# it: the block of case '+' is placed on line 28), line 54 (the printf of
# print_result: "add and subtract" and "multiply, divide and bad input").
sed -i -e '10s/return 0;/return -1;/' -e '29s/a + b/b + a/' \
    -e '54s/expression %d: %d/expression %d = %d/' src/calc.c
printf 'int twice(int x) { return 2 * x; }\n' >"src/na$(printf '\303\257')ve file.c"
"${gitc[@]}" add -A

expected_affected='add and subtract
multiply, divide and bad input
# not covered by any test
src/calc.c:10'

for form in default no-prefix wide; do
    case $form in
    default) "${gitc[@]}" diff --cached >"$tmp/$form.diff" ;;
    no-prefix) "${gitc[@]}" diff --cached --no-prefix -U0 >"$tmp/$form.diff" ;;
    wide) "${gitc[@]}" diff --cached -U25 >"$tmp/$form.diff" ;;
    esac
    grep -q '^+++ "b/src/na\\303\\257ve file.c"\|^+++ "src/na\\303\\257ve file.c"' "$tmp/$form.diff" ||
        fail "$form: git did not quote the added file's name"

    status=0
    "${run_env[@]}" "$binary" "$tmp/data/calc.fdc" "$tmp/data/calc.tio" -OUTPUT="$tmp/rep.txt" \
        -SOURCEMAP=/home/dev/calc,src -CHANGES="$tmp/$form.diff" -AFFECTED="$tmp/$form.txt" \
        -JSON="$tmp/$form.json" -FAILUNDER=CHANGED:50 2>"$tmp/$form.err" || status=$?
    [[ $status == 0 ]] || fail "$form: status $status: $(cat "$tmp/$form.err")"
    [[ "$(cat "$tmp/$form.txt")" == "$expected_affected" ]] ||
        fail "$form: affected tests: $(cat "$tmp/$form.txt")"
    summary=$(python3 - "$tmp/$form.json" <<'PY'
import json, sys
changes = json.load(open(sys.argv[1], encoding="utf-8"))["changes"]
print(changes["lines"]["hit"], changes["lines"]["total"], changes["linesWithoutItems"])
print(*changes["unmatchedPaths"], sep="|")
print(*("%s:%d:%s" % (l["path"], l["line"], ",".join(l["tests"])) for l in changes["changedLines"]), sep="|")
PY
)
    expected_summary="1 2 1
src/na$(printf '\303\257')ve file.c
src/calc.c:10:|src/calc.c:54:add and subtract,multiply, divide and bad input"
    [[ "$summary" == "$expected_summary" ]] || fail "$form: JSON changes: $summary"
done

# Half the changed lines with items were run: a gate above that fails.
status=0
"${run_env[@]}" "$binary" "$tmp/data/calc.fdc" "$tmp/data/calc.tio" -OUTPUT="$tmp/rep.txt" \
    -SOURCEMAP=/home/dev/calc,src -CHANGES="$tmp/default.diff" -FAILUNDER=CHANGED:50.1 \
    2>"$tmp/gate.err" || status=$?
[[ $status == 2 ]] || fail "gate: status $status"
grep -q 'Coverage of CHANGED is 50.00%, below 50.1%' "$tmp/gate.err" ||
    fail "gate: $(cat "$tmp/gate.err")"

if ((failures)); then
    echo "$failures failures"
    exit 1
fi
echo "changed lines of git diff: all checks passed"
