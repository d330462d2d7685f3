#!/usr/bin/env bash
# Doubling benchmark of the HTML report (-HTML): for each size the input is made
# at N and at 2N, and the time and peak memory of the run with -HTML are printed
# with their ratios (the goal: at most 2.2 times when the input doubles).
#
#   files   N and 2N FDC files of the synthetic model (bench/generate_coverage_data),
#           one trace of 8 tests over them: the index and one page per file
#   tests   N tests over 500 files, and the same trace twice over (2N tests, twice
#           the hits), -NOGLOBAL -SUMMARY=CONCLUSION: the tests page
#   lines   one source of N and 2N lines, an item on every fourth line, a trace
#           that hits half of them: its file page
#
# Times are wall seconds of the whole run (its user + system CPU in brackets),
# memory the peak resident size, both from GNU time; the size of the largest page
# is printed too. The run without -HTML is printed beside for the files and tests.
# Each page is synced to the disk as it is written: on a slow or busy disk the wall
# time of many pages is mostly waiting, and the CPU time tells the cost better (or
# put the sites on a memory file system with ZELTOCOV_HTML_SITES=/dev/shm/...).
#
# Usage: bench/html-scaling.sh [files|tests|lines ...]   (default: all three)
# Environment (all optional):
#   ZELTOCOV_BIN           the zeltocov binary (default: the Release build of
#                          bench-data.sh, built if needed)
#   ZELTOCOV_GENERATOR     the generator (default: the one of that build)
#   ZELTOCOV_HTML_SCALING  where the inputs go (default /tmp/zeltocov-html-scaling)
#   ZELTOCOV_HTML_SITES    where each site is written, then removed (default: the same)
#   ZELTOCOV_HTML_FILES    N for files (default 10000)
#   ZELTOCOV_HTML_TESTS    N for tests (default 2000)
#   ZELTOCOV_HTML_LINES    N for lines (default 1000000)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=bench/bench-data.sh
source "$root/bench/bench-data.sh"
work=${ZELTOCOV_HTML_SCALING:-/tmp/zeltocov-html-scaling}
files_n=${ZELTOCOV_HTML_FILES:-10000}
tests_n=${ZELTOCOV_HTML_TESTS:-2000}
lines_n=${ZELTOCOV_HTML_LINES:-1000000}

if [[ -z "${ZELTOCOV_BIN:-}" || -z "${ZELTOCOV_GENERATOR:-}" ]]; then
  ensure_build
fi
zeltocov=${ZELTOCOV_BIN:-$build/install/bin/zeltocov}
generator=${ZELTOCOV_GENERATOR:-$generator}
sites=${ZELTOCOV_HTML_SITES:-$work}
velmora=$work/velmora
mkdir -p "$velmora/lib/locale"
export VELMORADIR=$velmora SOURCE_DATE_EPOCH=1700000000 TZ=UTC LANG=C
unset ZELTOCOV_LAN ZELTO_TPM_ROOT ZELTO_TPM_USER

# "seconds cpu kilobytes" of one run of the arguments, in directory $1.
measure() {
  local dir=$1
  shift
  (cd "$dir" && /usr/bin/time -o time.txt -f "%e %U %S %M" "$zeltocov" "$@" >/dev/null 2>&1) ||
    { echo "zeltocov failed in $dir: $*" >&2; return 1; }
  awk '{ printf "%.2f %.2f %d\n", $1, $2 + $3, $4 }' "$dir/time.txt"
}

# Runs the arguments with -HTML=<a new site>, prints one size's line and keeps its
# figures in $last; the site is removed after.
last=""
report() {
  local label=$1 dir=$2
  shift 2
  local site=$sites/site-html-scaling figures largest
  rm -rf "$site"
  figures=$(measure "$dir" "$@" -HTML="$site")
  largest=$(ls -S "$site" | sed -n 1p)
  read -r wall cpu kb <<<"$figures"
  printf '  %-26s %7.2f s (CPU %6.2f s)  peak %8d KB  %5d pages, largest %s %d KB\n' "$label" \
    "$wall" "$cpu" "$kb" "$(ls "$site" | wc -l)" "$largest" \
    $(($(stat -c %s "$site/$largest") / 1024))
  if [[ -f "$site/tests.html" ]]; then
    echo "    tests.html: $(grep -o '<a href="[0-9]' "$site/tests.html" | wc -l) (test, file) pairs hit," \
      "$(stat -c %s "$site/tests.html") bytes"
  fi
  rm -rf "$site"
  last=$figures
}

ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, " "); split(b, y, " ");
    printf "  ratio 2N/N: time %.2fx, CPU %.2fx, peak memory %.2fx\n",
      y[1] / (x[1] > 0 ? x[1] : 0.01), y[2] / (x[2] > 0 ? x[2] : 0.01), y[3] / x[3] }'
}

