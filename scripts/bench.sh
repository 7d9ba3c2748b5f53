#!/usr/bin/env bash
# Runs the benchmarks (not part of the tests):
#  - native, in an unsanitised Release tree (build/bench): MD5 against OpenSSL, the value
#    encoding, the ClientHello parse; extra arguments go to that program (for example
#    --benchmark_filter=MD5); then the category index against SQLite on 2 million generated
#    entries (scripts/bench-categories.sh) and the category server's lookups per second
#    against the protocol's floor (scripts/bench-category-server.sh);
#  - Windows, under Wine from build/win: the settings store's verified operations, the
#    provider round trip with and without the layer, and HTTP and TLS round trips through the
#    strict filter;
#  - the wineserver requests per operation of each kind, counted (scripts/bench-calls.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [[ ! -f build/bench/build.ninja ]]; then
    cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPC_SANITIZE=OFF -DPC_BENCH=ON \
        -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
fi
cmake --build build/bench --target portable_bench
build/bench/bench/portable_bench "$@"
echo "== category index against SQLite (2 million generated entries)"
scripts/bench-categories.sh
echo "== category server against the protocol's floor (native)"
scripts/bench-category-server.sh

scripts/build.sh >/dev/null
trap 'build/win/wine-run --stop' EXIT
echo "== settings store (Windows, under Wine)"
(cd build/win && ./wine-run bench/policyapi_bench.exe)
echo "== provider round trips (Windows, under Wine)"
(cd build/win && ./wine-run sockbin/provider_bench.exe && ./wine-run sockbin/overlapped_bench.exe)
echo "== filter round trips (Windows, under Wine, log level 0)"
# The lookup client's standard-output lines go to a file: Wine's writes to a pipe or to
# /dev/null cost about a millisecond each and would swamp the figures.
out=$(mktemp)
(cd build/win && ./wine-run sockbin/filter_bench.exe) >"$out" 2>&1 || { cat "$out"; exit 1; }
sed -n '/^HTTP round trips/,$p' "$out" | tr -d '\r' | grep -v '^pcinstall'
rm -f "$out"
echo "== kernel calls per operation (Windows, under a traced wineserver)"
scripts/bench-calls.sh
