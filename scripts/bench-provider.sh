#!/usr/bin/env bash
# Builds the Windows tree and runs the provider round-trip benchmarks under Wine: the host with
# the base provider alone against the host with FilterLsp.dll layered over it, and their ratio;
# first connection round trips, then overlapped receive/send pairs.
# Optional arguments (for the first): number of batches, round trips per batch.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
trap 'build/win/wine-run --stop' EXIT
(cd build/win && ./wine-run sockbin/provider_bench.exe "$@" && ./wine-run sockbin/overlapped_bench.exe)
