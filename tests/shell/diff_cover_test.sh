#!/usr/bin/env bash
# The Cobertura XML read by diff-cover, as a CI job reads it. A temporary git
# repository holds the bundled example; a change touches lines that the first
# test of calc.tio ran and lines it did not run (and a comment). The XML of that
# test (the FDC file names the folder of the machine that instrumented calc.c,
# which -SOURCEMAP maps to the repository) must make diff-cover name exactly the
# changed lines that did not run, which the program built with gcc --coverage
# and run as that test tells.
# Exits 77 (skipped) when diff-cover is not installed.
# Usage: diff_cover_test.sh <zeltocov binary> <source directory>
set -uo pipefail
binary=$1
root=$2
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! command -v diff-cover >/dev/null; then
    echo "SKIP: diff-cover is not installed (scripts/install-deps.sh installs it)"
    exit 77
fi
for tool in git gcc gcov python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAIL: $tool is not installed"
        exit 1
    fi
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/velmora/lib/locale" "$tmp/repo/src" "$tmp/data" "$tmp/truth"
repo=$tmp/repo
cp "$root/examples/calc/calc.fdc" "$root/examples/calc/calc.tio" "$tmp/data/"

# The lines the change touches: a comment (2), a line that holds no item (14)
# and lines of code that hold items, run or not by the first test
# ("calc 12 + 30 7 - 2 9 / 0").
changed="2 9 10 13 14 28 34 41 54 66"
# The code before the change: the same lines, each with another text.
awk -v changed=" $changed " 'index(changed, " " NR " ") { print $0 " /* old */"; next } { print }' \
    "$root/examples/calc/calc.c" >"$repo/src/calc.c"

git_in_repo() {
    git -C "$repo" -c user.name=test -c user.email=test@example.invalid -c commit.gpgsign=false \
        -c init.defaultBranch=main "$@"
}
git_in_repo init -q || exit 1
git_in_repo add src/calc.c && git_in_repo commit -q -m "calc before" || exit 1
git_in_repo checkout -q -b change || exit 1
cp "$root/examples/calc/calc.c" "$repo/src/calc.c"
git_in_repo commit -q -am "calc changed" || exit 1

# What really ran in the first test.
cp "$root/examples/calc/calc.c" "$tmp/truth/"
(
    cd "$tmp/truth" && gcc --coverage -O0 -o calc calc.c && { ./calc 12 + 30 7 - 2 9 / 0 || true; } &&
        gcov calc.c
) >"$tmp/truth/log" 2>&1 || {
    fail "the program cannot be built and run with gcc --coverage: $(cat "$tmp/truth/log")"
    exit 1
}
expected=$(awk -F: -v changed=" $changed " '{ gsub(/ /, "", $1); n = $2 + 0 }
    index(changed, " " n " ") && $1 ~ /^[#=]+$/ { printf "%s%d", sep, n; sep = "," }' \
    "$tmp/truth/calc.c.gcov")
if [[ -z "$expected" ]]; then
    fail "no changed line is unrun in gcov's view: the change does not test anything"
fi

# The XML of the first test, written in the repository's root as a CI job does.
(
    cd "$repo" && env -u ZELTOCOV_LAN VELMORADIR="$tmp/velmora" "$binary" "$tmp/data/calc.fdc" \
        "$tmp/data/calc.tio" -NOGLOBAL "-TEST=add and subtract" -OUTPUT="$tmp/rep.txt" \
        -XML="$tmp/coverage.xml" -SOURCEMAP=/home/dev/calc,"$repo/src"
) >"$tmp/run.log" 2>&1 || fail "the run failed: $(cat "$tmp/run.log")"
grep -q 'filename="src/calc.c"' "$tmp/coverage.xml" ||
    fail "the XML does not name src/calc.c: $(grep -o 'filename="[^"]*"' "$tmp/coverage.xml")"

(cd "$repo" && diff-cover "$tmp/coverage.xml" --compare-branch=main --json-report "$tmp/diff.json") \
    >"$tmp/diff.log" 2>&1 || fail "diff-cover failed: $(cat "$tmp/diff.log")"
named=$(python3 -c '
import json, sys
stats = json.load(open(sys.argv[1]))["src_stats"]
print(",".join(str(n) for n in sorted(stats.get("src/calc.c", {}).get("violation_lines", []))))
' "$tmp/diff.json" 2>&1)
if [[ "$named" != "$expected" ]]; then
    fail "diff-cover names lines '$named' as not covered; the changed lines that did not run are '$expected'"
    cat "$tmp/diff.log"
fi

if ((failures > 0)); then
    echo "$failures failure(s)"
    exit 1
fi
echo "diff-cover names exactly the changed lines that did not run: $expected"
