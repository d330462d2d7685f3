#!/usr/bin/env bash
# The benchmark data shared by run-benchmark.sh and compare-outputs.sh, made once
# and kept (each set has a stamp of the parameters it was made with):
#
#   fdc/           500 FDC files of the synthetic model (bench/generate_coverage_data.cpp)
#   big.tio        a plain trace of 1 GB over it, 8 tests
#   small.tio      the same model, 100 MB
#   tests.tio      1 GB in 2,000 tests
#   tests10k.tio   100 MB in 10,000 tests
#   split500/      big.tio cut at line ends into 500 trace files
#   model5000/     a model ten times larger (fdc/, 5,000 files) with its own 1 GB trace
#   amalgam/       a model shaped like a program built from one amalgamated source
#                  (fdc/: one file of 4,560 functions and two small ones) with its own
#                  1 GB trace (about 7.5 bytes a line, as its IDs run into the thousands)
#   sqlite/        the SQLite set of the real data (FDC files of sqlite3.c and shell.c, from
#                  gcc --coverage) with a plain trace of 1 GiB made by the real data's own
#                  generator from the real per-test counts (`ensure_sqlite_data`, only when
#                  the real data is there: see below)
#
# Source it after setting `root` (the repository); it defines `data`, builds the
# Release binary and the generator (`ensure_build`), and makes the data
# (`ensure_data`). Environment (all optional):
#   ZELTOCOV_BENCH_DIR    where the data goes (default /tmp/zeltocov-bench)
#   ZELTOCOV_BENCH_FILES  source files of the model (default 500; model5000 has ten times more)
#   ZELTOCOV_BENCH_BIG    size in bytes of big.tio, tests.tio and model5000's trace (default 1000000000)
#   ZELTOCOV_BENCH_SMALL  size in bytes of small.tio and tests10k.tio (default 100000000)
#   ZELTOCOV_BENCH_SEED   seed of the generator (default 20240601)
#   ZELTOCOV_REALDATA     the real data (default ../shared/realdata beside the checkout;
#                         its README says how it was made)

data=${ZELTOCOV_BENCH_DIR:-/tmp/zeltocov-bench}
files=${ZELTOCOV_BENCH_FILES:-500}
big=${ZELTOCOV_BENCH_BIG:-1000000000}
small=${ZELTOCOV_BENCH_SMALL:-100000000}
seed=${ZELTOCOV_BENCH_SEED:-20240601}
build="$root/build-release"
realdata=${ZELTOCOV_REALDATA:-$root/../shared/realdata}
generator="$build/bench/generate_coverage_data"

# Builds the Release binary (installed under build-release/install) and the generator.
ensure_build() {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELTOCOV_BUILD_TESTS=OFF \
    -DZELTOCOV_SANITIZE=OFF >/dev/null
  cmake --build "$build" --target zeltocov generate_coverage_data >/dev/null
  cmake --install "$build" --prefix "$build/install" >/dev/null
}

