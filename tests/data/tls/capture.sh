#!/usr/bin/env bash
# Recaptures the ClientHello files beside this script: a listener on 127.0.0.1 keeps the
# first bytes each client sends (its hello comes before any answer, so no TLS server is
# needed) and closes; the clients give up on the closed connection.
set -euo pipefail
cd "$(dirname "$0")"
port=${PORT:-18443}
name=hello.example.test

# Accepts one connection, keeps what arrives within a second, writes it to $1.
listen_once() {
    python3 - "$port" "$1" <<'PY' &
import socket, sys, time
port, out = int(sys.argv[1]), sys.argv[2]
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", port))
srv.listen(1)
conn, _ = srv.accept()
conn.settimeout(0.2)
data, end = b"", time.time() + 1.0
while time.time() < end:
    try:
        chunk = conn.recv(65536)
    except socket.timeout:
        continue
    if not chunk:
        break
    data += chunk
conn.close()
open(out, "wb").write(data)
PY
    listener=$!
    sleep 0.5
}

finish() {
    wait "$listener"
    echo "$1: $(stat -c %s "$1") bytes"
}

listen_once curl.bin
curl -sk --max-time 3 --resolve "$name:$port:127.0.0.1" "https://$name:$port/" || true
finish curl.bin

listen_once curl-no-sni.bin
curl -sk --max-time 3 "https://127.0.0.1:$port/" || true
finish curl-no-sni.bin

listen_once openssl.bin
timeout 3 openssl s_client -connect "127.0.0.1:$port" -servername "$name" </dev/null \
    >/dev/null 2>&1 || true
finish openssl.bin

listen_once openssl-no-sni.bin
timeout 3 openssl s_client -connect "127.0.0.1:$port" -noservername </dev/null \
    >/dev/null 2>&1 || true
finish openssl-no-sni.bin

listen_once chromium.bin
profile=$(mktemp -d)
timeout 20 chromium --headless --no-sandbox --disable-gpu --user-data-dir="$profile" \
    --ignore-certificate-errors --host-resolver-rules="MAP $name 127.0.0.1" \
    --dump-dom "https://$name:$port/" >/dev/null 2>&1 || true
rm -rf "$profile"
finish chromium.bin

# The fuzzer's seeds: each hello behind the fuzzer's header (no cuts), and again cut into
# three records and fed in three sends.
python3 - <<'PY'
import glob, os, struct
seeds = "../../../fuzz/corpus/fuzz_client_hello"
os.makedirs(seeds, exist_ok=True)
for path in sorted(glob.glob("*.bin")):
    name = os.path.basename(path)[:-4]
    data = open(path, "rb").read()
    open(f"{seeds}/{name}", "wb").write(b"\x00" + data)
    message = data[5:]
    pieces = [message[:3], message[3:len(message) // 2], message[len(message) // 2:]]
    records = b"".join(b"\x16\x03\x01" + struct.pack(">H", len(p)) + p for p in pieces)
    cuts = struct.pack("<HH", 4, len(records) - 7)
    open(f"{seeds}/{name}-records", "wb").write(b"\x02" + cuts + records)
PY
echo "fuzzer seeds written"
