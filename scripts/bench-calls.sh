#!/usr/bin/env bash
# Counts, rather than times, what HTTP requests and overlapped pairs cost: the requests one
# client process makes to a traced wineserver (each one a cross-process round trip under Wine,
# a kernel call on Windows), per operation and kind, and how many more than the same without
# the layer. Unlike the timed ratios these do not move with the machine's load.
#
# A private prefix (build/win/wineprefix-calls) with its own `wineserver -p -d1`; the category
# server and a web server are native processes on loopback, so the traced client's requests are
# its own and the filter's. Runs at log level 0 (the filter's cost), one at level 1 (with the
# records a lookup writes), and one with the strict filter, whose categories are kept per host
# (category-cached against a word decision), whose ConnectEx is its own (connectex-layer
# against the base provider's), and which decides time rules first (time-allowed and
# time-blocked against the same requests without them).
# Usage: scripts/bench-calls.sh [N]   (operations of each kind, default 50)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
n=${1:-50}
scripts/setup.sh >/dev/null
scripts/build.sh >/dev/null
cmake --build build/win --target calls_bench >/dev/null

export WINEPREFIX="$root/build/win/wineprefix-calls" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The 64-bit loader, never Debian's `wine` command (see cmake/wine-run.sh.in).
loader=/usr/lib/wine/wine64
work=$(mktemp -d)
pids=()
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    "$loader" wineboot.exe -i </dev/null >/dev/null 2>&1
    wineserver -w
fi

source scripts/lib/servers.sh

build/native/tools/category-server/category-server --address 127.0.0.2 --port 0 \
    --db data/category-db.txt >"$work/categories.log" 2>&1 &
pids+=($!)
category_port=$(wait_port "$work/categories.log" '.*listening on 127.0.0.2:\([0-9]*\).*' \
    bench-calls)
# Answers every request in one write and closes, so that the client's reads do not depend on
# how the answer happens to be split.
python3 -u -c '
import socket
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.3", 0))
s.listen(64)
print("port", s.getsockname()[1], flush=True)
page = b"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n" + b"r" * 100
while True:
    c, _ = s.accept()
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = c.recv(4096)
        if not chunk:
            break
        data += chunk
    if data:
        try:
            c.sendall(page)
        except OSError:
            pass
    c.close()
' >"$work/web.log" 2>&1 &
pids+=($!)
web_port=$(wait_port "$work/web.log" 'port \([0-9]*\)' bench-calls)

# Standard output: a file, a pipe, none (closed) or a terminal (a console to Wine), since the C runtime's writes cost
# differently on each.
run() {
    local level=$1 output=$2 filter=${3:-compat} trace="$work/trace-$1-$2-${3:-compat}.log"
    local program=("$loader" build/win/sockbin/calls_bench.exe "$web_port"
        "$category_port" "$n" "$level" "$filter")
    wineserver -f -p -d1 2>"$trace" &
    local server=$!
    sleep 1
    local status=0
    case $output in
    file) "${program[@]}" >"$work/out.log" 2>"$work/err.log" || status=$? ;;
    pipe) "${program[@]}" 2>"$work/err.log" | cat >"$work/out.log" || status=$? ;;
    none) "${program[@]}" >&- 2>"$work/err.log" || status=$? ;;
    console) script -qfec "${program[*]} 2>$work/err.log" /dev/null </dev/null >"$work/out.log" || status=$? ;;
    esac
    wineserver -k >/dev/null 2>&1 || true
    wait "$server" || true
    if ((status != 0)); then
        echo "bench-calls: the client failed ($status); its output:" >&2
        cat "$work/out.log" "$work/err.log" >&2
        exit 1
    fi
    [[ -n "${PC_CALLS_KEEP:-}" ]] && cp "$trace" "$PC_CALLS_KEEP-$level-$output-$filter.log"
    scripts/calls-count.py "$trace" "log level $level, standard output: $output, $filter filter"
}

run 0 file
run 0 pipe
run 0 none
run 0 console
run 1 file
run 0 file strict
