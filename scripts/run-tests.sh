#!/usr/bin/env bash
# Builds zeltocov twice and runs every test in both builds:
#   build/       the normal build
#   build-asan/  the same with the address and undefined-behaviour sanitizers
# Any failing test or sanitizer report makes the script end with a non-zero status.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/install-deps.sh"

# A sanitizer finding must fail the test that triggers it. The build already
# compiles with -fno-sanitize-recover=all; these make the run-time side strict too.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
jobs=$(nproc 2>/dev/null || echo 2)

build_and_test() {
  local dir=$1
  shift
  echo "=== Build $dir $*"
  # Explicit returns: errexit does not apply inside a function called with ||.
  cmake -S "$root" -B "$root/$dir" -G Ninja "$@" || return 1
  cmake --build "$root/$dir" --parallel "$jobs" || return 1
  echo "=== Tests in $dir"
  (cd "$root/$dir" && ctest --output-on-failure --no-tests=error --parallel "$jobs") || return 1
}

status=0
echo "=== Format check"
(cd "$root" && git ls-files -z --cached --others --exclude-standard -- 'src/*.cpp' 'src/*.h' \
  'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' | xargs -0 clang-format --dry-run -Werror) ||
  status=1
build_and_test build -DZELTOCOV_SANITIZE=OFF -DZELTOCOV_WERROR=ON || status=1
echo "=== clang-tidy"
bash "$root/scripts/run-tidy.sh" "$root/build" || status=1
build_and_test build-asan -DZELTOCOV_SANITIZE=ON -DZELTOCOV_WERROR=ON || status=1

if ((status != 0)); then
  echo "run-tests: FAILED" >&2
  exit 1
fi
echo "run-tests: all tests passed in build/ and build-asan/"
