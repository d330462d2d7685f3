#!/usr/bin/env bash
# Times zeltocov against `wc -l` on generated traces of the same coverage model, and
# reports zeltocov's peak memory.
#
# Environment (all optional):
#   ZELTOCOV_BENCH_DIR    where the data and outputs go (default /tmp/zeltocov-bench)
#   ZELTOCOV_BENCH_FILES  number of source files of the model (default 500)
#   ZELTOCOV_BENCH_BIG    size in bytes of the large trace (default 1000000000, 1 GB)
#   ZELTOCOV_BENCH_SMALL  size in bytes of the small trace (default 100000000, 100 MB)
#   ZELTOCOV_BENCH_RUNS   timed runs of each command (default 5)
#   ZELTOCOV_BENCH_SEED   seed of the generator (default 20240601)
#   ZELTOCOV_BENCH_NO_HYPERFINE=1  time with a loop of /usr/bin/time even if hyperfine is there
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
data=${ZELTOCOV_BENCH_DIR:-/tmp/zeltocov-bench}
files=${ZELTOCOV_BENCH_FILES:-500}
big=${ZELTOCOV_BENCH_BIG:-1000000000}
small=${ZELTOCOV_BENCH_SMALL:-100000000}
runs=${ZELTOCOV_BENCH_RUNS:-5}
seed=${ZELTOCOV_BENCH_SEED:-20240601}

# /usr/bin/time (package "time") measures the peak memory.
bash "$root/scripts/install-deps.sh" time

echo "nproc: $(nproc)"
echo "data: $data ($files files, traces of $big and $small bytes, $runs runs each)"

mkdir -p "$data"
# The two traces, the FDC files and the reports, with some room to spare.
need_kb=$(((big + small) / 1024 * 11 / 10 + 100 * 1024))
avail_kb=$(df -Pk "$data" | awk 'NR == 2 { print $4 }')
if ((avail_kb < need_kb)); then
  echo "Not enough free space under $data: ${avail_kb} KB free, ${need_kb} KB needed" >&2
  exit 1
fi

build="$root/build-release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELTOCOV_BUILD_TESTS=OFF \
  -DZELTOCOV_SANITIZE=OFF >/dev/null
cmake --build "$build" --target zeltocov generate_coverage_data
cmake --install "$build" --prefix "$build/install" >/dev/null
export VELMORADIR="$build/install"
zeltocov="$build/install/bin/zeltocov"
generator="$build/bench/generate_coverage_data"

# Generates the FDC files and one trace unless a previous run made them with the
# same parameters.
generate() {
  local name=$1 size=$2
  local stamp="$data/$name.stamp"
  local wanted="files=$files seed=$seed size=$size"
  if [[ -f "$data/$name" && -f "$stamp" && "$(cat "$stamp")" == "$wanted" ]]; then
    return
  fi
  echo "Generating $name ($size bytes)"
  rm -f "$stamp"
  "$generator" --out "$data" --files "$files" --seed "$seed" --trace "$name" --size "$size"
  echo "$wanted" >"$stamp"
}
model="files=$files seed=$seed"
if [[ "$(cat "$data/fdc.stamp" 2>/dev/null)" != "$model" ]]; then
  echo "Generating the FDC files"
  rm -rf "$data/fdc" "$data"/*.stamp
  "$generator" --out "$data" --files "$files" --seed "$seed" --fdc
  echo "$model" >"$data/fdc.stamp"
fi
generate big.tio "$big"
generate small.tio "$small"

fdcs=("$data"/fdc/*.fdc)
echo "FDC files: ${#fdcs[@]}"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Median wall time and mean user CPU time, in seconds, of a command over $runs runs
# after one warm-up run (which also brings the trace into the page cache).
time_command() {
  local label=$1
  shift
  if [[ -z "${ZELTOCOV_BENCH_NO_HYPERFINE:-}" ]] && command -v hyperfine >/dev/null; then
    local csv="$data/hyperfine-$label.csv"
    hyperfine --style basic --warmup 1 --runs "$runs" --export-csv "$csv" \
      --command-name "$label" "$(printf '%q ' "$@")" >&2
    awk -F, 'NR == 1 { for (i = 1; i <= NF; ++i) column[$i] = i }
             NR == 2 { print $column["median"], $column["user"] }' "$csv"
  else
    "$@" >/dev/null 2>&1 || true
    for ((i = 0; i < runs; ++i)); do
      /usr/bin/time -f "%e %U" -o "$data/time.txt" "$@" >/dev/null 2>&1
      cat "$data/time.txt"
    done >"$data/times-$label.txt"
    echo "$(cut -d' ' -f1 "$data/times-$label.txt" | median)" \
      "$(awk '{ s += $2 } END { print s / NR }' "$data/times-$label.txt")"
  fi
}

# Peak resident set size in KB of one run.
peak_memory() {
  /usr/bin/time -v "$@" 2>"$data/time-v.txt" >/dev/null
  awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$data/time-v.txt"
}

declare -A peak ratio
for trace in big small; do
  tio="$data/$trace.tio"
  report="$data/report-$trace.txt"
  run=("$zeltocov" "${fdcs[@]}" "$tio" "-OUTPUT=$report")
  echo
  echo "=== $trace trace: $(du -h "$tio" | cut -f1), $(wc -l <"$tio") lines"
  # One checked run first: a failing program would make the timings meaningless.
  if ! "${run[@]}" 2>"$data/stderr-$trace.txt"; then
    echo "zeltocov failed on $tio:" >&2
    cat "$data/stderr-$trace.txt" >&2
    exit 1
  fi
  peak[$trace]=$(peak_memory "${run[@]}")
  echo "zeltocov peak memory: ${peak[$trace]} KB"
  echo "load average before timing: $(cut -d' ' -f1-3 /proc/loadavg)"
  read -r wc_time wc_user < <(time_command "wc-l-$trace" wc -l "$tio")
  read -r zc_time zc_user < <(time_command "zeltocov-$trace" "${run[@]}")
  echo "median wall time: wc -l ${wc_time} s, zeltocov ${zc_time} s (mean user CPU: wc -l ${wc_user} s, zeltocov ${zc_user} s)"
  ratio[$trace]=$(awk -v z="$zc_time" -v w="$wc_time" \
    'BEGIN { if (w > 0) printf "%.2f", z / w; else print "n/a (wc -l too fast to time)" }')
  echo "median ratio zeltocov/wc: ${ratio[$trace]}"
done

echo
echo "=== Summary"
echo "nproc: $(nproc)"
echo "median ratio zeltocov/wc: big trace ${ratio[big]}, small trace ${ratio[small]}"
echo "peak memory: big trace ${peak[big]} KB, small trace ${peak[small]} KB, difference $((peak[big] - peak[small])) KB"
