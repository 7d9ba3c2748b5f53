#!/usr/bin/env bash
# The Windows package under Wine, in a fresh prefix of its own (BUILD/wineprefix-package): a
# silent installation with ADMINPASSWORD gives a working filter (the layer in both catalogues,
# the category service, the files and the configuration), and one with the user interface asks
# for the password in the package's own dialog; an uninstallation with a wrong
# password is refused and leaves everything; a silent major upgrade asks no password and keeps
# the settings; an uninstallation with the right password leaves nothing behind; and no file or
# registry value of the prefix holds the password in clear.
# The packages tested carry the pcinstall built on the Winsock stand-in (with its wshost.dll),
# since Wine's own catalogue calls do nothing; everything else is the product's package.
#   package_test.sh SOURCE-DIR BUILD-DIR
set -euo pipefail

source_dir=$(realpath "$1")
build=$(realpath "$2")
win32=$(realpath -m "$build/../win32")
sockbin=$build/sockbin
out=$build/package-test
prefix=$build/wineprefix-package
password='Hx7-parent.Q'
folder="$prefix/drive_c/Program Files/Quillon Parental Control"

source "$source_dir/tests/support/checks.sh"

w() { PC_WINEPREFIX=$prefix "$build/wine-run" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }
msiexec() { w msiexec "$@" >/dev/null 2>&1; }
has_key() { w reg query "$1" >/dev/null 2>&1; }
has_value() { w reg query "$1" /v "$2" >/dev/null 2>&1; }
chains() { w "$sockbin/wscatalog.exe" list | grep -c "Parental Control over" || true; }
# Every file of the prefix, the registry's files among them, read as bytes: the password in
# clear, as a program's 8-bit text or as UTF-16.
password_nowhere() {
    w --stop
    python3 - "$prefix" "$password" <<'PY'
import os, sys
root, word = sys.argv[1], sys.argv[2]
needles = [word.encode(), word.encode("utf-16-le")]
found = []
for top, _, files in os.walk(root):
    for name in files:
        path = os.path.join(top, name)
        if os.path.islink(path) or not os.path.isfile(path):
            continue
        with open(path, "rb") as f:
            data = f.read()
        if any(n in data for n in needles):
            found.append(path)
for path in found:
    print("  the password in clear in", path)
sys.exit(1 if found else 0)
PY
}

for program in wixl msibuild; do
    if ! command -v $program >/dev/null; then
        echo "package_test: $program is missing (msitools; scripts/setup.sh installs it)" >&2
        exit 1
    fi
done
for file in "$win32/sockbin/FilterLsp.dll" "$win32/sockbin/PolicyApi.dll" \
    "$build/package/PackageActions.dll" "$sockbin/pcinstall.exe" "$sockbin/wshost.dll" \
    "$sockbin/package_dialog_driver.exe"; do
    if [[ ! -f $file ]]; then
        echo "package_test: $file is missing: build the trees (scripts/build.sh)" >&2
        exit 1
    fi
done

rm -rf "$out"
mkdir -p "$out/logs"
started=$SECONDS
for version in 0.1.0 0.1.1; do
    "$source_dir/tools/package/build-msi.sh" "$out/package-$version.msi" $version 1 \
        "$build/bin" "$sockbin" "$win32/sockbin" "$build/package/PackageActions.dll" "$sockbin"
done
# The same package with a deferred step after the tool's that fails (the package's own action
# with no data to go on), so that the installation is rolled back.
cp "$out/package-0.1.0.msi" "$out/package-failing.msi"
msibuild "$out/package-failing.msi" -q "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('FailLater', 3073, 'PackageActions', 'InstallProduct')"
msibuild "$out/package-failing.msi" -q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('FailLater', 'NOT REMOVE', 4500)"
# The product's own package (the real pcinstall.exe, no stand-in): built the same way; its
# tables as the corrections left them.
"$source_dir/tools/package/build-msi.sh" "$out/product.msi" 0.1.0 0 "$build/bin" "$sockbin" \
    "$win32/sockbin" "$build/package/PackageActions.dll" "$build/bin"
echo "packages built in $((SECONDS - started)) s"
action_type() { msiinfo export "$out/product.msi" CustomAction | awk -F'\t' -v a="$1" '$1 == a { print $2 }'; }
check "the product's package carries no stand-in" \
    fails sh -c "msiinfo export '$out/product.msi' File | grep -q wshost"
check "the actions that carry the password hide their target (0x2000)" \
    test $(($(action_type SetInstallProductData) & 0x2000)) -ne 0 -a \
    $(($(action_type InstallProduct) & 0x2000)) -ne 0
check "the rollback action is a rollback (0x100) in the script (0x400)" \
    test $(($(action_type RollbackInstallProduct) & 0x500)) -eq $((0x500))
