#!/usr/bin/env bash
# The category server's lookups per second over loopback, one connection per lookup, against
# the protocol's floor: a constant responder of the same shape (bench/category-server), both
# measured by one client in one run, in alternating batches. Not a test; prints figures and
# the ratio (goal: at least 0.7 of the floor). Built in the unsanitised Release tree
# (build/bench).
#   scripts/bench-category-server.sh [BATCHES [SECONDS [CONCURRENCY]]]
set -euo pipefail
cd "$(dirname "$0")/.."
batches=${1:-6}
seconds=${2:-2}
concurrency=${3:-32}

scripts/setup.sh >/dev/null
if [[ ! -f build/bench/build.ninja ]]; then
    cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPC_SANITIZE=OFF -DPC_BENCH=ON \
        -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ >/dev/null
fi
cmake --build build/bench --target category-server lookup_floor lookup_load >/dev/null

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
source scripts/lib/servers.sh

build/bench/tools/category-server/category-server --port 0 --db data/category-db.txt \
    >"$work/server.log" 2>&1 &
pids+=($!)
server_port=$(wait_port "$work/server.log" '.*listening on 127.0.0.1:\([0-9]*\).*' bench-category-server)
build/bench/bench/category-server/lookup_floor "$work/floor-port" &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/floor-port" ]] && break; sleep 0.1; done
floor_port=$(cat "$work/floor-port")

echo "bench-category-server: $(nproc) cores, $batches batches of $seconds s a side," \
    "$concurrency lookups in flight"
echo "server: $(head -n 1 "$work/server.log")"
build/bench/bench/category-server/lookup_load "floor=$floor_port" "category-server=$server_port" \
    --batches "$batches" --seconds "$seconds" --concurrency "$concurrency"
