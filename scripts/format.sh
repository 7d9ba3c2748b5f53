#!/usr/bin/env bash
# clang-format over every tracked C++ source. With --check it changes nothing and fails
# on the first file that is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -co --exclude-standard '*.cpp' '*.h' | grep -v '^build/')
[[ ${#files[@]} -eq 0 ]] && exit 0
if [[ "${1:-}" == "--check" ]]; then
    clang-format --dry-run -Werror "${files[@]}"
    echo "format: ${#files[@]} files checked"
else
    clang-format -i "${files[@]}"
fi
