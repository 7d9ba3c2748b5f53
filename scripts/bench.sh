#!/usr/bin/env bash
# Builds the benchmarks in an unsanitised Release tree (build/bench) and runs them.
# Extra arguments go to the benchmark program (for example --benchmark_filter=MD5).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [[ ! -f build/bench/build.ninja ]]; then
    cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPC_SANITIZE=OFF -DPC_BENCH=ON \
        -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
fi
cmake --build build/bench --target portable_bench
build/bench/bench/portable_bench "$@"
