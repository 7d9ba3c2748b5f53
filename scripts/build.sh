#!/usr/bin/env bash
# Configures (first time only) and builds the trees:
#   build/win     the Windows deliverables and their tests (mingw-w64)
#   build/win32   FilterLsp.dll and PolicyApi.dll for 32-bit programs (mingw-w64 i686), and the
#                 32-bit programs a test runs beside the 64-bit ones
#   build/native  the portable core, its tests under ASan/UBSan and the fuzzers (clang)
# Warnings are errors in all.
#   scripts/build.sh [win:TARGET | win32:TARGET | native:TARGET]...
# With targets, builds only those (and what they need), for scripts that need a few programs.
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
configure build/win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release
configure build/native -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DPC_SANITIZE=ON

# What 32-bit programs load; everything else of the product is 64-bit only.
win32_deliverables=(FilterLsp PolicyApi)
# A 32-bit program with the stand-in host, for tests/filter/AcrossBitnesses_test.cpp.
win32_test_programs=(wshost wsbase wsrun filter_child)

if [[ $# -eq 0 ]]; then
    cmake --build build/win
    cmake --build build/win32 --target "${win32_deliverables[@]}" "${win32_test_programs[@]}"
    cmake --build build/native
    exit 0
fi
win=()
win32=()
native=()
for target in "$@"; do
    case $target in
        win:*) win+=("${target#win:}") ;;
        win32:*) win32+=("${target#win32:}") ;;
        native:*) native+=("${target#native:}") ;;
        *) echo "build: $target: say win:TARGET, win32:TARGET or native:TARGET" >&2; exit 2 ;;
    esac
done
[[ ${#win[@]} -eq 0 ]] || cmake --build build/win --target "${win[@]}"
[[ ${#win32[@]} -eq 0 ]] || cmake --build build/win32 --target "${win32[@]}"
[[ ${#native[@]} -eq 0 ]] || cmake --build build/native --target "${native[@]}"
