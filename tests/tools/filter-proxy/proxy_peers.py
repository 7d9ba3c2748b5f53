"""Native peers of the filtering proxy's tests, started through Wine as Unix programs. Each
writes what it has to say to a file (whole, by renaming), since a Unix process cannot be
waited for from the Windows side, and each ends by itself: the servers when their stop file
appears (which they remove, to say so), or after five minutes, the clients when they are done.

  web PORTFILE STOPFILE                  HTTP/1.1 server of PAGE at any path
  tls PORTFILE STOPFILE RECORDFILE NAME  HTTPS server (certificate for NAME made with openssl)
                                         of PAGE; RECORDFILE lists, per connection, "served"
                                         or "nothing" (no byte ever arrived)
  run RESULTFILE PROGRAM ARGS...         runs a program; RESULTFILE: exit code, then stderr;
                                         RESULTFILE.out: its standard output
  clients RESULTFILE PROXYPORT URL CONNECTIONS REQUESTS
                                         CONNECTIONS connections to the proxy, all open at
                                         once, each asking for URL REQUESTS times, kept alive;
                                         RESULTFILE: "ok N" and the failures
"""
import os
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

# The page every server sends: long enough to take several receives, every byte checked.
PAGE = b"".join(b"line %05d of the test page\n" % i for i in range(400))


def put(path, data):
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.rename(path + ".tmp", path)


# A server left running by a test that failed ends after this long (seconds).
GUARD = 300


def stop_seen(stop_file):
    """True once the stop file is there; it is removed, to say that the server has seen it."""
    if not os.path.exists(stop_file):
        return False
    os.remove(stop_file)
    return True


def wait_for_stop(stop_file):
    end = time.time() + GUARD
    while not stop_seen(stop_file) and time.time() < end:
        time.sleep(0.05)


class Page(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(PAGE)))
        self.end_headers()
        self.wfile.write(PAGE)

    def log_message(self, *args):
        pass


def web(port_file, stop_file):
    ThreadingHTTPServer.request_queue_size = 512
    server = ThreadingHTTPServer(("127.0.0.1", 0), Page)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    put(port_file, str(server.server_address[1]).encode())
    wait_for_stop(stop_file)
    server.shutdown()
    server.server_close()


def tls(port_file, stop_file, record_file, name):
    folder = tempfile.mkdtemp()
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", folder + "/k",
                    "-out", folder + "/c", "-days", "1", "-subj", "/CN=" + name],
                   check=True, capture_output=True)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(folder + "/c", folder + "/k")
    listener = socket.create_server(("127.0.0.1", 0))
    listener.settimeout(0.05)
    records = []

    def serve(conn):
        conn.settimeout(30)
        try:
            if not conn.recv(1, socket.MSG_PEEK):
                records.append("nothing")
                return
            with context.wrap_socket(conn, server_side=True) as secure:
                request = b""
                while b"\r\n\r\n" not in request:
                    data = secure.recv(4096)
                    if not data:
                        break
                    request += data
                secure.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close"
                               b"\r\n\r\n" % len(PAGE) + PAGE)
            records.append("served")
        except Exception as e:
            records.append("error " + type(e).__name__)
        finally:
            conn.close()
            put(record_file, "\n".join(records).encode())

    put(port_file, str(listener.getsockname()[1]).encode())
    end = time.time() + GUARD
    while not stop_seen(stop_file) and time.time() < end:
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            continue
        threading.Thread(target=serve, args=(conn,), daemon=True).start()


def run(result_file, *command):
    done = subprocess.run(command, capture_output=True)
    put(result_file + ".out", done.stdout)
    put(result_file, b"%d\n" % done.returncode + done.stderr)


def read_response(conn, pending):
    while b"\r\n\r\n" not in pending:
        data = conn.recv(65536)
        if not data:
            raise EOFError("closed before a response head")
        pending += data
    head, _, rest = pending.partition(b"\r\n\r\n")
    length = next(int(line.split(b":", 1)[1]) for line in head.split(b"\r\n")
                  if line.lower().startswith(b"content-length:"))
    while len(rest) < length:
        data = conn.recv(65536)
        if not data:
            raise EOFError("closed inside a body")
        rest += data
    return head, rest[:length], rest[length:]


def clients(result_file, proxy_port, url, connections, requests):
    connections, requests = int(connections), int(requests)
    opened = threading.Barrier(connections)
    failures = []
    ok = [0]
    lock = threading.Lock()

    def client():
        try:
            conn = socket.create_connection(("127.0.0.1", int(proxy_port)), timeout=120)
        except Exception as e:
            with lock:
                failures.append("connect: %r" % e)
            opened.abort()
            return
        try:
            opened.wait()
            pending = b""
            for _ in range(requests):
                conn.sendall(b"GET %s HTTP/1.1\r\nHost: x\r\nUser-Agent: browser-like\r\n"
                             b"Accept: */*\r\n\r\n" % url.encode())
                head, body, pending = read_response(conn, pending)
                if not head.startswith(b"HTTP/1.1 200") or body != PAGE:
                    raise ValueError("unexpected answer " + head.split(b"\r\n")[0].decode())
                with lock:
                    ok[0] += 1
        except Exception as e:
            with lock:
                failures.append("%s: %r" % (type(e).__name__, e))
        finally:
            conn.close()

    threads = [threading.Thread(target=client) for _ in range(connections)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    put(result_file, ("ok %d" % ok[0] + "".join("\n" + f for f in failures[:10])).encode())


if __name__ == "__main__":
    commands = {"web": web, "tls": tls, "run": run, "clients": clients}
    commands[sys.argv[1]](*sys.argv[2:])
