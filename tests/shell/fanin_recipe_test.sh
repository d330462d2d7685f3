#!/usr/bin/env bash
# The fan-in recipe of doc/fan-in.md, run on one machine: a trace is cut into 8 parts at
# test boundaries, each part is reduced with -CLEAN in a process of its own (as 8 CI jobs
# would), and one final run reads the FDC files and the 8 cleaned traces. Checks:
#  - global coverage: the text report, -XML and -JSON of the final run are the bytes of
#    one run over the whole trace, with each job writing one section per test and with
#    each job merging its tests (-MERGETESTS); the messages are the same too;
#  - -NOGLOBAL: the report and -XML are the same; -JSON differs only in the tests'
#    numbers and groups, which a cleaned trace does not carry (they become null);
#  - -CIO cannot be written from cleaned traces (it needs the test numbers): the final
#    run ends with status 7 and "No current test number in file ...";
#  - a test continued by a second NT line with its number becomes two tests;
#  - count-oriented tests: the rates are the same, but a cleaned trace keeps one hit per
#    branch and test, so the counts of the final report and -XML are the number of
#    tests that hit a branch, not its executions; -JSON is the same but for its
#    "count" members, which are those counts.
# Usage: fanin_recipe_test.sh <zeltocov binary> <generate_coverage_data binary>
set -uo pipefail
binary=$1
generator=$2
failures=0
checks=0
parts=8

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
check() { checks=$((checks + 1)); }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/velmora/lib/locale"
cd "$tmp" || exit 1
export VELMORADIR=$tmp/velmora SOURCE_DATE_EPOCH=1700000000 TZ=UTC LANG=C LC_ALL=C
unset ZELTOCOV_LAN ZELTO_TPM_ROOT ZELTO_TPM_USER LANGUAGE

# A model of 30 source files and a trace of 24 tests (with test and group numbers) over it;
# one test also holds a file-part of a source file that is not loaded (kept by -CLEAN).
if ! "$generator" --out data --files 30 --fdc --trace gen.tio --size 3000000 --tests 24; then
    echo "FAIL: the generator did not run"
    exit 1
