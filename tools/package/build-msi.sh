#!/usr/bin/env bash
# Builds the Windows package with msitools: wixl from QuillonParentalControl.wxs, then
# msibuild for what wixl 0.101 cannot say (see docs/windows.md, "The package").
#   build-msi.sh OUT.msi VERSION STANDIN WIN-BIN WIN-SOCKBIN WIN32-SOCKBIN ACTIONS.DLL TOOL-DIR
# WIN-BIN holds the 64-bit programs, lists and pictures, WIN-SOCKBIN the 64-bit FilterLsp.dll,
# WIN32-SOCKBIN the 32-bit FilterLsp.dll and PolicyApi.dll, TOOL-DIR the pcinstall.exe to carry
# (STANDIN 1: the one built on the Winsock stand-in, with its wshost.dll, for the tests).
set -euo pipefail
out=$(realpath -m "$1")
version=$2 standin=$3 bin=$4 sockbin=$5 sockbin32=$6 actions=$7 tooldir=$8
source_dir=$(cd "$(dirname "$0")" && pwd)

stage=$out.stage
rm -rf "$stage"
mkdir -p "$stage/x86"
for f in Gui.exe PolicyApi.dll category-server.exe categories.txt category-db.txt list-map.txt \
    Quillon-block-image.jpg access-quillon-logo.jpg; do
    cp "$bin/$f" "$stage/"
done
cp "$sockbin/FilterLsp.dll" "$stage/"
cp "$sockbin32/FilterLsp.dll" "$sockbin32/PolicyApi.dll" "$stage/x86/"
cp "$actions" "$stage/PackageActions.dll"
cp "$tooldir/pcinstall.exe" "$stage/"
if [[ $standin == 1 ]]; then
    cp "$tooldir/wshost.dll" "$stage/"
fi

rm -f "$out"
(cd "$stage" && wixl -a x64 -D Version="$version" -D StandIn="$standin" -o "$out" \
    "$source_dir/QuillonParentalControl.wxs")

# wixl numbers custom actions unpredictably (Before/After are not kept from one run to the next)
# and never writes the bit that keeps an action's target out of the log
# (msidbCustomActionTypeHideTarget, 0x2000), so the sequence and the types are set here:
# - the password check after CostFinalize (which resolves INSTALLFOLDER) and before
#   InstallValidate, so that a refusal removes nothing;
# - the old version removed whole (RemoveExistingProducts right after InstallValidate, the mark
#   that tells it so under Wine just before) before the new one installs around the settings it
#   kept;
# - the uninstallation's tool run before RemoveFiles takes it away, the installation's after
#   InstallFiles put it there, with its undoing just before it (a rollback action runs only
#   when a later step fails), each with its data set just before;
# - in the user-interface sequence, the password dialog once CostFinalize has run and before
#   ExecuteAction hands over to the installation.
q() { msibuild "$out" -q "$1"; }
sequence() { q "UPDATE InstallExecuteSequence SET Sequence = $2 WHERE Action = '$1'"; }
sequence CheckUninstallPassword 1300
sequence MarkUpgrade 1405
sequence RemoveExistingProducts 1410
sequence SetUninstallProductData 3480
sequence UninstallProduct 3490
sequence SetRollbackInstallProductData 4002
sequence RollbackInstallProduct 4004
sequence SetInstallProductData 4005
sequence InstallProduct 4010
q "UPDATE InstallUISequence SET Sequence = 1010 WHERE Action = 'AskAdminPassword'"
q "UPDATE CustomAction SET Type = 8243 WHERE Action = 'SetInstallProductData'"
q "UPDATE CustomAction SET Type = 11265 WHERE Action = 'InstallProduct'"
# wixl writes Execute="rollback" as an immediate action: a DLL action (1) whose return is ignored
# (0x40), in the script (0x400) as a rollback (0x100), not impersonated (0x800).
q "UPDATE CustomAction SET Type = 3393 WHERE Action = 'RollbackInstallProduct'"
q "UPDATE Property SET Value = 'OLDERVERSIONFOUND;NEWERVERSIONFOUND;ADMINPASSWORD;CATEGORYSERVER;STRICTFILTER' WHERE Property = 'SecureCustomProperties'"
rm -rf "$stage"
