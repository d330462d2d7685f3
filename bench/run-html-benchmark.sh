#!/usr/bin/env bash
# Measures the HTML report (-HTML) on two models:
#
# 1. A model of the size of a large C library built from one amalgamated source:
#    one source of 250,000 lines with 4,500 functions (per function an entry, 19
#    simple blocks, 3 calls and 6 basic conditions of two outcomes: 85,500 blocks),
#    and a trace that hits about half of it.
# 2. The benchmark model of run-benchmark.sh (500 FDC files; that script must have
#    generated the data first), with sources written for its files so that every
#    page shows its source, and its 100 MB trace.
#
# For each: the median wall time of the report with and without -HTML, the size of
# the site, and the wall and CPU time headless Chromium takes to open the index and
# the largest page (--dump-dom returns once the page is loaded, and writes its DOM;
# --screenshot once it is laid out and painted), less the times of an empty page.
# On a busy machine the CPU times vary much less than the wall times.
#
# Environment (all optional):
#   ZELTOCOV_BENCH_DIR   the data of run-benchmark.sh (default /tmp/zeltocov-bench)
#   ZELTOCOV_HTML_BENCH  where this script writes (default /tmp/zeltocov-html-bench)
#   ZELTOCOV_BENCH_RUNS  timed runs of each command (default 3)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
data=${ZELTOCOV_BENCH_DIR:-/tmp/zeltocov-bench}
work=${ZELTOCOV_HTML_BENCH:-/tmp/zeltocov-html-bench}
runs=${ZELTOCOV_BENCH_RUNS:-3}

build="$root/build-release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELTOCOV_BUILD_TESTS=OFF \
  -DZELTOCOV_SANITIZE=OFF >/dev/null
cmake --build "$build" --target zeltocov >/dev/null
cmake --install "$build" --prefix "$build/install" >/dev/null
export VELMORADIR="$build/install"
export SOURCE_DATE_EPOCH=1700000000
zeltocov="$build/install/bin/zeltocov"
browser=$(command -v chromium || command -v chromium-browser || true)

rm -rf "$work"
mkdir -p "$work"
cd "$work"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Median wall time in seconds over $runs runs after one warm-up run.
time_command() {
  local TIMEFORMAT=%R
  "$@" >/dev/null 2>&1
  for ((i = 0; i < runs; ++i)); do
    { time "$@" >/dev/null 2>&1; } 2>&1
  done | median
}

# Median wall and CPU (user + system) seconds of the browser on a URL: "wall cpu".
# The browser runs in one process so that the CPU time counts its page work too.
browser_times() {
  local what=$1 url=$2 profile walls=() cpus=()
  profile=$(mktemp -d)
  local mode=(--dump-dom)
  [[ $what == screenshot ]] && mode=(--screenshot="$profile/shot.png")
  for ((i = 0; i <= runs; ++i)); do
    /usr/bin/time -o "$profile/time" -f "%e %U %S" "$browser" --headless --no-sandbox \
      --single-process --disable-gpu --disable-quic --no-first-run \
      --disable-background-networking --disable-component-update --disable-sync \
      --user-data-dir="$profile/data" --window-size=1280,1400 "${mode[@]}" "$url" \
      >/dev/null 2>&1
    ((i == 0)) && continue # the warm-up
    read -r wall user system <"$profile/time"
    walls+=("$wall")
    cpus+=("$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')")
  done
  rm -rf "$profile"
  echo "$(printf '%s\n' "${walls[@]}" | median) $(printf '%s\n' "${cpus[@]}" | median)"
}

# The browser's times on a page less those on an empty page.
browse() {
  local what=$1 page=$2 page_times empty_times
  page_times=$(browser_times "$what" "file://$work/$page")
  empty_times=$(browser_times "$what" "file://$work/empty.html")
  awk -v p="$page_times" -v e="$empty_times" 'BEGIN {
    split(p, a, " "); split(e, b, " ")
    printf "%.2f s wall, %.2f s CPU", a[1] - b[1], a[2] - b[2] }'
}
printf '<!DOCTYPE html><html lang="en"><title>empty</title></html>\n' >empty.html

