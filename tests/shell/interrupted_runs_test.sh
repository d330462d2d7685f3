#!/usr/bin/env bash
# Runs ended part-way: every regular-file output is written whole or not at all.
# A run of the bundled example with every file output on is stopped, under strace,
# at each of its write and rename system calls in turn:
#  - by SIGKILL: each target is then exactly its old content or exactly its new one
#    (the HTML site as one whole), and what is left beside them is only hidden
#    unfinished files named after a target;
#  - by SIGTERM, SIGINT and SIGHUP at a few of those calls: the run ends by that
#    signal, the targets whose new content had been moved into place before the
#    signal hold it, all others their old content, and no unfinished file is left.
# Then a fatal error in the later part of a trace: status 7, the text report keeps
# what was written before the error, the XML, JSON, digest and HTML outputs keep
# their old content, and no unfinished file is left.
# Exits 77 (skipped) where strace may not trace or inject (ptrace denied).
# Usage: interrupted_runs_test.sh <zeltocov binary> <source directory>
set -uo pipefail
binary=$1
root=$2
failures=0
checks=0
mark=.zeltocov-unfinished-

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
mkdir -p "$tmp/velmora/lib/locale" "$tmp/logs"

# The same environment for every run; the ending signals have their default
# action whatever the caller ignores.
run_env=(env "--default-signal=HUP,INT,TERM" -u ZELTOCOV_LAN -u ZELTO_TPM_ROOT -u ZELTO_TPM_USER
    -u LC_ALL -u LC_MESSAGES -u LANGUAGE VELMORADIR="$tmp/velmora"
    SOURCE_DATE_EPOCH=1700000000 TZ=UTC LANG=C
    # The leak checker of a sanitizer build cannot run under ptrace.
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0")

probe_status=0
{ "${run_env[@]}" strace -f -qq -o /dev/null -e trace=write \
    -e inject=write:signal=KILL:when=1 /bin/echo probe >/dev/null 2>"$tmp/logs/probe"; } \
    2>/dev/null || probe_status=$?
if ((probe_status != 128 + 9)); then
    echo "SKIP: strace cannot stop a process at a system call here (status $probe_status):"
    cat "$tmp/logs/probe"
    exit 77
fi

# The example, with a copy of calc.fdc that finds calc.c here (for the listing).
inputs=$tmp/inputs
mkdir -p "$inputs/lst"
cp -p "$root/examples/calc/calc.tio" "$root/examples/calc/calc.c" "$inputs/"
sed 's|"/home/dev/calc"|"."|' "$root/examples/calc/calc.fdc" >"$inputs/calc.fdc"
touch -r "$root/examples/calc/calc.fdc" "$inputs/calc.fdc"

args=(calc.fdc calc.tio -OUTPUT=report.txt -CIO=run.cio -CLEAN=clean.tio -LISTING=lst
    -FLOW=flow.txt -XML=cov.xml -JSON=cov.json -DIGEST=digest.md -HTML=site)
# Every run happens in the same folder, so that paths written in outputs agree.
work=$tmp/run

# Runs zeltocov in $work with the given strace options; sets status.
run_traced() {
    status=0
    { (cd "$work" && "${run_env[@]}" strace -f "$@" "$binary" "${args[@]}" \
        >"$tmp/logs/stdout" 2>"$tmp/logs/stderr"); } 2>/dev/null || status=$?
}

# Paths under $work (relative, sorted), without those of unfinished files.
finished_paths() {
    (cd "$work" && find . -mindepth 1 | sed 's|^\./||' | grep -vF -- "$mark" | LC_ALL=C sort)
}
# The unfinished files and folders under $work, the outermost only.
unfinished_paths() {
    (cd "$work" && find . -mindepth 1 -name "*$mark*" -prune | sed 's|^\./||' | LC_ALL=C sort)
}

# 1. The reference run, in a fresh folder: the new content of every target.
cp -a "$inputs" "$work"
run_traced -qq -o /dev/null
checks=$((checks + 1))
if ((status != 0)); then
    fail "the complete run gives status $status:"
    cat "$tmp/logs/stderr"
    exit 1
fi
cp -a "$work" "$tmp/new"
mapfile -t listings < <(cd "$work" && find lst -type f | LC_ALL=C sort)
files=(report.txt run.cio clean.tio flow.txt cov.xml cov.json digest.md "${listings[@]}")
new_pages=$(cd "$work/site" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
for file in "${files[@]}"; do
    checks=$((checks + 1))
    [[ -s $work/$file ]] || fail "the complete run writes no $file"
done
checks=$((checks + 3))
((${#listings[@]} > 0)) || fail "the complete run writes no listing in lst/"
[[ $new_pages == *index.html* ]] || fail "the complete run writes no site/index.html"
[[ -z $(unfinished_paths) ]] || fail "the complete run leaves unfinished files: $(unfinished_paths)"

# 2. The old state: distinct content in every target, and an old site.
rm -rf "$work"
cp -a "$inputs" "$tmp/old"
for file in "${files[@]}"; do
    echo "old ${file##*/}" >"$tmp/old/$file"
done
mkdir "$tmp/old/site"
for page in $new_pages; do
    mkdir -p "$(dirname "$tmp/old/site/$page")"
    echo "<!DOCTYPE html><title>old ${page##*/}</title>" >"$tmp/old/site/$page"
done
old_pages=$(cd "$tmp/old/site" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
# Every path that may be there when the run is stopped, unfinished files aside.
allowed=$( (cd "$tmp/old" && find . -mindepth 1; cd "$tmp/new" && find . -mindepth 1) |
    sed 's|^\./||' | LC_ALL=C sort -u)

# The state of one file target in $work: old, new, missing or what else it holds.
file_state() {
    local path=$work/$1 size new_size
    if [[ ! -e $path ]]; then
        echo missing
    elif cmp -s "$path" "$tmp/old/$1"; then
        echo old
    elif cmp -s "$path" "$tmp/new/$1"; then
        echo new
    else
        size=$(stat -c %s "$path")
        new_size=$(stat -c %s "$tmp/new/$1")
        if ((size == 0)); then
            echo "empty (the new content has $new_size bytes)"
        elif cmp -s -n "$size" "$path" "$tmp/new/$1"; then
            echo "partial (the first $size of the $new_size bytes of the new content)"
        else
            echo "neither old nor new ($size bytes)"
        fi
    fi
}

# The state of the site as a whole: old, new, missing, or each page's state.
site_state() {
    local pages page detail=
    if [[ ! -d $work/site ]]; then
        echo missing
        return
    fi
    pages=$(cd "$work/site" && find . -type f | sed 's|^\./||' | grep -vF -- "$mark" |
        LC_ALL=C sort)
    if [[ $pages == "$old_pages" ]] && diff -rq -x "*$mark*" "$work/site" "$tmp/old/site" >/dev/null; then
        echo old
        return
    fi
    if [[ $pages == "$new_pages" ]] && diff -rq -x "*$mark*" "$work/site" "$tmp/new/site" >/dev/null; then
        echo new
        return
    fi
    for page in $pages; do
        detail+=" $page: $(file_state "site/$page");"
    done
    for page in $new_pages; do
        [[ -e $work/site/$page ]] || detail+=" $page: missing;"
    done
    echo "mixed:${detail%;}"
}

# Checks that no path is there beyond the inputs, the old and the new targets,
# and, with "none", that no unfinished file is left; otherwise that each one left
# is hidden beside a target and named after it. Prints the number left.
check_leftovers() {
    local label=$1 expect=$2 extra leftover name folder
    checks=$((checks + 2))
    extra=$(LC_ALL=C comm -23 <(finished_paths) <(echo "$allowed"))
    [[ -z $extra ]] || fail "$label: unexpected files: ${extra//$'\n'/ }"
    local left=0
    while IFS= read -r leftover; do
        [[ -n $leftover ]] || continue
        left=$((left + 1))
        if [[ $expect == none ]]; then
            fail "$label: unfinished file left: $leftover"
            continue
        fi
        name=${leftover##*/}
        folder=${leftover%"$name"}
        if [[ ! $name =~ ^\.(.+)\.zeltocov-unfinished-[A-Za-z0-9]{6}$ ]]; then
            fail "$label: unfinished file with a bad name: $leftover"
        elif [[ " ${files[*]} site " != *" $folder${BASH_REMATCH[1]} "* ]]; then
            fail "$label: unfinished file named after no target: $leftover"
        fi
    done < <(unfinished_paths)
    leftover_count=$left
}

# The targets that a successful rename in an strace log moved into place before
# the first signal of the log.
renamed_targets() {
    awk -v work="$work/" '
        /^[0-9]+ +--- SIG/ { exit }
        /^[0-9]+ +(rename|renameat|renameat2)\(.*\) = 0$/ {
            line = $0
            sub(/\) = 0$/, "", line)
            n = split(line, parts, "\"")
            target = parts[n - 1]
            if (index(target, work) == 1) target = substr(target, length(work) + 1)
            sub(/^\.\//, "", target)
            print target
        }' "$1" | LC_ALL=C sort -u
}

# 3. A full run from the old state, traced: the system calls to stop at.
rm -rf "$work"
cp -a "$tmp/old" "$work"
run_traced -qq -s 40 -o "$tmp/logs/count" -e trace=write,writev,pwrite64,rename,renameat,renameat2
checks=$((checks + 1))
[[ $status == 0 ]] || fail "the traced complete run from the old state gives status $status"
for file in "${files[@]}"; do
    checks=$((checks + 1))
    state=$(file_state "$file")
    [[ $state == new ]] || fail "the complete run from the old state leaves $file $state"
done
checks=$((checks + 1))
state=$(site_state)
[[ $state == new ]] || fail "the complete run from the old state leaves the site $state"
check_leftovers "the complete run from the old state" none
if ((failures > 0)); then
    echo "FAILED: the complete runs are not as expected, so runs stopped part-way cannot be judged"
    exit 1
fi

# One line per system call: its name, its number among the calls of that name of
# its thread (strace counts injections so), and how it began.
awk '
    match($0, /^[0-9]+ +(write|writev|pwrite64|rename|renameat|renameat2)\(/) {
        name = $2
        sub(/\(.*/, "", name)
        count[$1 SUBSEP name]++
        key = name ":" count[$1 SUBSEP name]
        if (key in seen) next
        seen[key] = 1
        text = $0
        sub(/^[0-9]+ +/, "", text)
        print name "\t" count[$1 SUBSEP name] "\t" substr(text, 1, 44)
    }' "$tmp/logs/count" >"$tmp/logs/calls"
mapfile -t calls <"$tmp/logs/calls"
mapfile -t write_calls < <(grep -E '^(write|writev|pwrite64)	' "$tmp/logs/calls")
mapfile -t rename_calls < <(grep -E '^(rename|renameat|renameat2)	' "$tmp/logs/calls")
echo "A complete run makes ${#write_calls[@]} write and ${#rename_calls[@]} rename system calls;" \
    "it is killed at each of them."
checks=$((checks + 2))
((${#write_calls[@]} > 0)) || fail "no write system call was seen"
((${#rename_calls[@]} > 0)) || fail "no rename system call was seen"

# Stopped by SIGKILL at each call: every target old or new, the site as a whole.
for call in "${calls[@]}"; do
    IFS=$'\t' read -r name number text <<<"$call"
    label="KILL at $name #$number [$text]"
    rm -rf "$work"
    cp -a "$tmp/old" "$work"
    run_traced -qq -o /dev/null -e trace=write,writev,pwrite64,rename,renameat,renameat2 \
        -e "inject=$name:signal=KILL:when=$number"
    checks=$((checks + 1))
    if ((status != 128 + 9)); then
        fail "$label: status $status, the run was not stopped there"
        continue
    fi
    renewed=
    for file in "${files[@]}"; do
        checks=$((checks + 1))
        state=$(file_state "$file")
        case $state in
        old) ;;
        new) renewed+=" $file" ;;
        *) fail "$label: $file is $state" ;;
        esac
    done
    checks=$((checks + 1))
    state=$(site_state)
    case $state in
    old) ;;
    new) renewed+=" site" ;;
    *) fail "$label: the site is $state" ;;
    esac
    check_leftovers "$label" allowed
    echo "  $label: new:${renewed:- none}; unfinished files left: $leftover_count"
done

# 4. Stopped by SIGTERM, SIGINT, SIGHUP at the first, middle and last write and at
# the middle rename: the run ends by that signal and removes its unfinished files;
# the targets renamed into place before the signal are new, the others old.
points=("${write_calls[0]}" "${write_calls[${#write_calls[@]} / 2]}"
    "${write_calls[${#write_calls[@]} - 1]}")
((${#rename_calls[@]} > 0)) && points+=("${rename_calls[${#rename_calls[@]} / 2]}")
for signal in TERM INT HUP; do
    signo=$(kill -l "$signal")
    for call in "${points[@]}"; do
        IFS=$'\t' read -r name number text <<<"$call"
        label="$signal at $name #$number [$text]"
        rm -rf "$work"
        cp -a "$tmp/old" "$work"
        run_traced -q -s 4096 -o "$tmp/logs/signal" \
            -e trace=write,writev,pwrite64,rename,renameat,renameat2 \
            -e "inject=$name:signal=$signal:when=$number"
        checks=$((checks + 2))
        if ((status != 128 + signo)); then
            fail "$label: status $status instead of $((128 + signo)) (ended by SIG$signal)"
            sed 's/^/    /' "$tmp/logs/stderr"
        fi
        grep -qE "^[0-9]+ +\+\+\+ killed by SIG$signal " "$tmp/logs/signal" ||
            fail "$label: the process did not end by SIG$signal: $(grep -E '\+\+\+ (exited|killed)' "$tmp/logs/signal" | head -n 1)"
        renamed=" $(renamed_targets "$tmp/logs/signal" | tr '\n' ' ')"
        committed=
        for file in "${files[@]}" site; do
            checks=$((checks + 1))
            if [[ $file == site ]]; then state=$(site_state); else state=$(file_state "$file"); fi
            expected=old
            if [[ $renamed == *" $file "* ]]; then
                expected=new
                committed+=" $file"
            fi
            [[ $state == "$expected" ]] ||
                fail "$label: $file is $state; expected $expected (renamed before the signal:${committed:- none})"
        done
        check_leftovers "$label" none
        echo "  $label: status $status; renamed into place before the signal:${committed:- none}"
    done
done

# 5. A fatal error in the later part of a trace: the text report keeps what was
# written before it, the XML, JSON, digest and HTML outputs their old content.
fatal_args=(calc.fdc trace.tio -OUTPUT=report.txt -XML=cov.xml -JSON=cov.json -DIGEST=digest.md
    -HTML=site)
rm -rf "$work"
cp -a "$inputs" "$work"
mv "$work/calc.tio" "$work/trace.tio"
status=0
(cd "$work" && "${run_env[@]}" "$binary" "${fatal_args[@]}" >/dev/null 2>"$tmp/logs/stderr") ||
    status=$?
checks=$((checks + 1))
if ((status != 0)); then
    fail "the complete run with trace.tio gives status $status"
fi
cp "$work/report.txt" "$tmp/full-report.txt"
rm -rf "$work"
cp -a "$tmp/old" "$work"
rm "$work/calc.tio"
allowed=$(printf '%s\ntrace.tio\n' "$allowed" | LC_ALL=C sort -u)
# An unknown opcode before the third test.
awk '/^NT / && ++tests == 3 { print "QQ 1" } { print }' "$inputs/calc.tio" >"$work/trace.tio"
status=0
(cd "$work" && "${run_env[@]}" "$binary" "${fatal_args[@]}" >/dev/null 2>"$tmp/logs/stderr") ||
    status=$?
label="fatal error in trace.tio"
checks=$((checks + 5))
((status == 7)) || fail "$label: status $status instead of 7: $(cat "$tmp/logs/stderr")"
size=$(stat -c %s "$work/report.txt")
if cmp -s "$work/report.txt" "$tmp/old/report.txt"; then
    fail "$label: report.txt keeps its old content instead of what was written"
elif ((size == 0)); then
    fail "$label: report.txt is empty"
elif ! cmp -s -n "$size" "$work/report.txt" "$tmp/full-report.txt"; then
    fail "$label: report.txt ($size bytes) is not the beginning of the complete report"
fi
for file in cov.xml cov.json digest.md; do
    checks=$((checks + 1))
    state=$(file_state "$file")
    [[ $state == old ]] || fail "$label: $file is $state instead of old"
done
state=$(site_state)
[[ $state == old ]] || fail "$label: the site is $state instead of old"
check_leftovers "$label" none
echo "  $label: status $status; report.txt $size bytes; cov.xml $(file_state cov.xml)"

if ((failures > 0)); then
    echo "FAILED: $failures of $checks checks"
    exit 1
fi
echo "PASSED: $checks checks"