scale_files() {
  echo "== files: $files_n and $((files_n * 2)) source files, 8 tests"
  local n first
  for n in "$files_n" $((files_n * 2)); do
    local dir=$work/files$n
    if [[ ! -f "$dir/trace.tio" ]]; then
      rm -rf "$dir" && mkdir -p "$dir"
      "$generator" --out "$dir" --files "$n" --seed "$seed" --fdc --trace trace.tio \
        --size $((n * 2000)) --tests 8 >/dev/null
    fi
    local without
    without=$(measure "$dir" fdc/*.fdc trace.tio -OUTPUT=report.txt)
    echo "  $n files, without -HTML: $without (wall s, CPU s, peak KB)"
    report "$n files, -HTML" "$dir" fdc/*.fdc trace.tio -OUTPUT=report.txt
    if [[ -z "${first:-}" ]]; then first=$last; else ratio "$first" "$last"; fi
  done
}

scale_tests() {
  echo "== tests: $tests_n and $((tests_n * 2)) tests over 500 files, -NOGLOBAL"
  local dir=$work/tests$tests_n
  if [[ ! -f "$dir/trace2.tio" ]]; then
    rm -rf "$dir" && mkdir -p "$dir"
    "$generator" --out "$dir" --files 500 --seed "$seed" --fdc --trace trace1.tio \
      --size $((tests_n * 4000)) --tests "$tests_n" >/dev/null
    # The same tests again under other names: twice the tests and the hits.
    { cat "$dir/trace1.tio"; sed 's/^NT "/NT "again /' "$dir/trace1.tio"; } >"$dir/trace2.tio"
  fi
  local k first
  for k in 1 2; do
    local without
    without=$(measure "$dir" fdc/*.fdc trace$k.tio -NOGLOBAL -SUMMARY=CONCLUSION -OUTPUT=/dev/null)
    echo "  $((tests_n * k)) tests, without -HTML: $without (wall s, CPU s, peak KB)"
    report "$((tests_n * k)) tests, -HTML" "$dir" fdc/*.fdc trace$k.tio -NOGLOBAL \
      -SUMMARY=CONCLUSION -OUTPUT=/dev/null
    if [[ -z "${first:-}" ]]; then first=$last; else ratio "$first" "$last"; fi
  done
}

scale_lines() {
  echo "== lines: one source of $lines_n and $((lines_n * 2)) lines"
  local n first
  for n in "$lines_n" $((lines_n * 2)); do
    local dir=$work/lines$n
    if [[ ! -f "$dir/big.tio" ]]; then
      rm -rf "$dir" && mkdir -p "$dir"
      awk -v n="$n" 'BEGIN { for (i = 1; i <= n; ++i) printf "  statement_%d(argument, %d);\n", i, i * 7 }' \
        >"$dir/big.c"
      # One function per 400 lines; a simple block on every fourth line.
      awk -v n="$n" 'BEGIN {
        print "VE 3.0e T"; print "FC \"big.c\" \".\""; print "FD 0"; print "TC PR BS"
        block = 0
        for (s = 0; s * 400 < n; ++s) {
          first = s * 400 + 1; last = first + 399 > n ? n : first + 399
          printf "PR %d proc \"f%d\" %d %d\n", s, s, first, last
          for (l = first; l <= last; l += 4) printf "BL %d simple \"f%d\" b %d %d\n", block++, s, l, l
        }
        print "DC 1409286145 1" }' >"$dir/big.fdc"
      awk -v n="$n" 'function rhex(v,   t, r, i) {
          t = sprintf("%x", v); r = ""
          for (i = length(t); i > 0; --i) r = r substr(t, i, 1)
          return r }
        BEGIN { print "NT \"t\""; print "FT 1"; print "DC 1"
          for (b = 0; b * 4 < n; b += 2) print "TB " rhex(b) }' >"$dir/big.tio"
    fi
    local without
    without=$(measure "$dir" big.fdc big.tio -OUTPUT=report.txt)
    echo "  $n lines, without -HTML: $without (wall s, CPU s, peak KB)"
    report "$n lines, -HTML" "$dir" big.fdc big.tio -OUTPUT=report.txt
    if [[ -z "${first:-}" ]]; then first=$last; else ratio "$first" "$last"; fi
  done
}

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo '?')," \
  "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) CPUs," \
  "load $(cut -d' ' -f1-3 /proc/loadavg)"
mkdir -p "$work" "$sites"
for what in "${@:-files tests lines}"; do
  for one in $what; do
    case $one in
    files) scale_files ;;
    tests) scale_tests ;;
    lines) scale_lines ;;
    *) echo "unknown size $one (files, tests or lines)" >&2; exit 2 ;;
    esac
  done
done
