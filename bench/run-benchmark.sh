#!/usr/bin/env bash
# Times zeltocov in every mode against `wc -l` on the same traces, in paired runs:
# each round runs `wc -l`, then (for a mode other than the default report) the
# default report, then the mode, so that the ratios are taken between runs made
# side by side while the machine's speed drifts. Prints, per mode, the median wall
# times, the median of the per-round ratios to `wc -l` and to the default run, and
# zeltocov's peak memory.
#
#   bash bench/run-benchmark.sh [LABEL...]
#
# With labels, only those modes run. The data is made by bench-data.sh (see there
# for its environment). Also:
#   ZELTOCOV_BENCH_RUNS   counted rounds per mode (default 5), after one warm-up round
#   ZELTOCOV_BIN_DIR      an install directory (bin/zeltocov) to time instead of
#                         the Release build of this tree
# Wall times are taken with bash's EPOCHREALTIME around /usr/bin/time, which gives
# the CPU times and the peak memory.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=bench/bench-data.sh
source "$root/bench/bench-data.sh"
runs=${ZELTOCOV_BENCH_RUNS:-5}

# /usr/bin/time (package "time") measures the CPU times and the peak memory.
bash "$root/scripts/install-deps.sh" time
if [[ -n "${ZELTOCOV_BIN_DIR:-}" ]]; then
  install=$(cd "$ZELTOCOV_BIN_DIR" && pwd)
else
  ensure_build
  install="$build/install"
fi
ensure_data
# The SQLite-derived trace, where the real data is (the sqlite mode is left out otherwise).
haveSqlite=0
ensure_sqlite_data && haveSqlite=1
export VELMORADIR="$install"
zeltocov="$install/bin/zeltocov"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

flags=$(grep -m1 '^flags' /proc/cpuinfo | tr ' ' '\n' |
  grep -xE 'sse2|avx2|bmi2|avx512f|avx512bw|avx512vbmi|avx512_vbmi2|popcnt' | tr '\n' ' ' || true)
# The scan path zeltocov chooses (without AVX2, the plain byte loop).
scan=plain
[[ " $flags " == *" avx2 "* ]] && scan=AVX2
[[ " $flags " == *" avx512f "* && " $flags " == *" avx512bw "* && " $flags " == *" bmi2 "* ]] &&
  scan=AVX-512
[[ $scan == AVX-512 && " $flags " == *" avx512vbmi "* && " $flags " == *" avx512_vbmi2 "* &&
  " $flags " == *" popcnt "* ]] && scan="AVX-512 VBMI2"
echo "nproc: $(nproc); CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "CPU flags used: ${flags:-none} (hit line scan: $scan)"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

