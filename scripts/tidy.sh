#!/usr/bin/env bash
# clang-tidy (checks in .clang-tidy) over the product's own sources: the portable core from
# the native tree's compile commands, and the Windows code from the cross tree's, parsed by
# clang with the mingw-w64 target. Run after scripts/build.sh; fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

# Sources of the product (not tests, benchmarks, fuzzers or the Winsock stand-in) in a tree's
# compile commands. The file that only defines a shared data section carries GCC-only
# attributes clang does not take.
sources() {
    python3 - "$1" "$2" <<'PY'
import json, sys
tree, kind = sys.argv[1], sys.argv[2]
for entry in json.load(open(f"{tree}/compile_commands.json")):
    path = entry["file"]
    if not path.endswith(".cpp"):  # resource scripts are not C++
        continue
    if not any(f"/{top}/" in path for top in ("Api", "filter", "log", "win", "tools", "gui")):
        continue
    if any(f"/{skip}/" in path for skip in ("tests", "bench", "fuzz", "wsock")):
        continue
    if path.endswith("ActiveWindow.cpp"):
        continue
    if (kind == "portable") == ("/portable/" in path):
        print(path)
PY
}

# clang finds the mingw-w64 C headers itself, but not GCC's C++ library: take its folders from
# the cross compiler's own search list.
mingw_cxx_args=()
while read -r dir; do
    mingw_cxx_args+=(--extra-arg=-isystem"$dir")
done < <(echo | x86_64-w64-mingw32-g++-posix -xc++ -E -v - 2>&1 | grep '^ .*/include/c++')

run() {
    local tree=$1
    shift
    xargs -r -n 4 -P "$jobs" clang-tidy -p "$tree" --quiet "$@" 2>/dev/null
}

status=0
sources build/native portable | sort -u | run build/native || status=1
sources build/win windows | sort -u | run build/win \
    --extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-Wno-unknown-warning-option \
    "${mingw_cxx_args[@]}" || status=1
[[ $status -eq 0 ]] && echo "tidy: no findings"
exit $status