fi
fdcs=(data/fdc/*.fdc)
awk '/^NT/ { ++test } /^FT/ && test == 5 && !done { print "FT 1234\nDC 5678\nTB 1\nTB 3"; done = 1 }
     { print }' data/gen.tio >whole.tio
# The same tests, count-oriented: a CO line after each date, every hit counted 3 times.
awk '/^DT/ { print; print "CO"; next } /^T[PABE] / { print $0 " 3"; next } { print }' \
    whole.tio >count.tio

# Cuts $1 into $parts files $2.0.tio ... at NT lines, consecutive tests together.
split_trace() {
    local tests
    tests=$(grep -c '^NT' "$1")
    awk -v parts=$parts -v tests="$tests" -v out="$2" \
        '/^NT/ { ++test } { print > (out "." int((test - 1) * parts / tests) ".tio") }' "$1"
}

# Reduces the parts $1.*.tio, each in its own process, into $2.*.tio; extra options follow.
reduce_parts() {
    local in=$1 out=$2 i
    shift 2
    local pids=()
    for ((i = 0; i < parts; ++i)); do
        "$binary" "${fdcs[@]}" "$in.$i.tio" "-CLEAN=$out.$i.tio" "$@" -OUTPUT=/dev/null \
            2>"$out.$i.err" &
        pids+=($!)
    done
    for ((i = 0; i < parts; ++i)); do
        check
        wait "${pids[$i]}" || fail "reducing $in.$i.tio $* ended with status $?: $(cat "$out.$i.err")"
        [[ -s $out.$i.tio ]] || fail "reducing $in.$i.tio $* wrote no cleaned trace"
    done
}

# Runs the report of the given traces into $1.txt, $1.xml, $1.json and $1.err (status in $1.status).
report() {
    local name=$1
    shift
    "$binary" "${fdcs[@]}" "$@" "-OUTPUT=$name.txt" "-XML=$name.xml" "-JSON=$name.json" \
        2>"$name.err"
    echo $? >"$name.status"
}

same() {
    check
    cmp -s "$1" "$2" || fail "$3: $1 and $2 differ: $(diff "$1" "$2" | head -5)"
}

split_trace whole.tio part
check
[[ $(cat part.*.tio | cmp - whole.tio && echo same) == same ]] || fail "the parts are not the trace"
for ((i = 0; i < parts; ++i)); do
    check
    [[ $(head -c 3 "part.$i.tio") == "NT " ]] || fail "part $i does not start with a test"
done
reduce_parts part clean
reduce_parts part merged -MERGETESTS
in=$(cat part.*.tio | wc -c)
out=$(cat clean.*.tio | wc -c)
merged=$(cat merged.*.tio | wc -c)
echo "trace bytes in: $in; cleaned bytes out: $out; with -MERGETESTS: $merged"
check
((out * 4 < in && merged <= out)) || fail "the cleaned traces are not smaller ($in, $out, $merged)"

# Global coverage.
report whole whole.tio
report fanin clean.*.tio
report fanin-merged merged.*.tio
for run in fanin fanin-merged; do
    check
    [[ $(cat whole.status) == 0 && $(cat $run.status) == 0 ]] || fail "$run: status not 0"
    for kind in txt xml json err; do same whole.$kind $run.$kind "global $run"; done
done
check
grep -q "Parts of traces do not match any listed FDC files" fanin.err ||
    fail "the file-part of the source file not loaded did not reach the final run"

# One report per test: the report and the XML are the same; the JSON lacks the numbers.
report whole-noglobal whole.tio -NOGLOBAL
report fanin-noglobal clean.*.tio -NOGLOBAL
same whole-noglobal.txt fanin-noglobal.txt "-NOGLOBAL report"
same whole-noglobal.xml fanin-noglobal.xml "-NOGLOBAL XML"
same whole-noglobal.err fanin-noglobal.err "-NOGLOBAL messages"
check
diff whole-noglobal.json fanin-noglobal.json >json.diff
if ! grep -q '^<.*"number": 1,' json.diff; then
    fail "-NOGLOBAL JSON: the test numbers were expected to be lost: $(head -5 json.diff)"
fi
check
if grep '^[<>]' json.diff | grep -vqE '^< +"(number|group)": [0-9]+,$|^> +"(number|group)": null,$'; then
    fail "-NOGLOBAL JSON differs in more than test numbers and groups: $(head -10 json.diff)"
fi

# The CIO file needs test numbers.
check
"$binary" "${fdcs[@]}" whole.tio -CIO=whole.cio -OUTPUT=/dev/null 2>/dev/null ||
    fail "-CIO over the whole trace ended with status $?"
"$binary" "${fdcs[@]}" clean.*.tio -CIO=fanin.cio -OUTPUT=/dev/null 2>cio.err
status=$?
check
if [[ $status != 7 ]] || ! grep -q "No current test number in file" cio.err; then
    fail "-CIO over cleaned traces: status $status, $(cat cio.err)"
fi

# A test continued by a second NT line with its number is one test of the whole trace
# but two of the cleaned trace (one section per NT line, neither numbered).
awk '/^NT/ { ++test } /^FT/ && test == 3 && !done { print "NT \"bench test 3\" 3 0"; done = 1 }
     { print }' whole.tio >continued.tio
"$binary" "${fdcs[@]}" continued.tio -CLEAN=continued.clean.tio -OUTPUT=/dev/null 2>/dev/null
for trace in continued.tio continued.clean.tio; do
    "$binary" "${fdcs[@]}" $trace -NOGLOBAL -SUMMARY=CONCLUSION -OUTPUT=$trace.txt 2>/dev/null
done
check
if [[ $(grep -c '^Conclusion Test bench test 3 :' continued.tio.txt) != 1 ||
    $(grep -c '^Conclusion Test bench test 3 :' continued.clean.tio.txt) != 2 ]]; then
    fail "a continued test: expected one section from the trace and two from the cleaned trace"
fi

# Count-oriented tests: the rates survive, the counts do not.
split_trace count.tio cpart
reduce_parts cpart cclean
report count-whole count.tio
report count-fanin cclean.*.tio
# The JSON without its counts is the same; its counts are those of the report.
sed -E 's/, "count": [0-9]+//g' count-whole.json >count-whole.nocount.json
sed -E 's/, "count": [0-9]+//g' count-fanin.json >count-fanin.nocount.json
same count-whole.nocount.json count-fanin.nocount.json "count-oriented JSON without counts"
check
grep -q '"count": ' count-whole.json || fail "count-oriented: the JSON shows no counts"
same count-whole.err count-fanin.err "count-oriented messages"
check
cmp -s <(grep '%' count-whole.txt) <(grep '%' count-fanin.txt) ||
    fail "count-oriented: the rates differ"
check
grep -q 'time(s)' count-whole.txt || fail "count-oriented: the report shows no counts"
check
if cmp -s count-whole.txt count-fanin.txt || cmp -s count-whole.xml count-fanin.xml; then
    fail "count-oriented: the counts were expected to differ after cleaning"
fi
# Every count of the final run is at most the number of tests, one per test that hit it.
check
if grep -oE '[0-9]+ time\(s\)' count-fanin.txt | awk '$1 > 24 { bad = 1 } END { exit !bad }'; then
    fail "count-oriented: a count of the final run is larger than the number of tests"
fi

echo "$checks checks, $failures failed"
((failures == 0))