report_site() {
  local site=$1
  local largest
  largest=$(ls -S "$site" | grep -v '^index.html$' | head -1)
  echo "  site: $(ls "$site" | wc -l) pages, $(du -sk "$site" | cut -f1) KB;" \
    "index.html $(stat -c %s "$site/index.html") bytes;" \
    "largest file page $largest $(stat -c %s "$site/$largest") bytes"
  if [[ -n "$browser" ]]; then
    echo "  Chromium, index.html: loaded in $(browse dom "$site/index.html");" \
      "laid out and painted in $(browse screenshot "$site/index.html")"
    echo "  Chromium, $largest: loaded in $(browse dom "$site/$largest");" \
      "laid out and painted in $(browse screenshot "$site/$largest")"
  else
    echo "  (no Chromium: the browser times are not measured)"
  fi
}

time_report() {
  local name=$1
  shift
  local without with
  without=$(time_command "$zeltocov" "$@" -OUTPUT=report.txt)
  with=$(time_command "$zeltocov" "$@" -OUTPUT=report.txt -HTML="site-$name")
  echo "  median wall time over $runs runs: without -HTML $without s, with -HTML $with s" \
    "(the HTML report: $(awk -v a="$with" -v b="$without" 'BEGIN { printf "%.3f", a - b }') s)"
  report_site "site-$name"
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
echo "== One amalgamated source: 250,000 lines, 4,500 functions"
services=4500
span=55
awk -v n=250000 'BEGIN { for (i = 1; i <= n; ++i) printf "  statement_%d(argument, %d);\n", i, i * 7 }' >amalgamation.c
# In function s (lines 55s+1 to 55s+55): the entry on its first line, block b on
# line 55s+2+2b, condition c on line 55s+40+2c, call k on line 55s+52+k.
awk -v services=$services -v span=$span 'BEGIN {
  print "VE 3.0e T"
  print "FC \"amalgamation.c\" \".\""
  print "FD 0"
  print "TC PR AP BS CO"
  block = 0; condition = 0; call = 0
  for (s = 0; s < services; ++s) {
    first = s * span + 1
    printf "PR %d proc \"f%d\" %d %d\n", s, s, first, first
    for (b = 0; b < 19; ++b)
      printf "BL %d simple \"f%d\" b%d %d %d\n", block++, s, b, first + 1 + 2 * b, first + 1 + 2 * b
    for (c = 0; c < 6; ++c) {
      printf "CE %d \"f%d\" \"x%d > %d\" %d %d\n", condition, s, c, s, first + 39 + 2 * c, first + 39 + 2 * c
      condition += 2
    }
    for (k = 0; k < 3; ++k)
      printf "AP %d \"f%d\" \"g%d\" %d %d\n", call++, s, k, first + 51 + k, first + 51 + k
  }
  print "DC 1409286145 1"
}' >amalgamation.fdc
awk -v services=$services 'function rhex(v,   t, r, i) {
    t = sprintf("%x", v); r = ""
    for (i = length(t); i > 0; --i) r = r substr(t, i, 1)
    return r
  }
  BEGIN {
    print "NT \"t\""; print "FT 1"; print "DC 1"
    for (s = 0; s < services; s += 2) print "TP " rhex(s)
    for (b = 0; b < services * 19; b += 2) print "TB " rhex(b)
    for (c = 0; c < services * 12; c += 3) print "TE " rhex(c)
    for (k = 0; k < services * 3; k += 2) print "TA " rhex(k)
  }' >amalgamation.tio
time_report amalgamation amalgamation.fdc amalgamation.tio

if [[ -d "$data/fdc" && -f "$data/small.tio" ]]; then
  echo "== The benchmark model: 500 files, small.tio"
  mkdir -p fdc src
  # Each FDC file names a source under src/, as long as its last line.
  for fdc in "$data"/fdc/*.fdc; do
    name=$(basename "$fdc" .fdc)
    sed "s|^FC \"\\([^\"]*\\)\" \"[^\"]*\"|FC \"\\1\" \"$work/src\"|" "$fdc" >"fdc/$name.fdc"
    # The last line of the records that carry lines (their last field).
    last=$(awk '$1 ~ /^(PR|BL|AP|CE|CA)$/ && $NF + 0 > max { max = $NF + 0 }
      END { print (max > 1000000 ? 1000000 : max) }' "$fdc")
    awk -v n="$last" 'BEGIN { for (i = 1; i <= n; ++i) printf "  work(%d);\n", i }' >"src/$name.c"
    # Older than the instrumentation, as a source that was not touched since.
    touch -d @1600000000 "src/$name.c"
  done
  time_report model500 fdc/*.fdc "$data/small.tio"
else
  echo "== No data of run-benchmark.sh in $data: the 500-file model is not measured"
fi
