#!/usr/bin/env bash
# Pictures of the settings program's screens as a parent with a scaled screen sees them: the
# GUI tests run in a desktop session whose Wine prefix (build/win/wineprefix-gui-DPI) has
# "LogPixels" DPI (144 = 150%, the default), saving their screenshots in
# build/win/screenshots-DPI. Not part of the tests: look at the pictures. Exits with the tests'
# status (a test that reads positions may fail at another scale; the pictures are kept).
#   scripts/screens-scaled.sh [DPI]
set -euo pipefail
cd "$(dirname "$0")/.."
dpi=${1:-144}
build=$PWD/build/win
scripts/build.sh win:gui_tests win:gui_unit_tests >/dev/null
export PC_GUI_PREFIX=$build/wineprefix-gui-$dpi
out=$build/screenshots-$dpi
mkdir -p "$out"
export PC_SCREENSHOTS="Z:${out//\//\\}"
# Wine takes the screen's scale from the user's desktop settings.
PC_WINEPREFIX=$PC_GUI_PREFIX "$build/wine-run" reg add 'HKCU\Control Panel\Desktop' \
    /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
PC_WINEPREFIX=$PC_GUI_PREFIX "$build/wine-run" --stop
status=0
"$build/gui-session" "$build/sockbin/gui_tests.exe" || status=$?
echo "screens-scaled: pictures in $out (the tests exited with $status)"
exit $status
