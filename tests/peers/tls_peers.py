#!/usr/bin/env python3
"""A real TLS client and server (Python's ssl) with a Windows test between them: the client
connects to the test's relay port, and the test carries the bytes to the server through the
layer, as a browser's connection would go. The server's port goes to OUT.port; once both ends
are done, "server=...;client=..." goes to OUT (each file whole, by a rename), since a Unix
process cannot be waited for from the Windows side.

    tls_peers.py RELAY-PORT SERVER-NAME OUT
"""

import os
import socket
import ssl
import subprocess
import sys
import tempfile
import threading


def put(path, text):
    with open(path + ".tmp", "w") as out:
        out.write(text)
    os.rename(path + ".tmp", path)


def main():
    relay, name, out = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    folder = tempfile.mkdtemp()
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", folder + "/k", "-out",
                    folder + "/c", "-days", "1", "-subj", "/CN=" + name],
                   check=True, capture_output=True)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(folder + "/c", folder + "/k")
    listener = socket.create_server(("127.0.0.1", 0))
    listener.settimeout(20)
    seen = {}

    def serve():
        try:
            conn, _ = listener.accept()
            if not conn.recv(1, socket.MSG_PEEK):
                seen["server"] = "nothing"
                return
            tls = context.wrap_socket(conn, server_side=True)
            seen["server"] = tls.recv(4).decode()
            tls.sendall(b"pong")
            tls.close()
        except Exception as e:
            seen["server"] = "error " + type(e).__name__

    server = threading.Thread(target=serve)
    server.start()
    put(out + ".port", str(listener.getsockname()[1]))
    client = ssl.create_default_context()
    client.check_hostname = False
    client.verify_mode = ssl.CERT_NONE
    try:
        tls = client.wrap_socket(socket.create_connection(("127.0.0.1", relay), 20),
                                 server_hostname=name)
        tls.sendall(b"ping")
        seen["client"] = tls.recv(4).decode()
    except Exception as e:
        seen["client"] = "error " + str(e)
    server.join()
    put(out, "server=%s;client=%s" % (seen.get("server"), seen.get("client")))


if __name__ == "__main__":
    main()
