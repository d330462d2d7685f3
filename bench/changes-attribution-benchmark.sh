#!/usr/bin/env bash
# What recording the tests of each item costs: a synthetic model of about
# 200,000 items (700 files of bench/generate_coverage_data) and a trace of
# 10,000 tests, read by
#   - the -NOGLOBAL run (each test's hits kept apart, conclusions only),
#   - the default run (no test kept apart, nothing recorded),
#   - the default run with -CHANGES and -AFFECTED, the diff adding 10 lines to
#     every file (the tests of every item recorded),
#   - the -NOGLOBAL run with them,
#   - the default run with -CHANGES and -AFFECTED, the diff adding 10 lines to
#     10 files (only the tests of their items recorded: a usual change).
# For each: the median wall time, CPU time (user + system) and peak resident
# memory (/usr/bin/time -v), and the ratios that the issue sets: the recording
# run's time over the -NOGLOBAL run's (CPU time: wall time follows the load of
# the machine), its memory over the default run's.
#
#   bash bench/changes-attribution-benchmark.sh
#
# Environment (all optional):
#   ZELTOCOV_BENCH_DIR      where the data goes (default /tmp/zeltocov-bench), under changes/
#   ZELTOCOV_BENCH_BINARY   the zeltocov binary (default: the Release build of this tree,
#                           built first, with VELMORADIR its install directory)
#   ZELTOCOV_CHANGES_FILES  files of the model (default 700)
#   ZELTOCOV_CHANGES_TESTS  tests of the trace (default 10000)
#   ZELTOCOV_CHANGES_SIZE   size of the trace in bytes (default 200000000)
#   ZELTOCOV_BENCH_RUNS     timed runs of each command (default 3)
#   ZELTOCOV_BENCH_SEED     seed of the generator (default 20240601)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
data=${ZELTOCOV_BENCH_DIR:-/tmp/zeltocov-bench}/changes
files=${ZELTOCOV_CHANGES_FILES:-700}
tests=${ZELTOCOV_CHANGES_TESTS:-10000}
size=${ZELTOCOV_CHANGES_SIZE:-200000000}
runs=${ZELTOCOV_BENCH_RUNS:-3}
seed=${ZELTOCOV_BENCH_SEED:-20240601}

build="$root/build-release"
if [[ -n "${ZELTOCOV_BENCH_BINARY:-}" ]]; then
  zeltocov=$ZELTOCOV_BENCH_BINARY
  generator=${ZELTOCOV_BENCH_GENERATOR:-$(dirname "$zeltocov")/bench/generate_coverage_data}
else
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELTOCOV_BUILD_TESTS=OFF \
    -DZELTOCOV_SANITIZE=OFF >/dev/null
  cmake --build "$build" --target zeltocov generate_coverage_data >/dev/null
  cmake --install "$build" --prefix "$build/install" >/dev/null
  zeltocov="$build/install/bin/zeltocov"
  generator="$build/bench/generate_coverage_data"
  export VELMORADIR="$build/install"
fi
export SOURCE_DATE_EPOCH=1700000000

stamp="files=$files tests=$tests size=$size seed=$seed diffs=2"
if [[ "$(cat "$data/stamp" 2>/dev/null)" != "$stamp" ]]; then
  echo "Generating the model and its trace in $data" >&2
  rm -rf "$data"
  mkdir -p "$data"
  "$generator" --out "$data" --files "$files" --seed "$seed" --fdc \
    --trace trace.tio --size "$size" --tests "$tests" >/dev/null
  # A diff adding ten lines (10 to 19) to every source of the model.
  for fdc in "$data"/fdc/*.fdc; do
    source=$(awk '$1 == "FC" { gsub(/"/, ""); print $3 $2; exit }' "$fdc")
    source=${source#/}
    printf -- '--- a/%s\n+++ b/%s\n@@ -9,0 +10,10 @@\n' "$source" "$source"
    for line in 1 2 3 4 5 6 7 8 9 10; do printf '+changed %s\n' "$line"; done
  done >"$data/change.diff"
  awk '/^--- / { files++ } files <= 10' "$data/change.diff" >"$data/change10.diff"
  echo "$stamp" >"$data/stamp"
fi
fdcs=("$data"/fdc/*.fdc)
items=$(cat "${fdcs[@]}" | awk '$1 == "PR" || $1 == "AP" || $1 == "BL" || $1 == "CA" { n++ }
  $1 == "CE" { n += 2 } $1 == "CC" { n += $(4 + $3) } END { print n }')
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if [[ -z "${VELMORADIR:-}" ]]; then
  export VELMORADIR="$out/velmora"
  mkdir -p "$VELMORADIR/lib/locale"
fi

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -A wall cpu memory
measure() {
  local label=$1
  shift
  local walls=() cpus=() peaks=()
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -v -o "$out/time" "$zeltocov" "${fdcs[@]}" "$data/trace.tio" \
      -OUTPUT="$out/report.txt" "$@" >/dev/null 2>"$out/stderr" || true
    walls+=("$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
      for (k = 1; k <= n; k++) s = s * 60 + t[k]; print s }' "$out/time")")
    cpus+=("$(awk -F': ' '/User time|System time/ { s += $2 } END { print s }' "$out/time")")
    peaks+=("$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$out/time")")
  done
  wall[$label]=$(printf '%s\n' "${walls[@]}" | median)
  cpu[$label]=$(printf '%s\n' "${cpus[@]}" | median)
  memory[$label]=$(printf '%s\n' "${peaks[@]}" | median)
  printf '%-34s %10s %10s %12s\n' "$label" "${wall[$label]}" "${cpu[$label]}" \
    "$((${memory[$label]} / 1024))"
}

echo "model: ${#fdcs[@]} files, $items items; trace: $(stat -c %s "$data/trace.tio") bytes," \
  "$tests tests; $runs runs each"
printf '%-34s %10s %10s %12s\n' "run" "wall (s)" "cpu (s)" "peak (MiB)"
measure "-NOGLOBAL" -NOGLOBAL -SUMMARY=CONCLUSION
measure "default" -SUMMARY=CONCLUSION
measure "default -CHANGES -AFFECTED" -SUMMARY=CONCLUSION -CHANGES="$data/change.diff" \
  -AFFECTED="$out/affected.txt"
measure "-NOGLOBAL -CHANGES -AFFECTED" -NOGLOBAL -SUMMARY=CONCLUSION \
  -CHANGES="$data/change.diff" -AFFECTED="$out/affected.txt"
measure "default, a diff of 10 files" -SUMMARY=CONCLUSION -CHANGES="$data/change10.diff" \
  -AFFECTED="$out/affected10.txt"
echo "-AFFECTED: $(sed '/^# not covered by any test$/,$d' "$out/affected.txt" | wc -l) tests," \
  "$(sed '1,/^# not covered by any test$/d' "$out/affected.txt" | wc -l) changed lines no test ran"
for label in "default -CHANGES -AFFECTED" "default, a diff of 10 files"; do
  awk -v l="$label" -v a="${cpu[$label]}" -v b="${cpu[-NOGLOBAL]}" \
    'BEGIN { printf "%s: cpu / -NOGLOBAL cpu %.2f (at most 1.3 wanted)", l, a / b }'
  echo ", memory - default memory $(((${memory[$label]} - ${memory[default]}) / 1024)) MiB" \
    "(at most 200 wanted)"
done
