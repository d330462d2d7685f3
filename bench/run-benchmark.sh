#!/usr/bin/env bash
# Times zeltocov against `wc -l` on generated traces of the same coverage model, and
# reports zeltocov's peak memory.
#
#   bash bench/run-benchmark.sh           the report alone against `wc -l`
#   bash bench/run-benchmark.sh --flow    the path trace (-FLOW): the report with and
#                                         without it, its output to /dev/null and to a
#                                         file, against the report alone and `wc -l`
#
# Environment (all optional):
#   ZELTOCOV_BENCH_DIR    where the data and outputs go (default /tmp/zeltocov-bench)
#   ZELTOCOV_BENCH_FILES  number of source files of the model (default 500)
#   ZELTOCOV_BENCH_BIG    size in bytes of the large trace (default 1000000000, 1 GB)
#   ZELTOCOV_BENCH_SMALL  size in bytes of the small trace (default 100000000, 100 MB)
#   ZELTOCOV_BENCH_RUNS   timed runs of each command (default 5)
#   ZELTOCOV_BENCH_SEED   seed of the generator (default 20240601)
#   ZELTOCOV_BENCH_NO_HYPERFINE=1  time with a loop of /usr/bin/time even if hyperfine is there
#   ZELTOCOV_BENCH_FLOW_DIR  --flow: where the path trace file goes (default /tmp; it is
#                            about 5.7 times the size of the trace, and deleted at the end)
set -euo pipefail

mode=report
case "${1:-}" in
"") ;;
--flow) mode=flow ;;
*)
  echo "usage: $0 [--flow]" >&2
  exit 2
  ;;
esac

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
data=${ZELTOCOV_BENCH_DIR:-/tmp/zeltocov-bench}
files=${ZELTOCOV_BENCH_FILES:-500}
big=${ZELTOCOV_BENCH_BIG:-1000000000}
small=${ZELTOCOV_BENCH_SMALL:-100000000}
runs=${ZELTOCOV_BENCH_RUNS:-5}
seed=${ZELTOCOV_BENCH_SEED:-20240601}
flow_dir=${ZELTOCOV_BENCH_FLOW_DIR:-/tmp}

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
if [[ $mode == flow ]]; then
  # The path trace of the large trace, one at a time.
  mkdir -p "$flow_dir"
  flow_need_kb=$((big / 1024 * 6 + 100 * 1024))
  flow_avail_kb=$(df -Pk "$flow_dir" | awk 'NR == 2 { print $4 }')
  if ((flow_avail_kb < flow_need_kb)); then
    echo "Not enough free space under $flow_dir: ${flow_avail_kb} KB free, ${flow_need_kb} KB needed" >&2
    exit 1
  fi
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

# --flow: the report with and without the path trace, for each trace.
flow_benchmark() {
  local trace=$1
  local tio="$data/$trace.tio"
  local report="$data/report-$trace.txt"
  local flow_file="$flow_dir/zeltocov-bench-flow-$trace.txt"
  local run=("$zeltocov" "${fdcs[@]}" "$tio" "-OUTPUT=$report")
  echo
  echo "=== $trace trace: $(du -h "$tio" | cut -f1), $(wc -l <"$tio") lines"
  if ! "${run[@]}" "-FLOW=$flow_file" 2>"$data/stderr-$trace.txt"; then
    echo "zeltocov -FLOW failed on $tio:" >&2
    cat "$data/stderr-$trace.txt" >&2
    rm -f "$flow_file"
    exit 1
  fi
  local flow_bytes flow_lines
  flow_bytes=$(stat -c %s "$flow_file")
  flow_lines=$(wc -l <"$flow_file")
  echo "path trace: $flow_bytes bytes, $flow_lines lines"
  echo "zeltocov -FLOW peak memory: $(peak_memory "${run[@]}" -FLOW=/dev/null) KB"
  echo "load average before timing: $(cut -d' ' -f1-3 /proc/loadavg)"
  local wc_time wc_user zc_time zc_user null_time null_user file_time file_user dd_time dd_user
  read -r wc_time wc_user < <(time_command "wc-l-$trace" wc -l "$tio")
  read -r zc_time zc_user < <(time_command "zeltocov-$trace" "${run[@]}")
  read -r null_time null_user < <(time_command "flow-null-$trace" "${run[@]}" -FLOW=/dev/null)
  read -r file_time file_user < <(time_command "flow-file-$trace" "${run[@]}" "-FLOW=$flow_file")
  # What writing as many bytes to a file costs on this machine, whoever writes them.
  read -r dd_time dd_user < <(time_command "write-$trace" dd if=/dev/zero "of=$flow_file" bs=1M \
    "count=$(((flow_bytes + 1048575) / 1048576))")
  rm -f "$flow_file"
  echo "median wall time: wc -l ${wc_time} s, report ${zc_time} s, report + -FLOW=/dev/null ${null_time} s, report + -FLOW=<file> ${file_time} s, writing ${flow_bytes} bytes with dd ${dd_time} s"
  echo "mean user CPU: wc -l ${wc_user} s, report ${zc_user} s, report + -FLOW=/dev/null ${null_user} s, report + -FLOW=<file> ${file_user} s"
  awk -v w="$wc_time" -v z="$zc_time" -v n="$null_time" -v f="$file_time" 'BEGIN {
    printf "path trace pass (difference of the medians): %.3f s to /dev/null, %.3f s to a file\n", n - z, f - z
    printf "path trace pass / report run: %.2f to /dev/null, %.2f to a file\n", (n - z) / z, (f - z) / z
    if (w > 0) printf "report + -FLOW=/dev/null / wc -l: %.2f\n", n / w
  }'
}

if [[ $mode == flow ]]; then
  for trace in big small; do
    flow_benchmark "$trace"
  done
  exit 0
fi

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
