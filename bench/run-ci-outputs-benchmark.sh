#!/usr/bin/env bash
# Measures what the outputs for CI systems (-XML, -JSON, -DIGEST) add to a run on the
# benchmark model of run-benchmark.sh (which must have generated the data first):
# median wall time and median CPU time (user + system) of the default report with and
# without each output.
#
# Environment (all optional):
#   ZELTOCOV_BENCH_DIR   the data of run-benchmark.sh (default /tmp/zeltocov-bench)
#   ZELTOCOV_BENCH_RUNS  timed runs of each command (default 5)
#   ZELTOCOV_BENCH_TRACE the trace to read (default small.tio)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
data=${ZELTOCOV_BENCH_DIR:-/tmp/zeltocov-bench}
runs=${ZELTOCOV_BENCH_RUNS:-5}
trace=${ZELTOCOV_BENCH_TRACE:-small.tio}
if [[ ! -f "$data/$trace" || ! -d "$data/fdc" ]]; then
  echo "No benchmark data in $data: run bench/run-benchmark.sh first" >&2
  exit 1
fi

build="$root/build-release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELTOCOV_BUILD_TESTS=OFF \
  -DZELTOCOV_SANITIZE=OFF >/dev/null
cmake --build "$build" --target zeltocov >/dev/null
cmake --install "$build" --prefix "$build/install" >/dev/null
export VELMORADIR="$build/install"
export SOURCE_DATE_EPOCH=1700000000
zeltocov="$build/install/bin/zeltocov"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fdcs=("$data"/fdc/*.fdc)

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "model: ${#fdcs[@]} FDC files; trace: $trace; $runs runs after one warm-up"
printf '%-28s %10s %10s\n' "outputs" "wall (s)" "cpu (s)"
for outputs in "" "-XML=$out/c.xml" "-JSON=$out/c.json" "-DIGEST=$out/c.md" \
  "-XML=$out/c.xml -JSON=$out/c.json -DIGEST=$out/c.md"; do
  # shellcheck disable=SC2086
  "$zeltocov" "${fdcs[@]}" "$data/$trace" -OUTPUT="$out/report.txt" $outputs >/dev/null 2>&1
  walls=() cpus=()
  for ((i = 0; i < runs; i++)); do
    # shellcheck disable=SC2086
    /usr/bin/time -o "$out/time" -f "%e %U %S" "$zeltocov" "${fdcs[@]}" "$data/$trace" \
      -OUTPUT="$out/report.txt" $outputs >/dev/null 2>&1
    read -r wall user system <"$out/time"
    walls+=("$wall")
    cpus+=("$(echo "$user + $system" | bc)")
  done
  label=${outputs//$out\//}
  printf '%-28s %10s %10s\n' "${label:-none}" "$(printf '%s\n' "${walls[@]}" | median)" \
    "$(printf '%s\n' "${cpus[@]}" | median)"
done
for file in c.xml c.json c.md; do
  [[ -f "$out/$file" ]] && echo "$file: $(stat -c %s "$out/$file") bytes"
done
