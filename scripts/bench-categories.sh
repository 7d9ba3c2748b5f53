#!/usr/bin/env bash
# The category index against SQLite on a generated list of N entries (2 million unless given),
# in the unsanitised Release tree build/bench: load time, resident memory, look-ups, ratios.
#   scripts/bench-categories.sh [N] [benchmark options]
# By default each look-up benchmark runs 5 times, interleaved at random with the others, and
# the ratios come from the medians: the machine is shared, and its load drifts.
set -euo pipefail
cd "$(dirname "$0")/.."
count=2000000
if [[ ${1:-} =~ ^[0-9]+$ ]]; then
    count=$1
    shift
fi
scripts/setup.sh
if [[ ! -f build/bench/build.ninja ]]; then
    cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPC_SANITIZE=OFF -DPC_BENCH=ON \
        -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
fi
cmake --build build/bench --target category_index_bench
# The list is made once per N (and again when the generator changes).
lists=build/bench/lists-$count
stamp=$lists/.made-by
want=$(sha256sum scripts/make-lists.py | cut -d' ' -f1)
if [[ ! -f $stamp || $(cat "$stamp") != "$want" ]]; then
    rm -rf "$lists"
    python3 scripts/make-lists.py "$count" "$lists"
    echo "$want" >"$stamp"
fi
if [[ $# -eq 0 ]]; then
    set -- --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
        --benchmark_min_time=0.5 --benchmark_report_aggregates_only=true
fi
build/bench/bench/category_index_bench --lists "$lists" "$@"
