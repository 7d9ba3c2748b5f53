#!/usr/bin/env bash
# Builds the Windows tree and times the settings program under Wine, in a desktop session:
# start to login window shown, and Login clicked to the window hidden to the tray.
# Optional argument: the number of rounds (10).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh >/dev/null
build/win/gui-session build/win/sockbin/gui_timing.exe "$@"
