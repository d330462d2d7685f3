#!/usr/bin/env bash
# Builds zeltocov, installs it under build/install and prints the report of the
# bundled example (examples/calc): a global report, then one report per test.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/install-deps.sh"

jobs=$(nproc 2>/dev/null || echo 2)
build="$root/build"
prefix="$build/install"
cmake -S "$root" -B "$build" -G Ninja
cmake --build "$build" --parallel "$jobs" --target zeltocov
cmake --install "$build" --prefix "$prefix"

export VELMORADIR="$prefix"
example="$root/examples/calc"
cd "$example"

echo "=== zeltocov calc.fdc calc.tio"
"$prefix/bin/zeltocov" calc.fdc calc.tio
echo
echo "=== zeltocov calc.fdc calc.tio -NOGLOBAL -SUMMARY=FILE"
"$prefix/bin/zeltocov" calc.fdc calc.tio -NOGLOBAL -SUMMARY=FILE