# Runs the generator for a model (its FDC files under $1/fdc) unless its stamp says
# it was made with the same parameters; $3, when given, is the function count of
# its first file.
generate_model() {
  local dir=$1 count=$2 bigFile=${3:-}
  local wanted="files=$count seed=$seed${bigFile:+ big-file=$bigFile}"
  if [[ "$(cat "$dir/fdc.stamp" 2>/dev/null)" == "$wanted" ]]; then return; fi
  echo "Generating $count FDC files in $dir" >&2
  rm -rf "$dir/fdc" "$dir"/*.stamp
  mkdir -p "$dir"
  "$generator" --out "$dir" --files "$count" --seed "$seed" ${bigFile:+--big-file "$bigFile"} --fdc
  echo "$wanted" >"$dir/fdc.stamp"
}

# Generates one trace of a model: directory, file count, name, size, tests and
# the function count of the first file (optional). The trace is written under
# another name and renamed, so that a run reading the old one keeps reading it.
generate_trace() {
  local dir=$1 count=$2 name=$3 size=$4 tests=$5 bigFile=${6:-}
  local wanted="files=$count seed=$seed size=$size${bigFile:+ big-file=$bigFile}"
  if ((tests != 8)); then wanted+=" tests=$tests"; fi
  if [[ -f "$dir/$name" && "$(cat "$dir/$name.stamp" 2>/dev/null)" == "$wanted" ]]; then return; fi
  echo "Generating $dir/$name ($size bytes, $tests tests)" >&2
  rm -f "$dir/$name.stamp"
  "$generator" --out "$dir" --files "$count" --seed "$seed" ${bigFile:+--big-file "$bigFile"} \
    --trace "$name.new" --size "$size" \
    --tests "$tests"
  mv "$dir/$name.new" "$dir/$name"
  echo "$wanted" >"$dir/$name.stamp"
}

ensure_data() {
  mkdir -p "$data"
  # Every trace at most once on disk, the FDC files and some room to spare.
  local need_kb=$(((5 * big + 2 * small) / 1024 * 11 / 10 + 200 * 1024))
  local have_kb
  have_kb=$(($(df -Pk "$data" | awk 'NR == 2 { print $4 }') + $(du -sk "$data" | cut -f1)))
  if ((have_kb < need_kb)); then
    echo "Not enough free space under $data: ${have_kb} KB, ${need_kb} KB needed" >&2
    return 1
  fi
  generate_model "$data" "$files"
  generate_trace "$data" "$files" big.tio "$big" 8
  generate_trace "$data" "$files" small.tio "$small" 8
  generate_trace "$data" "$files" tests.tio "$big" 2000
  generate_trace "$data" "$files" tests10k.tio "$small" 10000
  # The 1 GB trace in 500 files, each ending at a line end: a file may begin with
  # hit lines that continue the test and file-part of the one before.
  local wanted
  wanted="$(cat "$data/big.tio.stamp") parts=500"
  if [[ "$(cat "$data/split500.stamp" 2>/dev/null)" != "$wanted" ]]; then
    echo "Cutting big.tio into 500 files" >&2
    rm -rf "$data/split500" "$data/split500.stamp"
    mkdir -p "$data/split500"
    (cd "$data/split500" && split -n l/500 -d -a 3 --additional-suffix=.tio ../big.tio part_)
    echo "$wanted" >"$data/split500.stamp"
  fi
  generate_model "$data/model5000" $((files * 10))
  generate_trace "$data/model5000" $((files * 10)) big.tio "$big" 8
  generate_model "$data/amalgam" 3 4560
  generate_trace "$data/amalgam" 3 big.tio "$big" 8 4560
}

# The SQLite-derived trace: sqlite/fdc/ holds the real data's FDC files (copied, so that the
# benchmark's data stands alone) and sqlite/big.tio a plain trace of 1 GiB written by the
# real data's generator (gen_big_tio.py, seeded) from the real per-test counts, so its
# figures are those the real data expects. Returns 1, saying so, where the real data is
# absent.
ensure_sqlite_data() {
  local set="$realdata/data/sqlite" dir="$data/sqlite"
  if [[ ! -f "$set/expected.json" || ! -f "$realdata/gen_big_tio.py" ]]; then
    echo "SKIPPED: the SQLite-derived trace: no real data under $realdata" >&2
    return 1
  fi
  local wanted
  wanted="size=1G seed=$seed $(cksum <"$set/sqlite.count.tio" | cut -d' ' -f1)"
  if [[ -f "$dir/big.tio" && "$(cat "$dir/big.tio.stamp" 2>/dev/null)" == "$wanted" ]]; then
    return 0
  fi
  echo "Generating $dir/big.tio (1 GiB from the real SQLite data)" >&2
  rm -rf "$dir"
  mkdir -p "$dir/fdc"
  cp "$set"/fdc/*.fdc "$dir/fdc/" || return 1
  python3 "$realdata/gen_big_tio.py" "$set" 1G "$dir/big.tio.new" --seed "$seed" >&2 || return 1
  mv "$dir/big.tio.new" "$dir/big.tio"
  echo "$wanted" >"$dir/big.tio.stamp"
}
