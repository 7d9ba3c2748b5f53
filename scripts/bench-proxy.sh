#!/usr/bin/env bash
# The filtering proxy's costs (not a test; prints figures and ratios): page load times through
# the proxy with the filter's layer in the catalogue against the same proxy with the layer
# removed, for a page allowed by a URL word (no lookup), a page of a host whose category the
# filter was told before (kept, with the strict filter), and an HTTPS page (judged by its
# server name, after a lookup); and the proxy's throughput
# with 50 connections at once. Strict installation, log level 0, in a Wine prefix of its own
# (build/win/wineprefix-proxybench), with the shipped category server and native web servers.
#   scripts/bench-proxy.sh [--io overlapped|blocking] [ROUNDS [LOADS]]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
io=overlapped
if [[ "${1:-}" == "--io" ]]; then
    io=$2
    shift 2
fi
rounds=${1:-4}
loads=${2:-25}

scripts/setup.sh >/dev/null
[[ -f build/win/build.ninja && -f build/native/build.ninja ]] || scripts/build.sh >/dev/null
cmake --build build/win --target filter-proxy proxy_bench_setup pcinstall >/dev/null
cmake --build build/native --target category-server >/dev/null

export PC_WINEPREFIX="$root/build/win/wineprefix-proxybench"
# From the build tree: a product program without an installation logs to its working folder.
run() { (cd "$root/build/win" && exec ./wine-run "$@"); }
sockbin=$root/build/win/sockbin
workdir=$(mktemp -d)
# The proxy runs until its standard input ends: this script holds the only writer.
mkfifo "$workdir/proxy-input"
exec 3<>"$workdir/proxy-input"
pids=()
cleanup() {
    exec 3>&-
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    run "$sockbin/pcinstall.exe" uninstall >/dev/null 2>&1 || true
    run "$sockbin/wscatalog.exe" clear >/dev/null 2>&1 || true
    build/win/wine-run --stop
    rm -rf "$workdir"
}
trap cleanup EXIT
source scripts/lib/servers.sh

# --verbose: the lookups are counted at the end, a line each.
build/native/tools/category-server/category-server --address 127.0.0.2 --port 0 \
    --db data/category-db.txt --verbose >"$workdir/categories.log" 2>&1 &
pids+=($!)
category_port=$(wait_port "$workdir/categories.log" '.*listening on 127.0.0.2:\([0-9]*\).*' \
    bench-proxy)
peers=tests/tools/filter-proxy/proxy_peers.py
python3 "$peers" web "$workdir/web-port" "$workdir/web-stop" &
pids+=($!)
python3 "$peers" tls "$workdir/tls-port" "$workdir/tls-stop" "$workdir/tls-record" shop.example &
pids+=($!)
for _ in $(seq 100); do [[ -s "$workdir/web-port" && -s "$workdir/tls-port" ]] && break; sleep 0.1; done
web_port=$(cat "$workdir/web-port")
tls_port=$(cat "$workdir/tls-port")

lsp="Z:${root//\//\\}\\build\\win\\sockbin\\FilterLsp.dll"
run "$sockbin/wscatalog.exe" base
run "$sockbin/pcinstall.exe" install --force --folder 'C:\ParentalControlBench' \
    --admin-password bench --server-ip 127.0.0.2 --server-port "$category_port" --log-level 0 \
    --lsp "$lsp" >/dev/null
run "$sockbin/proxy_bench_setup.exe" allow allowed
printf '127.0.0.1 allowed.example news.example shop.example\n' >"$workdir/hosts"
# Standard output to a file: Wine's writes to a pipe cost about a millisecond each.
run "$sockbin/filter-proxy.exe" --hosts "Z:${workdir//\//\\}\\hosts" --io "$io" \
    --until-stdin-closes <"$workdir/proxy-input" >"$workdir/proxy.log" 2>&1 &
pids+=($!)
proxy_port=$(wait_port "$workdir/proxy.log" '.*listening on 127.0.0.1:\([0-9]*\).*' bench-proxy)

echo "bench-proxy: $io I/O, $rounds rounds of $loads loads per page and side"
python3 scripts/lib/proxy_bench.py "$proxy_port" "$rounds" "$loads" \
    "cd $root/build/win && ./wine-run $sockbin/proxy_bench_setup.exe layer" \
    "allowed word (no lookup)=http://allowed.example:$web_port/page" \
    "category, host seen before (News)=http://news.example:$web_port/page" \
    "HTTPS, server name (Shopping)=https://shop.example:$tls_port/"
echo "bench-proxy: the category server answered $(grep -cF ' -> ' "$workdir/categories.log") lookups"