check "ADMINPASSWORD is a hidden property" \
    sh -c "msiinfo export '$out/product.msi' Property | grep -q '^MsiHiddenProperties.*ADMINPASSWORD'"

# A fresh prefix, with the stand-in catalogues of a 64-bit Windows (base entries only).
[[ -d $prefix ]] && w --stop
rm -rf "$prefix" "$prefix.lock"
started=$SECONDS
w "$sockbin/wscatalog.exe" base
echo "fresh prefix in $((SECONDS - started)) s"
# 32-bit programs run where the machine can (build/no-wine32 says why it cannot) and the prefix
# was made by a Wine that ran them (it has the 32-bit system).
no_wine32=$(realpath -m "$build/../no-wine32")
if [[ -f $no_wine32 ]]; then
    skip32="skipped: $(head -n 1 "$no_wine32")"
elif [[ ! -f $prefix/drive_c/windows/syswow64/kernel32.dll ]]; then
    skip32="skipped: this Wine runs no 32-bit programs (wine32 and a prefix made with it)"
else
    skip32=""
    # A 32-bit program's entries name the 32-bit base provider, as on a 64-bit Windows.
    w "$sockbin/wscatalog.exe" base "$(winpath "$win32/sockbin/wsbase.dll")"
fi

log() { echo "/l*v $(winpath "$out/logs/$1.log")"; }
package() { winpath "$out/package-$1.msi"; }

echo "-- install 0.1.0 silently"
started=$SECONDS
check "msiexec /i /qn ADMINPASSWORD=... succeeds" \
    msiexec /i "$(package 0.1.0)" /qn "ADMINPASSWORD=$password" $(log install)
echo "   ($((SECONDS - started)) s)"
for f in Gui.exe PolicyApi.dll FilterLsp.dll pcinstall.exe category-server.exe categories.txt \
    Quillon-block-image.jpg access-quillon-logo.jpg x86/FilterLsp.dll x86/PolicyApi.dll \
    Content.ini Categories/category-db.txt; do
    check "installed: $f" test -f "$folder/$f"
done
check "installed: PolicyApi.dll in system32" test -f "$prefix/drive_c/windows/system32/PolicyApi.dll"
check "installed: the 32-bit PolicyApi.dll in syswow64" \
    test -f "$prefix/drive_c/windows/syswow64/PolicyApi.dll"
check "the product key" has_value 'HKLM\Software\Tarnwell\Parental Control' StrictFilter
check "the Run value" has_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' QPC
check "the category service" has_key 'HKLM\System\CurrentControlSet\Services\Quillon Categories'
check "a chain over each base entry in both catalogues" test "$(chains)" = 8
w "$sockbin/wscatalog.exe" list >"$out/logs/catalogue-installed.txt"
check "no file or registry value holds the password in clear after installation" password_nowhere

echo "-- the filter"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 "$port" --directory "$out" >"$out/logs/web.log" 2>&1 &
web=$!
trap 'kill $web 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break
    sleep 0.1
done
w "$sockbin/pcdemo.exe" --admin-password "$password" "$port" >"$out/logs/pcdemo.txt" 2>&1 || true
check "a page passes" grep -q "passed: HTTP/1.0 200" "$out/logs/pcdemo.txt"
check "a blocked word gets the block page" grep -q "BLOCK PAGE, URL Word applied is: poker" \
    "$out/logs/pcdemo.txt"
check "a blocked category gets the block page" \
    grep -q "BLOCK PAGE, Category applied is: Gambling" "$out/logs/pcdemo.txt"
if [[ -z $skip32 ]]; then
    # The installed x86\FilterLsp.dll in a 32-bit program, run through the 32-bit stand-in host.
    w "$win32/sockbin/wsrun.exe" "$(winpath "$win32/sockbin/filter_child.exe")" \
        "$(winpath "$out/logs/child32.txt")" "browse:$port:/poker-night" "browse:$port:/" \
        >"$out/logs/child32-console.txt" 2>&1 || true
    check "a 32-bit program gets the block page for a blocked word, and a page passes" \
        test "$(tr -d '\r' <"$out/logs/child32.txt" 2>/dev/null | paste -sd,)" = "blocked,passed"
fi
kill $web 2>/dev/null || true
if [[ -n $skip32 ]]; then
    echo "32-bit programs: $skip32; the 32-bit files and catalogue entries are checked all the same"
fi

echo "-- uninstall with a wrong password"
check "msiexec /x with a wrong ADMINPASSWORD fails" \
    fails msiexec /x "$(package 0.1.0)" /qn ADMINPASSWORD=wrong-one $(log uninstall-wrong)
check "... and keeps the programs" test -f "$folder/FilterLsp.dll"
check "... the settings" test -f "$folder/Content.ini"
check "... the product key" has_value 'HKLM\Software\Tarnwell\Parental Control' StrictFilter
check "... the service" has_key 'HKLM\System\CurrentControlSet\Services\Quillon Categories'
check "... the catalogue entries" test "$(chains)" = 8
check "msiexec /x without a password fails silently too" \
    fails msiexec /x "$(package 0.1.0)" /qn $(log uninstall-none)
