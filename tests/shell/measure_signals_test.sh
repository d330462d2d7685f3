#!/usr/bin/env bash
# A run of 10,000 source files interrupted while it writes their measures: SIGINT,
# SIGTERM and SIGHUP, each delivered (by strace) at the same system call in the
# middle of the measures, end the run by that signal with the lock file removed
# and the database whole: every measure written before the signal is there, with
# its index entry, and the next run writes all its measures with nothing to repair
# and nothing to wait for.
# Exits 77 (skipped) where strace may not trace or inject (ptrace denied).
# Usage: measure_signals_test.sh <zeltocov binary>
set -uo pipefail
binary=$(realpath "$1")
failures=0
files=10000
record=168

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! command -v strace >/dev/null; then
    echo "FAIL: strace is not installed (scripts/install-deps.sh installs it)"
    exit 1
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/velmora/lib/locale" "$tmp/tpm/Coverage"

run_env=(env "--default-signal=HUP,INT,TERM" -u ZELTOCOV_LAN -u LC_ALL -u LC_MESSAGES -u LANGUAGE
    VELMORADIR="$tmp/velmora" ZELTO_TPM_ROOT="$tmp/tpm" ZELTO_TPM_USER=ci
    SOURCE_DATE_EPOCH=1700000000 TZ=UTC LANG=C
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0")

probe_status=0
{ "${run_env[@]}" strace -f -qq -o /dev/null -e trace=write \
    -e inject=write:signal=KILL:when=1 /bin/echo probe >/dev/null 2>"$tmp/probe"; } \
    2>/dev/null || probe_status=$?
if ((probe_status != 128 + 9)); then
    echo "SKIP: strace cannot stop a process at a system call here (status $probe_status):"
    cat "$tmp/probe"
    exit 77
fi

# 10,000 FDC files, each a source file of its own key.
mkdir -p "$tmp/fdc"
awk -v n=$files -v dir="$tmp/fdc" 'BEGIN {
    for (i = 1; i <= n; i++) {
        name = sprintf("%s/f%05d.fdc", dir, i)
        printf "VE 3.0e T\nFC \"f%d.c\" \"/src\"\nFD 0\nTC PR\nPR 0 proc \"f\" 1 2\n", i >name
        printf "DC %d %d\n", 1409286144 + i, i >name
        close(name)
    }
}'

db=$tmp/tpm/Coverage/ci.20
# Each measure writes its record, then its index entry: the signal comes at the
# record of measure 5,001.
middle=$((2 * (files / 2) + 1))
for signal in INT TERM HUP; do
    rm -f "$db".*
    status=0
    # (The shell's own word on how the run ended is not shown.)
    { (cd "$tmp" && exec "${run_env[@]}" strace -f -qq -o /dev/null -e trace=pwrite64 \
        -e "inject=pwrite64:signal=$signal:when=$middle" "$binary" "fdc/*.fdc" -OUTPUT=report.txt \
        >/dev/null 2>"$tmp/err"); } 2>/dev/null || status=$?
    number=$(kill -l "$signal")
    ((status == 128 + number)) || fail "SIG$signal: status $status, not $((128 + number)): $(cat "$tmp/err")"
    [[ -e $db.lck ]] && fail "SIG$signal: the lock file is left"
    size=$(stat -c %s "$db.tpm" 2>/dev/null || echo 0)
    if ((size % record != 0 || size / record != files / 2 + 1)); then
        fail "SIG$signal: database of $size bytes, not $(((files / 2 + 1) * record))"
    fi
    entries=$(($(stat -c %s "$db.idx" 2>/dev/null || echo 0) / 8))
    ((entries == size / record)) || fail "SIG$signal: $entries index entries for $((size / record)) records"

    # The next run: no repair, no wait, every measure.
    status=0
    (cd "$tmp" && "${run_env[@]}" "$binary" "fdc/*.fdc" -OUTPUT=report.txt >/dev/null 2>"$tmp/err") ||
        status=$?
    ((status == 0)) || fail "SIG$signal: next run: status $status"
    if grep -q "Test Process Monitor" "$tmp/err"; then
        fail "SIG$signal: next run: $(grep "Test Process Monitor" "$tmp/err" | head -3)"
    fi
    after=$(stat -c %s "$db.tpm")
    ((after == size + files * record)) || fail "SIG$signal: next run: database of $after bytes"
    [[ -e $db.lck ]] && fail "SIG$signal: next run: the lock file is left"
done

if ((failures)); then
    echo "$failures failure(s)"
    exit 1
fi
echo "measures interrupted by SIGINT, SIGTERM and SIGHUP: no lock left, database whole"
