#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (in build-fuzz/) and runs each
# for a bounded time from seeds taken from the end-to-end inputs. Any finding (a
# crash, a sanitizer report, an internal error, a timeout or memory blow-up) makes
# the script fail; the input that caused it is left in build-fuzz/findings/.
#
#   bash scripts/run-fuzzers.sh [seconds per target]     (default 60)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
bash "$root/scripts/install-deps.sh" clang libclang-rt-dev

build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZELTOCOV_FUZZ=ON -DZELTOCOV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc 2>/dev/null || echo 2)" \
  --target fdc_reader_fuzzer trace_reader_fuzzer command_line_fuzzer hit_line_scanner_fuzzer

# The targets print a message for every bad input: -close_fd_mask=2 keeps them
# out of the log (libFuzzer and the sanitizers keep their own descriptor).
# Seeds: the inputs of the end-to-end cases (a fresh copy: the fuzzer adds to it).
corpus="$build/corpus"
rm -rf "$corpus"
mkdir -p "$corpus/fdc_reader" "$corpus/trace_reader" "$corpus/command_line" \
  "$corpus/hit_line_scanner" "$build/findings"
cases="$root/tests/e2e/cases"
find "$cases" -path '*/input/*' -type f -name '*.fdc' -size -64k -exec cp -t "$corpus/fdc_reader" {} + 2>/dev/null || true
cp "$root/examples/calc/calc.fdc" "$corpus/fdc_reader/"
find "$cases" -path '*/input/*' -type f -name '*.tio' -size -64k -exec cp -t "$corpus/trace_reader" {} + 2>/dev/null || true
cp "$root/examples/calc/calc.tio" "$corpus/trace_reader/"
# Hit lines: each trace behind a header of 11 bytes that chooses the scan (see the
# target): filtered, then with pending bits, then count-oriented with the cleaned
# trace; 64 to 255 dense slots of each kind.
i=0
for trace in "$corpus/trace_reader"/*; do
  for header in '\x02\xff\x0f\x10\x40\x80\x33\x01\x02\x03\x04' \
    '\x0a\x05\x0b\x60\x70\x30\xff\x05\x06\x07\x08' '\x07\x10\x0f\x20\x20\x20\x20\x09\x09\x09\x09'; do
    { printf '%b' "$header"; cat "$trace"; } >"$corpus/hit_line_scanner/seed$((i++))"
  done
done
# Command lines: the words of each case's args file, separated by NUL bytes.
i=0
for args in "$cases"/*/args; do
  tr '\n' '\0' <"$args" >"$corpus/command_line/case$((i++))"
done

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
status=0
for target in fdc_reader trace_reader command_line hit_line_scanner; do
  echo "=== Fuzzing $target for $seconds s"
  (cd "$build/findings" &&
    "$build/tests/fuzz/${target}_fuzzer" "$corpus/$target" -max_total_time="$seconds" \
      -rss_limit_mb=2048 -timeout=20 -max_len=65536 -print_final_stats=1 -close_fd_mask=2 2>&1 |
    grep -E '^(#[0-9]+ *DONE|stat::number_of_executed_units|stat::peak_rss_mb|INFO: Running with|==[0-9]+==ERROR|SUMMARY|.*deadly signal|.*Test unit written)' || true
    exit "${PIPESTATUS[0]}") || status=1
done
if ((status != 0)); then
  echo "run-fuzzers: a fuzz target found a problem; see build-fuzz/findings/" >&2
  exit 1
fi
echo "run-fuzzers: no finding"
