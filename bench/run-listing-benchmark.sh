#!/usr/bin/env bash
# Times the annotated listing (-LISTING) of one large source: a source of 100,000
# lines whose FDC file describes 50,000 branches in 1,000 services (per service one
# entry, 25 simple blocks and 12 basic conditions of two outcomes), with a trace
# that hits every other block and every third condition outcome, so that most
# instrumented lines carry annotation lines.
#
# The same run is timed with and without -LISTING; the difference is the time of
# the listing itself.
#
# Environment (all optional):
#   ZELTOCOV_BENCH_DIR   where the data and outputs go (default /tmp/zeltocov-listing-bench)
#   ZELTOCOV_BENCH_RUNS  timed runs of each command (default 7)
#   ZELTOCOV_BIN         a zeltocov binary to time (default: a Release build made here);
#                        VELMORADIR must then be set as that binary needs it
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
data=${ZELTOCOV_BENCH_DIR:-/tmp/zeltocov-listing-bench}
runs=${ZELTOCOV_BENCH_RUNS:-7}

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

mkdir -p "$data"
cd "$data"
services=1000
lines_per_service=100

# The source: one statement per line.
awk -v n=$((services * lines_per_service)) \
  'BEGIN { for (i = 1; i <= n; ++i) printf "  statement_%d(argument, %d);\n", i, i * 7 }' >big.c

# The FDC file. In service s (lines 100s+1 to 100s+100): the entry on its first
# line, block b on line 100s+2+2b, condition c on line 100s+52+4c.
awk -v services=$services -v span=$lines_per_service 'BEGIN {
  print "VE 3.0e T"
  print "FC \"big.c\" \".\""
  print "FD 0"
  print "TC PR BS CO"
  block = 0; condition = 0
  for (s = 0; s < services; ++s) {
    first = s * span + 1
    printf "PR %d proc \"s%d\" %d %d\n", s, s, first, first
    for (b = 0; b < 25; ++b) {
      line = first + 1 + 2 * b
      printf "BL %d simple \"s%d\" b%d %d %d\n", block++, s, b, line, line
    }
    for (c = 0; c < 12; ++c) {
      line = first + 51 + 4 * c
      printf "CE %d \"s%d\" \"x%d > %d\" %d %d\n", condition, s, c, s, line, line
      condition += 2
    }
  }
  print "DC 1409286145 1"
}' >big.fdc

# The trace; numbers are hexadecimal with the least significant digit first.
awk -v services=$services 'function rhex(v,   t, r, i) {
    t = sprintf("%x", v); r = ""
    for (i = length(t); i > 0; --i) r = r substr(t, i, 1)
    return r
  }
  BEGIN {
    print "NT \"t\""; print "FT 1"; print "DC 1"
    for (s = 0; s < services; s += 2) print "TP " rhex(s)
    for (b = 0; b < services * 25; b += 2) print "TB " rhex(b)
    for (c = 0; c < services * 24; c += 3) print "TE " rhex(c)
  }' >big.tio

branches=$(grep -c '^PR\|^BL' big.fdc)
branches=$((branches + 2 * $(grep -c '^CE' big.fdc)))
echo "source: $(wc -l <big.c) lines; FDC: $branches branches; trace: $(wc -l <big.tio) lines"

with=("$zeltocov" big.fdc big.tio -OUTPUT=report.txt -LISTING)
without=("$zeltocov" big.fdc big.tio -OUTPUT=report.txt)
# One checked run first: a failing program would make the timings meaningless.
if ! "${with[@]}" 2>stderr.txt; then
  cat stderr.txt >&2
  exit 1
fi
echo "listing: $(wc -l <big.c.lsc) lines, $(grep -c '^\*\*\*\*\*' big.c.lsc) annotation lines"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Median wall time in seconds over $runs runs after one warm-up run.
time_command() {
  local TIMEFORMAT=%R
  "$@" >/dev/null 2>&1
  for ((i = 0; i < runs; ++i)); do
    { time "$@" >/dev/null 2>&1; } 2>&1
  done | median
}

with_time=$(time_command "${with[@]}")
without_time=$(time_command "${without[@]}")
echo "median wall time over $runs runs: with -LISTING ${with_time} s, without ${without_time} s"
echo "listing alone: $(awk -v a="$with_time" -v b="$without_time" 'BEGIN { printf "%.3f", a - b }') s"
