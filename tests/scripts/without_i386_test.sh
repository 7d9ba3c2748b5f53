#!/usr/bin/env bash
# The scripts on a machine whose kernel cannot run i386 programs, tried from this one with
# scripts/without-i386.sh: the kernel check says why, and wine-run makes a fresh Wine prefix and
# runs a 64-bit program in it, also where wine32 is installed (Debian's `wine` command then
# fails, so nothing may go through it); such a prefix has no 32-bit system.
#   without_i386_test.sh SOURCE-DIR BUILD-DIR
# Exits 77 (skipped) where no namespace of its own can refuse i386 programs (that needs root and
# Linux 6.7 or later).
set -uo pipefail
cd "$(realpath "$1")" || exit 1
build=$(realpath "$2")
prefix=$build/wineprefix-without-i386
source tests/support/checks.sh

if ! scripts/without-i386.sh true 2>/dev/null; then
    echo "without_i386_test: SKIPPED: no user namespace refusing i386 programs here" \
        "(scripts/without-i386.sh needs root and Linux 6.7 or later)"
    exit 77
fi
without_i386() { scripts/without-i386.sh "$@" 2>&1; }

check "the kernel check finds i386 programs refused, and says so" \
    without_i386 bash -c 'source scripts/lib/i386.sh
        why=$(runs_i386) && exit 1
        echo "  $why"
        [[ $why == *"Exec format error"* ]]'
if [[ -x /usr/lib/wine/wine ]]; then
    check "with wine32 installed, Debian's wine command fails there" \
        without_i386 bash -c '! wine --version'
fi

rm -rf "$prefix" "$prefix.lock"
run() { without_i386 env PC_WINEPREFIX="$prefix" "$build/wine-run" "$@"; }
check "wine-run makes a fresh prefix there and runs a 64-bit program in it" \
    run "$build/sockbin/wscatalog.exe" base
run --stop
check "that prefix has no 32-bit system, so the 32-bit tests skip there" \
    fails test -e "$prefix/drive_c/windows/syswow64/kernel32.dll"
rm -rf "$prefix" "$prefix.lock"

echo "without_i386_test: $failures failed"
[[ $failures -eq 0 ]]
