#!/usr/bin/env python3
"""Two category servers behind nginx's stream proxy: lookups go on, from several clients at
once, while one server is stopped. A lookup that fails is asked once more, as the filter asks
its second server; none may fail twice.

    scale_out_test.py SOURCE-DIR CATEGORY-SERVER
"""

import os
import pathlib
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

SOURCE = pathlib.Path(sys.argv.pop(1)).resolve()
SERVER = pathlib.Path(sys.argv.pop(1)).resolve()
NGINX = shutil.which("nginx") or "/usr/sbin/nginx"
STREAM_MODULE = pathlib.Path("/usr/lib/nginx/modules/ngx_stream_module.so")
SCOPED_LOOKUP = 6


def wait_for(predicate, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.05)
    return False


def lookup(socket_path, url):
    """One lookup over nginx's socket: the reply's value, or None when it did not come."""
    try:
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
            s.settimeout(5)
            s.connect(socket_path)
            value = url.encode()
            s.sendall(struct.pack("<BI", SCOPED_LOOKUP, len(value) + 5) + value)
            reply = b""
            while True:
                chunk = s.recv(4096)
                if not chunk:
                    break
                reply += chunk
                if len(reply) >= 5 and len(reply) >= struct.unpack("<I", reply[1:5])[0]:
                    break
    except OSError:
        return None
    if len(reply) < 5 or reply[0] != SCOPED_LOOKUP:
        return None
    return reply[5:struct.unpack("<I", reply[1:5])[0]].decode()


class CategoryServer:
    def __init__(self, folder, name):
        self.log = folder / f"{name}.log"
        with self.log.open("w") as output:
            self.process = subprocess.Popen(
                [str(SERVER), "--address", "127.0.0.1", "--port", "0", "--verbose",
                 "--db", str(SOURCE / "data" / "category-db.txt")],
                stdout=output, stderr=subprocess.STDOUT)
        assert wait_for(lambda: self.port()), self.log.read_text()

    def port(self):
        found = re.search(r"listening on 127\.0\.0\.1:(\d+)", self.log.read_text())
        return int(found.group(1)) if found else None

    def lookups(self):
        return sum(" -> " in line for line in self.log.read_text().splitlines())

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


class Nginx:
    def __init__(self, folder, servers):
        self.folder = folder
        self.socket = str(folder / "categories.sock")
        upstreams = "".join(f"        server 127.0.0.1:{s.port()};\n" for s in servers)
        (folder / "nginx.conf").write_text(
            f"load_module {STREAM_MODULE};\n"
            "worker_processes 1;\n"
            f"pid {folder}/nginx.pid;\n"
            f"error_log {folder}/nginx-error.log info;\n"
            "events { worker_connections 1024; }\n"
            "stream {\n"
            "    upstream categories {\n"
            f"{upstreams}"
            "    }\n"
            "    server {\n"
            f"        listen unix:{self.socket};\n"
            "        proxy_pass categories;\n"
            "        proxy_connect_timeout 1s;\n"
            "        proxy_timeout 5s;\n"
            "    }\n"
            "}\n")
        self.process = subprocess.Popen(
            [NGINX, "-p", str(folder), "-c", str(folder / "nginx.conf"), "-g", "daemon off;"],
            stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
        assert wait_for(lambda: os.path.exists(self.socket)), self.errors()

    def errors(self):
        path = self.folder / "nginx-error.log"
        return path.read_text() if path.exists() else "(no nginx log)"

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


class Clients:
    """Threads that look up one URL after another until told to stop."""

    def __init__(self, socket_path, count=4):
        self.lock = threading.Lock()
        self.answered = self.retried = self.failed = 0
        self.stopping = threading.Event()
        self.threads = [threading.Thread(target=self.run, args=(socket_path, i))
                        for i in range(count)]
        for thread in self.threads:
            thread.start()

    def run(self, socket_path, index):
        n = 0
        while not self.stopping.is_set():
            n += 1
            url = f"casino.example/{index}/{n}"
            answer = lookup(socket_path, url)
            retried = answer is None
            if retried:
                answer = lookup(socket_path, url)
            with self.lock:
                self.retried += retried
                if answer == "h\tGambling":
                    self.answered += 1
                else:
                    self.failed += 1

    def count(self):
        with self.lock:
            return self.answered

    def stop(self):
        self.stopping.set()
        for thread in self.threads:
            thread.join()


@unittest.skipUnless(STREAM_MODULE.exists(), "nginx's stream module is not installed")
class ScaleOutTest(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp(prefix="scale-out-"))
        self.servers = [CategoryServer(self.folder, "first"), CategoryServer(self.folder, "second")]
        self.nginx = Nginx(self.folder, self.servers)

    def tearDown(self):
        self.nginx.stop()
        for server in self.servers:
            server.stop()
        shutil.rmtree(self.folder)

    def test_lookups_go_on_while_a_server_stops(self):
        first, second = self.servers
        clients = Clients(self.nginx.socket)
        try:
            self.assertTrue(wait_for(lambda: first.lookups() > 50 and second.lookups() > 50),
                            "nginx did not spread the lookups over both servers")
            first.stop()
            before = clients.count()
            self.assertTrue(wait_for(lambda: clients.count() > before + 500),
                            self.nginx.errors())
        finally:
            clients.stop()
        print(f"{clients.answered} lookups answered, {clients.retried} asked twice, "
              f"{clients.failed} failed; the first server answered {first.lookups()} before "
              f"it stopped, the second {second.lookups()}")
        self.assertEqual(clients.failed, 0)
        self.assertGreaterEqual(first.lookups() + second.lookups(), clients.answered)


if __name__ == "__main__":
    unittest.main()
