#!/usr/bin/env bash
# Runs two builds of zeltocov on the benchmark data in every mode and checks that
# they write the same bytes: the report, the messages, the exit status, the
# cleaned trace (-CLEAN, -CLEAN -MERGETESTS), the CIO file (-CIO) and the path
# trace (-FLOW).
#
#   bash bench/compare-outputs.sh BEFORE [AFTER]
#
# BEFORE and AFTER are install directories (bin/zeltocov and lib/locale under
# them); AFTER defaults to the Release build of this tree, built first. The data
# is made by bench-data.sh (same environment variables); the outputs go to
# $ZELTOCOV_BENCH_DIR/compare: an output over 100 MB is replaced by its SHA-256
# as soon as it is written (the CIO file of the 2,000 tests is 3.5 GB), and each
# case's outputs are removed once found equal. Ends with status 1 when any output
# differs. ZELTOCOV_COMPARE_CASES="label ..." runs only those cases.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=bench/bench-data.sh
source "$root/bench/bench-data.sh"

if (($# < 1)); then
  echo "usage: $0 BEFORE_INSTALL_DIR [AFTER_INSTALL_DIR]" >&2
  exit 2
fi
before=$(cd "$1" && pwd)
ensure_build
after=$(cd "${2:-$build/install}" && pwd)
ensure_data

# Outputs carry the run's date: the same for both.
export SOURCE_DATE_EPOCH=1700000000 TZ=UTC
out="$data/compare"
fdcs=("$data"/fdc/*.fdc)
fdcs5000=("$data"/model5000/fdc/*.fdc)
fdcsAmalgam=("$data"/amalgam/fdc/*.fdc)
splits=("$data"/split500/*.tio)

# label | model (500, 5000 or amalgam) | traces | options (OUT stands for the output directory)
cases=(
  "big-default|500|$data/big.tio|"
  "big-noglobal|500|$data/big.tio|-NOGLOBAL"
  "big-noglobal-file|500|$data/big.tio|-NOGLOBAL -SUMMARY=FILE"
  "big-clean|500|$data/big.tio|-CLEAN=OUT/clean.tio"
  "big-clean-merged|500|$data/big.tio|-CLEAN=OUT/clean.tio -MERGETESTS"
  "big-cio|500|$data/big.tio|-CIO=OUT/run.cio"
  "big-flow|500|$data/big.tio|-FLOW=OUT/flow.txt"
  "tests-default|500|$data/tests.tio|"
  "tests-noglobal-conclusion|500|$data/tests.tio|-NOGLOBAL -SUMMARY=CONCLUSION"
  "tests-clean|500|$data/tests.tio|-CLEAN=OUT/clean.tio"
  "tests-clean-merged|500|$data/tests.tio|-CLEAN=OUT/clean.tio -MERGETESTS"
  "tests-cio|500|$data/tests.tio|-CIO=OUT/run.cio"
  "tests-flow-noglobal|500|$data/tests.tio|-FLOW=OUT/flow.txt -NOGLOBAL"
  "tests10k-noglobal-conclusion|500|$data/tests10k.tio|-NOGLOBAL -SUMMARY=CONCLUSION"
  "split500-default|500|${splits[*]}|"
  "split500-clean|500|${splits[*]}|-CLEAN=OUT/clean.tio"
  "model5000-default|5000|$data/model5000/big.tio|"
  "model5000-noglobal-file|5000|$data/model5000/big.tio|-NOGLOBAL -SUMMARY=FILE"
  "amalgam-default|amalgam|$data/amalgam/big.tio|"
  "amalgam-noglobal|amalgam|$data/amalgam/big.tio|-NOGLOBAL"
)

# Runs one build on one case into its directory.
run_case() {
  local install=$1 dir=$2 model=$3 traces=$4 options=$5
  rm -rf "$dir"
  mkdir -p "$dir"
  local models=("${fdcs[@]}")
  if [[ $model == 5000 ]]; then models=("${fdcs5000[@]}"); fi
  if [[ $model == amalgam ]]; then models=("${fdcsAmalgam[@]}"); fi
  local -a args
  read -r -a args <<<"${traces} ${options//OUT/$dir}"
  local status=0
  (cd "$dir" && VELMORADIR="$install" "$install/bin/zeltocov" "${models[@]}" "${args[@]}" \
    "-OUTPUT=$dir/report.txt" >"$dir/stdout" 2>"$dir/stderr") || status=$?
  echo "$status" >"$dir/status"
  # Large outputs are kept as their digest.
  find "$dir" -type f -size +100M | while read -r big; do
    sha256sum <"$big" >"$big.sha256"
    rm -f "$big"
  done
}

failed=0
for entry in "${cases[@]}"; do
  IFS='|' read -r label model traces options <<<"$entry"
  if [[ -n "${ZELTOCOV_COMPARE_CASES:-}" && " $ZELTOCOV_COMPARE_CASES " != *" $label "* ]]; then
    continue
  fi
  run_case "$before" "$out/before/$label" "$model" "$traces" "$options"
  run_case "$after" "$out/after/$label" "$model" "$traces" "$options"
  # The output paths differ only by before/after; the messages name them.
  sed -i "s|$out/before/|$out/X/|g" "$out/before/$label/stderr" "$out/before/$label/stdout"
  sed -i "s|$out/after/|$out/X/|g" "$out/after/$label/stderr" "$out/after/$label/stdout"
  sizes=$(du -sh "$out/after/$label" | cut -f1)
  if diff -rq "$out/before/$label" "$out/after/$label" >/dev/null; then
    echo "same       $label ($(ls "$out/after/$label" | tr '\n' ' ')$sizes, status $(cat "$out/after/$label/status"))"
    # The large outputs are not kept once found equal.
    rm -rf "$out/before/$label" "$out/after/$label"
  else
    echo "DIFFERENT  $label:"
    diff -rq "$out/before/$label" "$out/after/$label" | sed 's/^/    /'
    failed=1
  fi
done
exit $failed
