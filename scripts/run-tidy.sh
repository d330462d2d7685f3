#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over every C++ source file of
# src/ and fails on any finding. Argument: a configured build folder (it holds
# compile_commands.json); build/ by default.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
tidy=$(command -v clang-tidy || command -v clang-tidy-14)
jobs=$(nproc 2>/dev/null || echo 2)
[[ -f $build/compile_commands.json ]] || {
  echo "run-tidy: no compile_commands.json in $build (configure it first)" >&2
  exit 2
}
cd "$root"
# Generated files (the Qt resource and catalog sources) are not ours to tidy.
status=0
git ls-files -z -- 'src/*.cpp' | xargs -0 -P "$jobs" -n 4 "$tidy" -p "$build" --quiet 2>/dev/null ||
  status=1
if ((status != 0)); then
  echo "run-tidy: clang-tidy found something (above)" >&2
  exit 1
fi
echo "run-tidy: no finding in $(git ls-files -- 'src/*.cpp' | wc -l) files"
