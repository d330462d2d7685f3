#!/usr/bin/env bash
# Doubling benchmark of the measure database: the CPU time that the measures of a
# run of N selected files cost, for N, 2N and 4N files, with the ratio of each to
# the one before (linear: 2.0). Each run is timed on a database that already holds
# a run of the same files (every key measured again, the steady state of a
# project), and the same run without ZELTO_TPM_ROOT is subtracted, so that what
# is left is the measures alone.
#
# Usage: bench/measures-scaling.sh [N]      (N defaults to 20000)
# Environment (all optional):
#   ZELTOCOV_BENCH_DIR   where the data goes (default /tmp/zeltocov-measures-bench)
#   ZELTOCOV_BENCH_RUNS  timed runs of each command, the least CPU time kept (default 3)
#   ZELTOCOV_BIN         a zeltocov binary to time (default: a Release build made here);
#                        VELMORADIR must then be set as that binary needs it
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
data=${ZELTOCOV_BENCH_DIR:-/tmp/zeltocov-measures-bench}
runs=${ZELTOCOV_BENCH_RUNS:-3}
base=${1:-20000}

if [[ -n "${ZELTOCOV_BIN:-}" ]]; then
  zeltocov=$ZELTOCOV_BIN
else
  build="$root/build-release"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELTOCOV_BUILD_TESTS=OFF \
    -DZELTOCOV_SANITIZE=OFF >/dev/null
  cmake --build "$build" --target zeltocov
  cmake --install "$build" --prefix "$build/install" >/dev/null
  export VELMORADIR="$build/install"
  zeltocov="$build/install/bin/zeltocov"
fi

rm -rf "$data"
mkdir -p "$data"
cd "$data"

# The least CPU time (user + system, seconds) of $runs runs of a command.
cpu_of() {
  local best="" t
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -o "$data/time" -f "%U %S" "$@" >/dev/null 2>&1
    t=$(tail -1 "$data/time" | awk '{ printf "%.3f", $1 + $2 }')
    if [[ -z $best ]] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}

printf "%8s  %12s  %12s  %12s  %s\n" files "with (s)" "without (s)" "measures (s)" "ratio"
previous=""
for n in $base $((2 * base)) $((4 * base)); do
  rm -rf fdc tpm
  mkdir -p fdc tpm/Coverage
  # One source file of one function per FDC file, each of its own key.
  awk -v n="$n" 'BEGIN {
    for (i = 1; i <= n; i++) {
      name = sprintf("fdc/f%06d.fdc", i)
      printf "VE 3.0e T\nFC \"f%d.c\" \"/src\"\nFD 0\nTC PR\nPR 0 proc \"f\" 1 2\n", i >name
      printf "DC %d %d\n", 1409286144 + i, i >name
      close(name)
    }
  }'
  # The database holds one run of these files already.
  env ZELTO_TPM_ROOT="$data/tpm" ZELTO_TPM_USER=bench "$zeltocov" "fdc/*.fdc" -OUTPUT=/dev/null \
    >/dev/null 2>&1
  with=$(cpu_of env ZELTO_TPM_ROOT="$data/tpm" ZELTO_TPM_USER=bench "$zeltocov" "fdc/*.fdc" \
    -OUTPUT=/dev/null)
  without=$(cpu_of env -u ZELTO_TPM_ROOT "$zeltocov" "fdc/*.fdc" -OUTPUT=/dev/null)
  measures=$(awk -v a="$with" -v b="$without" 'BEGIN { d = a - b; printf "%.3f", d < 0 ? 0 : d }')
  ratio=""
  if [[ -n $previous ]]; then
    ratio=$(awk -v a="$measures" -v b="$previous" 'BEGIN { if (b > 0) printf "%.2f", a / b }')
  fi
  printf "%8d  %12s  %12s  %12s  %s\n" "$n" "$with" "$without" "$measures" "$ratio"
  previous=$measures
done
