#!/usr/bin/env bash
# Configures (first time only) and builds both trees:
#   build/win     the Windows deliverables and their tests (mingw-w64)
#   build/native  the portable core, its tests under ASan/UBSan and the fuzzers (clang)
# Warnings are errors in both.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# Keep Wine (run by the build for nothing today, but by any tool that starts a Windows
# program) inside the build tree, never in ~/.wine.
export WINEPREFIX="$root/build/win/wineprefix" WINEDEBUG=-all

configure() {
    local dir=$1
    shift
    if [[ ! -f "$dir/build.ninja" ]]; then
        cmake -S "$root" -B "$dir" -G Ninja -DPC_WERROR=ON "$@"
    fi
}

configure build/win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release
configure build/native -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DPC_SANITIZE=ON

cmake --build build/win
cmake --build build/native
