#!/usr/bin/env bash
# Builds what it needs and times the profile editor's Time page under Wine, in a desktop
# session: the editor opened on a profile with time rules, the Time tab to the page shown,
# and Apply of a changed cell to the success message.
# Optional argument: the number of rounds (10).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh win:time_page_timing >/dev/null
build/win/gui-session build/win/sockbin/time_page_timing.exe "$@"
