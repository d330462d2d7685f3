#!/usr/bin/env bash
# Doubling benchmarks: each case runs on an input of size N and on one of size 2N, in
# paired rounds (N, then 2N), and prints the median CPU time (user + system) and wall time
# of each, and the median of the per-round ratios 2N / N. A cost that follows its input
# gives a ratio near 2; a quadratic step gives a ratio near 4.
#
#   bash bench/run-doubling-benchmark.sh [CASE...]      # default: every case
#
# Cases:
#   tests      a trace of N tests (no hits) with -NOGLOBAL -SUMMARY=CONCLUSION and -TEST
#              lists naming every one of them (in an argument file)
#   services   a model of 1,000 services and a -SERVICE list of N names, 1,000 of them
#              services of the model
#   listing    N source files of 40 lines, one FDC file each (a service, 12 blocks), a
#              trace hitting every file; the run with -LISTING (and, beside it, without)
#
# Environment (all optional):
#   ZELTOCOV_DOUBLING_DIR   where the data goes (default /tmp/zeltocov-doubling-bench)
#   ZELTOCOV_BENCH_RUNS     counted rounds (default 5, after one warm-up round)
#   ZELTOCOV_NAMES          N of the tests and services cases (default 40000)
#   ZELTOCOV_FILES          N of the listing case (default 5000)
#   ZELTOCOV_BIN            a zeltocov binary to time (default: the Release build made by
#                           bench-data.sh); VELMORADIR must then be set as it needs
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=${ZELTOCOV_DOUBLING_DIR:-/tmp/zeltocov-doubling-bench}
runs=${ZELTOCOV_BENCH_RUNS:-5}
names=${ZELTOCOV_NAMES:-40000}
files=${ZELTOCOV_FILES:-5000}

bash "$root/scripts/install-deps.sh" time
if [[ -n "${ZELTOCOV_BIN:-}" ]]; then
  zeltocov=$ZELTOCOV_BIN
else
  # shellcheck source=bench/bench-data.sh
  source "$root/bench/bench-data.sh"
  ensure_build
  export VELMORADIR="$build/install"
  zeltocov="$build/install/bin/zeltocov"
fi
export LANG=C LC_ALL=C SOURCE_DATE_EPOCH=1700000000
unset ZELTOCOV_LAN ZELTO_TPM_ROOT

mkdir -p "$work"
cd "$work"

# Reversed hexadecimal, as the trace writes its numbers.
rhex_awk='function rhex(v,   t, r, i) {
  t = sprintf("%x", v); r = ""
  for (i = length(t); i > 0; --i) r = r substr(t, i, 1)
  return r
}'

# tests/N: trace.tio with N tests and tests.args, the -TEST list of their names.
make_tests() {
  local dir=tests/$1 count=$1
  [[ -f $dir/done ]] && return
  mkdir -p "$dir"
  awk -v n="$count" 'BEGIN { for (i = 0; i < n; ++i) printf "NT \"test_%d\"\nDT 0\n", i }' \
    >"$dir/trace.tio"
  # An argument file's word is at most 64 KiB: one -TEST option per 4,000 names.
  awk -v n="$count" 'BEGIN { for (i = 0; i < n; ++i) printf "%stest_%d", i % 4000 ? "," : (i ? "\n-TEST=" : "-TEST="), i; print "" }' \
    >"$dir/tests.args"
  printf 'VE 3.0e T\nFC "one.c" "."\nFD 0\nTC PR\nPR 0 proc "f" 1 1\nDC 1409286145 1\n' >"$dir/one.fdc"
  touch "$dir/done"
}

# model.fdc (1,000 services, a block each) and services/N/services.args, the -SERVICE list.
make_services() {
  local dir=services/$1 count=$1
  [[ -f $dir/done ]] && return
  mkdir -p "$dir"
  awk 'BEGIN {
    print "VE 3.0e T"; print "FC \"model.c\" \".\""; print "FD 0"; print "TC PR BS"
    for (s = 0; s < 1000; ++s) {
      printf "PR %d proc \"service_%d\" %d %d\n", 2 * s, s, 4 * s + 1, 4 * s + 1
      printf "BL %d simple \"service_%d\" b %d %d\n", s, s, 4 * s + 2, 4 * s + 2
      printf "PR %d endproc \"service_%d\" %d %d\n", 2 * s + 1, s, 4 * s + 3, 4 * s + 3
    }
    print "DC 1409286145 1"
  }' >"$dir/model.fdc"
  awk "$rhex_awk"'BEGIN { print "NT \"t\""; print "FT 1"; print "DC 1"
    for (s = 0; s < 1000; s += 2) { print "TP " rhex(2 * s); print "TB " rhex(s) } }' \
    >"$dir/trace.tio"
  awk -v n="$count" 'BEGIN { for (i = 0; i < n; ++i) printf "%sservice_%d", i % 4000 ? "," : (i ? "\n-SERVICE=" : "-SERVICE="), i; print "" }' \
    >"$dir/services.args"
  touch "$dir/done"
}