fdcs=("$data"/fdc/*.fdc)
fdcs5000=("$data"/model5000/fdc/*.fdc)
fdcsAmalgam=("$data"/amalgam/fdc/*.fdc)
splits=("$data"/split500/*.tio)
fdcsSqlite=()
((haveSqlite)) && fdcsSqlite=("$data"/sqlite/fdc/*.fdc)

# label | model (500, 5000, amalgam or sqlite) | traces | options (OUT stands for a scratch directory,
# under $TMPDIR; flow-file writes there a path trace of about 5.7 times the trace)
modes=(
  "default|500|$data/big.tio|"
  "noglobal|500|$data/big.tio|-NOGLOBAL"
  "clean|500|$data/big.tio|-CLEAN=OUT/clean.tio"
  "clean-merged|500|$data/big.tio|-CLEAN=OUT/clean.tio -MERGETESTS"
  "cio|500|$data/big.tio|-CIO=OUT/run.cio"
  "flow|500|$data/big.tio|-FLOW=/dev/null"
  "flow-file|500|$data/big.tio|-FLOW=OUT/flow.txt"
  "small|500|$data/small.tio|"
  "tests2000|500|$data/tests.tio|"
  "tests2000-noglobal|500|$data/tests.tio|-NOGLOBAL -SUMMARY=CONCLUSION"
  "tests10k-noglobal|500|$data/tests10k.tio|-NOGLOBAL -SUMMARY=CONCLUSION"
  "files500|500|${splits[*]}|"
  "model5000|5000|$data/model5000/big.tio|"
  "fdc5000|5000||"
  "amalgam|amalgam|$data/amalgam/big.tio|"
  "amalgam-noglobal|amalgam|$data/amalgam/big.tio|-NOGLOBAL"
  "sqlite|sqlite|$data/sqlite/big.tio|"
)

# Wall seconds, user and system CPU seconds and peak KB of one command.
measure() {
  local start end
  start=$EPOCHREALTIME
  if ! /usr/bin/time -f "%U %S %M" -o "$work/time" "$@" >"$work/stdout" 2>"$work/stderr"; then
    echo "failed: $*" >&2
    cat "$work/stderr" >&2
    exit 1
  fi
  end=$EPOCHREALTIME
  echo "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }') $(cat "$work/time")"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Whether a mode is among the labels given (all are when none is).
selected() {
  local label=$1
  shift
  (($# == 0)) && return 0
  for wanted in "$@"; do [[ $wanted == "$label" ]] && return 0; done
  return 1
}

printf '\n| mode | wc -l (s) | default (s) | zeltocov (s) | / wc -l | / default | peak (MB) |\n'
printf '|---|---|---|---|---|---|---|\n'
for entry in "${modes[@]}"; do
  IFS='|' read -r label model traces options <<<"$entry"
  selected "$label" "$@" || continue
  models=("${fdcs[@]}")
  [[ $model == 5000 ]] && models=("${fdcs5000[@]}")
  [[ $model == amalgam ]] && models=("${fdcsAmalgam[@]}")
  if [[ $model == sqlite ]]; then
    if ((!haveSqlite)); then
      printf '| %s | SKIPPED: no real data (see bench-data.sh) | | | | | |\n' "$label"
      continue
    fi
    models=("${fdcsSqlite[@]}")
  fi
  read -r -a traceFiles <<<"$traces"
  read -r -a extra <<<"${options//OUT/$work}"
  run=("$zeltocov" "${models[@]}" "${traceFiles[@]}" "-OUTPUT=$work/report.txt" "${extra[@]}")
  plain=("$zeltocov" "${models[@]}" "${traceFiles[@]}" "-OUTPUT=$work/report.txt")
  # Without a trace, wc -l reads the FDC files instead.
  if ((${#traceFiles[@]})); then count=(wc -l "${traceFiles[@]}"); else count=(wc -l "${models[@]}"); fi
  withDefault=1
  [[ -z $options ]] && withDefault=0
  : >"$work/rounds"
  for ((round = 0; round <= runs; ++round)); do
    read -r wcWall _ _ _ < <(measure "${count[@]}")
    defaultWall=0
    if ((withDefault)); then read -r defaultWall _ _ _ < <(measure "${plain[@]}"); fi
    read -r wall _ _ peak < <(measure "${run[@]}")
    # Round 0 warms the page cache up and is not counted.
    ((round == 0)) && continue
    echo "$wcWall $defaultWall $wall $peak" >>"$work/rounds"
  done
  wcMedian=$(cut -d' ' -f1 "$work/rounds" | median)
  defaultMedian=$(cut -d' ' -f2 "$work/rounds" | median)
  wallMedian=$(cut -d' ' -f3 "$work/rounds" | median)
  peakMax=$(cut -d' ' -f4 "$work/rounds" | sort -g | tail -1)
  toWc=$(awk '{ printf "%.4f\n", $3 / $1 }' "$work/rounds" | median)
  toDefault="-"
  if ((withDefault)); then toDefault=$(awk '{ printf "%.4f\n", $3 / $2 }' "$work/rounds" | median); fi
  printf '| %s | %.3f | %s | %.3f | %.2f | %s | %.1f |\n' "$label" "$wcMedian" \
    "$( ((withDefault)) && printf '%.3f' "$defaultMedian" || echo -)" "$wallMedian" "$toWc" \
    "$( [[ $toDefault == - ]] && echo - || printf '%.2f' "$toDefault")" \
    "$(awk -v k="$peakMax" 'BEGIN { printf "%.1f", k / 1024 }')"
done
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
