#!/usr/bin/env python3
"""The family's sites server and the browser driver, natively, against each other.

    sites_test.py SOURCE-DIR
"""

import http.client
import pathlib
import re
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest

SOURCE = pathlib.Path(sys.argv.pop(1)).resolve()
SITES = SOURCE / "tools" / "sites" / "sites.py"
BROWSE = SOURCE / "tools" / "browser" / "browse.py"


def wait_for(predicate, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.05)
    return False


class SitesServer:
    """sites.py over a root of two small sites, with a file beside the root that no request
    may reach."""

    def __init__(self, folder):
        self.folder = folder
        root = folder / "root"
        (root / "family.example").mkdir(parents=True)
        (root / "family.example" / "index.html").write_text("<title>Family</title>")
        (root / "family.example" / "recipes.html").write_text("<title>Recipes</title>")
        (folder / "secret.html").write_text("<title>Secret</title>")
        subprocess.run(
            ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
             "-subj", "/CN=family.example", "-keyout", str(folder / "key.pem"),
             "-out", str(folder / "cert.pem")],
            check=True, capture_output=True)
        self.log = folder / "sites.log"
        with self.log.open("w") as output:
            self.process = subprocess.Popen(
                [sys.executable, "-u", str(SITES), "--root", str(root), "--http-port", "0",
                 "--https-port", "0", "--cert", str(folder / "cert.pem"),
                 "--key", str(folder / "key.pem")],
                stdout=output, stderr=subprocess.STDOUT)
        assert wait_for(lambda: self.port("https")), self.lines()

    def lines(self):
        return self.log.read_text().splitlines()

    def port(self, scheme):
        for line in self.lines():
            found = re.fullmatch(rf"listening {scheme} on 127\.0\.0\.1:(\d+)", line)
            if found:
                return int(found.group(1))
        return None

    def get(self, host, path):
        connection = http.client.HTTPConnection("127.0.0.1", self.port("http"), timeout=30)
        connection.putrequest("GET", path, skip_host=True)
        connection.putheader("Host", host)
        connection.endheaders()
        response = connection.getresponse()
        body = response.read().decode()
        connection.close()
        return response.status, body

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=30)


class ServedTest(unittest.TestCase):
    """A sites server in a folder of its own for the class's tests."""

    @classmethod
    def setUpClass(cls):
        cls.folder = pathlib.Path(tempfile.mkdtemp())
        cls.server = SitesServer(cls.folder)

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        shutil.rmtree(cls.folder)


class SitesTest(ServedTest):

    def test_the_host_header_chooses_the_site_whatever_its_port_and_case(self):
        self.assertEqual(self.server.get("family.example:8080", "/"),
                         (200, "<title>Family</title>"))
        self.assertEqual(self.server.get("Family.Example", "/recipes?x=1")[1],
                         "<title>Recipes</title>")
        self.assertEqual(self.server.get("news.example", "/")[0], 404)

    def test_nothing_outside_the_root_is_served(self):
        for host, path in [("..", "/secret"), ("family.example/..", "/secret"),
                           ("family.example/../..", "/secret"), ("family.example", "/../secret"),
                           ("family.example", "/..%2fsecret"), (".", "/secret"),
                           ("", "/secret"), ("family.example", "/.hidden")]:
            with self.subTest(host=host, path=path):
                status, body = self.server.get(host, path)
                self.assertEqual(status, 404)
                self.assertNotIn("Secret", body)

    def test_https_names_the_handshake_and_tells_an_empty_connection_apart(self):
        context = ssl.create_default_context()
        context.check_hostname = False
        context.verify_mode = ssl.CERT_NONE
        port = self.server.port("https")
        with socket.create_connection(("127.0.0.1", port), timeout=30) as raw:
            with context.wrap_socket(raw, server_hostname="family.example") as tls:
                tls.sendall(b"GET / HTTP/1.1\r\nHost: family.example\r\nConnection: close\r\n\r\n")
                reply = b""
                while chunk := tls.recv(4096):
                    reply += chunk
        self.assertIn(b"<title>Family</title>", reply)
        with socket.create_connection(("127.0.0.1", port), timeout=30) as quiet:
            quiet.shutdown(socket.SHUT_WR)
            quiet.recv(1)
        with socket.create_connection(("127.0.0.1", port), timeout=30) as plain:
            plain.sendall(b"GET / HTTP/1.0\r\n\r\n")
            try:
                plain.recv(1)
            except ConnectionResetError:
                pass  # the server's TLS stack may reset rather than close
        lines = self.server.lines()
        self.assertTrue(wait_for(lambda: "https: connection closed before any byte"
                                 in self.server.lines()))
        self.assertIn("https: handshake for family.example", lines)
        self.assertTrue(wait_for(lambda: any(line.startswith("https: handshake failed")
                                             for line in self.server.lines())))
        # The server still serves after both.
        self.assertEqual(self.server.get("family.example", "/")[0], 200)


@unittest.skipUnless(shutil.which("chromium"), "Debian's chromium is not installed")
class BrowseTest(ServedTest):
    def browse(self, name, url):
        # The site's name is mapped to loopback inside the browser: no proxy here.
        return subprocess.run(
            [sys.executable, str(BROWSE), "--out", str(self.folder / "out"), "--name", name,
             "--timeout", "120", url, "--", "--no-sandbox", "--disable-gpu",
             "--host-resolver-rules=MAP family.example 127.0.0.1"],
            stderr=subprocess.DEVNULL, timeout=240).returncode

    def test_a_page_keeps_its_dom_and_picture(self):
        self.assertEqual(self.browse("page", f"http://family.example:{self.server.port('http')}/"),
                         0)
        out = self.folder / "out"
        self.assertIn("<title>Family</title>", (out / "pages" / "page.html").read_text())
        self.assertEqual((out / "screenshots" / "page.png").read_bytes()[:8], b"\x89PNG\r\n\x1a\n")
        self.assertFalse((out / "pages" / "page.error").exists())

    def test_a_failed_load_keeps_the_error_page_and_names_the_error(self):
        # Bound and not listening, for the whole test: a connect there is refused, and no one
        # else can take the port meanwhile.
        with socket.socket() as closed:
            closed.bind(("127.0.0.1", 0))
            port = closed.getsockname()[1]
            self.assertEqual(self.browse("refused", f"http://family.example:{port}/"), 0)
        out = self.folder / "out"
        self.assertEqual((out / "pages" / "refused.error").read_text().strip(),
                         "net::ERR_CONNECTION_REFUSED")
        self.assertIn("ERR_CONNECTION_REFUSED", (out / "pages" / "refused.html").read_text())
        self.assertTrue((out / "screenshots" / "refused.png").stat().st_size > 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