check "... and keeps the programs" test -f "$folder/FilterLsp.dll"

echo "-- upgrade to 0.1.1 silently, no password"
cp "$folder/Content.ini" "$out/settings-before.ini"
started=$SECONDS
check "msiexec /i of the newer package succeeds" \
    msiexec /i "$(package 0.1.1)" /qn $(log upgrade)
echo "   ($((SECONDS - started)) s)"
check "the settings file is kept as it was" cmp -s "$out/settings-before.ini" "$folder/Content.ini"
check "the administrator's password still proves" \
    w "$folder/pcinstall.exe" check-password --password-stdin <<<"$password"
check "the programs are there" test -f "$folder/FilterLsp.dll"
check "the service is there" has_key 'HKLM\System\CurrentControlSet\Services\Quillon Categories'
check "the chains are there, once" test "$(chains)" = 8
check "the upgrade's mark is gone" fails has_key 'HKLM\Software\Tarnwell\Parental Control\Upgrading'
check "one version is installed" \
    test "$(w reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s |
        grep -c 'DisplayName.*Quillon Parental Control')" = 1

check "the older package is refused over the newer one" \
    fails msiexec /i "$(package 0.1.0)" /qn "ADMINPASSWORD=$password" $(log downgrade)
check "... which stays" test "$(w reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s |
    grep -c 'DisplayVersion.*0\.1\.1')" = 1

echo "-- uninstall with the right password"
check "msiexec /x with ADMINPASSWORD succeeds" \
    msiexec /x "$(package 0.1.1)" /qn "ADMINPASSWORD=$password" $(log uninstall)
check "no installation folder left" fails test -e "$folder"
check "no PolicyApi.dll in system32" fails test -e "$prefix/drive_c/windows/system32/PolicyApi.dll"
check "no PolicyApi.dll in syswow64" fails test -e "$prefix/drive_c/windows/syswow64/PolicyApi.dll"
check "no product key" fails has_key 'HKLM\Software\Tarnwell\Parental Control'
check "no Run value" fails has_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' QPC
check "no service" fails has_key 'HKLM\System\CurrentControlSet\Services\Quillon Categories'
check "no catalogue entries" test "$(chains)" = 0
w "$sockbin/wscatalog.exe" list >"$out/logs/catalogue-removed.txt"

echo "-- a double-click installation: the package asks for the password itself"
# In a desktop session of its own (an X server; see gui-session), the parent's steps taken by
# the driver (tests/package/PasswordDialogDriver.cpp).
w --stop
gui() { env PC_GUI_PREFIX="$prefix" "$build/gui-session" "$sockbin/package_dialog_driver.exe" "$@"; }
check "a parent who cancels the dialog ends the installation" gui "$(package 0.1.0)" --cancel
check "... no installation folder" fails test -e "$folder"
check "msiexec /i with its user interface and no ADMINPASSWORD asks, then installs" \
    gui "$(package 0.1.0)" "$password"
check "... and the password the parent chose proves" \
    w "$folder/pcinstall.exe" check-password --password-stdin <<<"$password"
check "... and is in no file or registry value of the prefix in clear" password_nowhere
check "msiexec /x with ADMINPASSWORD removes it again" \
    msiexec /x "$(package 0.1.0)" /qn "ADMINPASSWORD=$password" $(log uninstall-ui)
check "... leaving no installation folder" fails test -e "$folder"

echo "-- an installation that fails after the tool ran"
check "msiexec /i of the failing package fails" \
    fails msiexec /i "$(package failing)" /qn "ADMINPASSWORD=$password" $(log install-failing)
check "... after the tool installed" grep -aq "pcinstall: installed in" "$out/logs/install-failing.log"
check "... and its rollback action ran" \
    grep -aq "runs pcinstall.exe uninstall" "$out/logs/install-failing.log"
check "... leaving the product unregistered" \
    test "$(w reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s |
        grep -c 'DisplayName.*Quillon Parental Control')" = 0
# Windows runs rollback actions in reverse order, before the files' own rollback; Wine's msi
# removes the installed files first, so the tool cannot run there to undo its installation.
if grep -aq "cannot start .*pcinstall.exe" "$out/logs/install-failing.log"; then
    echo "rollback: SKIPPED: Wine removed the files before the rollback action could run the tool"
else
    check "... and no catalogue entries" test "$(chains)" = 0
    check "... no product key" fails has_key 'HKLM\Software\Tarnwell\Parental Control'
fi

check "no file or registry value of the prefix holds the password in clear" password_nowhere
w --stop
echo "package_test: $failures failed (logs in $out/logs)"
[[ $failures -eq 0 ]]
