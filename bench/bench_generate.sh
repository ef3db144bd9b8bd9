#!/bin/sh
# Generation benchmark: builds folio32 and the write baseline as the normal build does
# (RelWithDebInfo, -O2), then times folio32 generate of a 10,000-page site against the baseline
# and Hugo (bench_generate.py). JOBS=n sets the build's parallelism (default 2).
#   bench/bench_generate.sh [REPEAT]      (from the repository root; BUILD=dir to choose the build)
set -eu
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build-genbench-perf}
REPEAT=${1:-5}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFOLIO32_BENCH=ON -DFOLIO32_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "${JOBS:-2}" --target folio32 bench_write_files >/dev/null
exec python3 bench/bench_generate.py --folio32 "$BUILD/bin/folio32" \
    --writer "$BUILD/bin/bench_write_files" --resources share --work "$BUILD/bench-generate" \
    --repeat "$REPEAT"
