#!/usr/bin/env bash
# Sets up the machine, builds everything, and runs the demonstration: a fresh installation in
# the Wine prefix, the filter registered in the (stand-in) Winsock catalogue, a category
# server and a web server on loopback, and a browser-like program whose requests the filter
# judges. Everything it set up is removed again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup.sh
scripts/build.sh >/dev/null
echo "main: built build/win and build/native"

run() { build/win/wine-run "$@"; }
sockbin=build/win/sockbin
workdir=$(mktemp -d)
pids=()
cleanup() {
    run "$sockbin/pcinstall.exe" uninstall >/dev/null 2>&1 || true
    run "$sockbin/wscatalog.exe" clear >/dev/null 2>&1 || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    build/win/wine-run --stop
    rm -rf "$workdir"
}
trap cleanup EXIT

source scripts/lib/servers.sh

build/native/tools/category-server --address 127.0.0.2 --port 0 --db data/category-db.txt \
    >"$workdir/categories.log" 2>&1 &
pids+=($!)
category_port=$(wait_port "$workdir/categories.log" 'listening on 127.0.0.2:\([0-9]*\)' main)
python3 -u -m http.server --bind 127.0.0.1 --directory data/demo-site 0 \
    >"$workdir/web.log" 2>&1 &
pids+=($!)
web_port=$(wait_port "$workdir/web.log" '.*port \([0-9]*\).*' main)

lsp="Z:${root//\//\\}\\build\\win\\sockbin\\FilterLsp.dll"
run "$sockbin/wscatalog.exe" base
run "$sockbin/pcinstall.exe" install --force --folder 'C:\ParentalControlDemo' \
    --admin-password demo --server-ip 127.0.0.2 --server-port "$category_port" --log-level 1 \
    --lsp "$lsp"
echo "main: category server on 127.0.0.2:$category_port, web server on 127.0.0.1:$web_port"
echo
run "$sockbin/pcdemo.exe" "$web_port" | tr -d '\r'
echo
echo "main: the category server answered:"
sed -n '2,$p' "$workdir/categories.log"
