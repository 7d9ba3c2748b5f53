#!/usr/bin/env bash
# Sets up the machine, builds both trees and runs every test: the native tests under the
# sanitizers with the fuzzer smoke runs, the Windows tests under Wine, the format check, the
# layering check and the static analysis.
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh || exit 1
scripts/build.sh || exit 1

status=0
summary=$(mktemp)
trap 'build/win/wine-run --stop; rm -f "$summary"' EXIT

run_ctest() {
    local dir=$1
    echo "== tests in $dir"
    (cd "$dir" && ctest --output-on-failure -j2 --timeout 600) | tee -a "$summary"
    [[ ${PIPESTATUS[0]} -eq 0 ]] || status=1
}

run_ctest build/native
run_ctest build/win
echo "== format"
scripts/format.sh --check || status=1
echo "== layering"
scripts/deps.sh || status=1
echo "== static analysis"
scripts/tidy.sh || status=1

# One closing line over both trees, and why no 32-bit program was tried where none was.
awk '/tests passed, [0-9]+ tests failed out of/ { failed += $4; total += $NF }
     END { printf "%d passed, %d failed\n", total - failed, failed }' "$summary"
if [[ -f build/no-wine32 ]]; then
    echo "32-bit programs: skipped: $(head -n 1 build/no-wine32) (build/no-wine32)"
fi
exit $status
