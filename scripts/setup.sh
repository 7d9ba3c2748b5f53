#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need; does nothing when all are
# already there. Runs as root, or through sudo when it is available.
set -euo pipefail

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
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo=sudo
echo "setup: installing ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