# listing/N: N sources fI.c with their FDC files, and a trace hitting each.
make_listing() {
  local dir=listing/$1 count=$1
  [[ -f $dir/done ]] && return
  rm -rf "$dir"
  mkdir -p "$dir/src" "$dir/fdc"
  awk -v n="$count" -v dir="$dir" 'BEGIN {
    for (f = 0; f < n; ++f) {
      source = dir "/src/f" f ".c"; fdc = dir "/fdc/f" f ".fdc"
      for (l = 1; l <= 40; ++l) printf "  statement_%d_%d(argument);\n", f, l > source
      close(source)
      print "VE 3.0e T" > fdc; printf "FC \"f%d.c\" \"src\"\n", f > fdc
      print "FD 0" > fdc; print "TC PR BS" > fdc
      printf "PR 0 proc \"function_%d\" 1 1\n", f > fdc
      for (b = 0; b < 12; ++b) printf "BL %d simple \"function_%d\" b%d %d %d\n", b, f, b, 2 + 3 * b, 3 + 3 * b > fdc
      printf "PR 1 endproc \"function_%d\" 39 39\n", f > fdc
      printf "DC 1409286145 %d\n", f + 1 > fdc
      close(fdc)
    }
  }'
  awk -v n="$count" "$rhex_awk"'BEGIN { print "NT \"t\""
    for (f = 0; f < n; ++f) {
      print "FT " rhex(f + 1); print "DC 1"; print "TP 0"
      for (b = f % 2; b < 12; b += 2) print "TB " rhex(b)
    } }' >"$dir/trace.tio"
  touch "$dir/done"
}

# CPU seconds (user + system) and wall seconds of one command line, run in folder $1.
measure() {
  local dir=$1 line=$2 start end
  start=$EPOCHREALTIME
  # shellcheck disable=SC2086 # the line's words and patterns are meant to be expanded
  if ! (cd "$dir" && /usr/bin/time -f "%U %S" -o "$work/time" $line >"$work/stdout" 2>"$work/stderr"); then
    echo "failed: $line" >&2
    tail -5 "$work/stderr" >&2
    exit 1
  fi
  end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" '{ printf "%.4f %.4f\n", $1 + $2, b - a }' "$work/time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Times one case: label, N, then a function that prints the command for a size.
time_case() {
  local label=$1 n=$2 command=$3
  local rounds=$work/rounds-$label
  : >"$rounds"
  local small large
  small=$($command "$n")
  large=$($command $((2 * n)))
  for ((round = 0; round <= runs; ++round)); do
    local a b
    a=$(measure "${small%%|*}" "${small#*|}")
    b=$(measure "${large%%|*}" "${large#*|}")
    ((round == 0)) && continue
    echo "$a $b" >>"$rounds"
  done
  printf '| %s | %s | %.3f s (%.3f s) | %.3f s (%.3f s) | %.2f | %.2f |\n' "$label" "$n" \
    "$(cut -d' ' -f1 "$rounds" | median)" "$(cut -d' ' -f2 "$rounds" | median)" \
    "$(cut -d' ' -f3 "$rounds" | median)" "$(cut -d' ' -f4 "$rounds" | median)" \
    "$(awk '{ printf "%.4f\n", $3 / $1 }' "$rounds" | median)" \
    "$(awk '{ printf "%.4f\n", $4 / $2 }' "$rounds" | median)"
}

# The commands: the folder to run in, "|", then the command line (its patterns are
# expanded in that folder).
tests_command() {
  make_tests "$1"
  echo "tests/$1|$zeltocov one.fdc trace.tio -NOGLOBAL -SUMMARY=CONCLUSION @tests.args -OUTPUT=report.txt"
}
services_command() {
  make_services "$1"
  echo "services/$1|$zeltocov model.fdc trace.tio @services.args -OUTPUT=report.txt"
}
listing_command() {
  make_listing "$1"
  echo "listing/$1|$zeltocov fdc/*.fdc trace.tio -LISTING -OUTPUT=report.txt"
}
nolisting_command() {
  make_listing "$1"
  echo "listing/$1|$zeltocov fdc/*.fdc trace.tio -OUTPUT=report.txt"
}

selected() {
  local label=$1
  shift
  (($# == 0)) && return 0
  for wanted in "$@"; do [[ $wanted == "$label" ]] && return 0; done
  return 1
}

echo "nproc: $(nproc); CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '\n| case | N | N: CPU (wall) | 2N: CPU (wall) | CPU 2N / N | wall 2N / N |\n'
printf '|---|---|---|---|---|---|\n'
selected tests "$@" && time_case tests "$names" tests_command
selected services "$@" && time_case services "$names" services_command
if selected listing "$@"; then
  time_case listing "$files" listing_command
  time_case listing-off "$files" nolisting_command
fi
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
