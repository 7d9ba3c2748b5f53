#!/usr/bin/env python3
"""Serves the family's test sites on loopback, the site chosen by the Host header.

    sites.py --root DIR --http-port N [--https-port N --cert PEM --key PEM]

DIR holds one folder per host name (DIR/news.example/index.html); a path /a-page is
DIR/HOST/a-page.html. Port 0 takes a free port. The first lines on standard output name the
ports ("listening http on 127.0.0.1:PORT", then "listening https on 127.0.0.1:PORT"); then one
line per request, and for HTTPS one per connection: the server name of a completed handshake,
or "https: connection closed before any byte" when the client sent nothing at all, which is
what a connection the filter refused looks like from here.
"""

import argparse
import http.server
import pathlib
import re
import socket
import ssl
import sys
import threading

# A client that connects and then neither sends nor closes is not waited for longer than this.
FIRST_BYTE_SECONDS = 30
HOST_NAME = re.compile(r"[a-z0-9][a-z0-9.-]*")
PAGE_NAME = re.compile(r"[A-Za-z0-9_-]+")


def say(line):
    # One write per line: the request threads share standard output.
    sys.stdout.write(line + "\n")
    sys.stdout.flush()


class SiteHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "FamilySites/1"
    scheme = "http"
    root = pathlib.Path(".")

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        pass  # one line per request comes from do_GET instead

    def page_for(self, host, path):
        name = path.split("?", 1)[0].strip("/") or "index"
        # Host names and page names are plain words, so nothing a client sends can name a
        # file outside the root.
        if not HOST_NAME.fullmatch(host) or ".." in host or not PAGE_NAME.fullmatch(name):
            return None
        candidate = self.root / host / (name + ".html")
        return candidate if candidate.is_file() else None

    def do_GET(self):  # noqa: N802 - the base class's name
        host = (self.headers.get("Host") or "").split(":", 1)[0].lower()
        page = self.page_for(host, self.path)
        if page is None:
            status, body, kind = 404, b"<html><body><h1>Not found</h1></body></html>", "text/html"
        else:
            status, body, kind = 200, page.read_bytes(), "text/html; charset=utf-8"
        say(f"{self.scheme} GET {host}{self.path} -> {status}")
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)


class HttpsSiteServer(http.server.ThreadingHTTPServer):
    """Takes the TLS handshake on the connection's own thread, after checking whether the
    client sent anything at all."""

    def __init__(self, address, handler, context):
        super().__init__(address, handler)
        self.context = context

    def finish_request(self, request, client_address):
        request.settimeout(FIRST_BYTE_SECONDS)
        try:
            first = request.recv(1, socket.MSG_PEEK)
        except OSError as error:
            say(f"https: connection failed before any byte: {error}")
            return
        if not first:
            say("https: connection closed before any byte")
            return
        try:
            tls = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as error:
            say(f"https: handshake failed: {error}")
            return
        tls.settimeout(None)
        super().finish_request(tls, client_address)

    def handle_error(self, request, client_address):
        pass  # a browser closing a kept-alive connection is not news


def make_handler(root, scheme):
    return type(f"{scheme.title()}Handler", (SiteHandler,), {"root": root, "scheme": scheme})


def https_context(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)

    def record_name(_sock, name, _context):
        say(f"https: handshake for {name}")

    context.sni_callback = record_name
    return context


def serve(server, scheme):
    say(f"listening {scheme} on 127.0.0.1:{server.server_address[1]}")
    threading.Thread(target=server.serve_forever, daemon=True).start()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True, type=pathlib.Path)
    parser.add_argument("--http-port", type=int, required=True)
    parser.add_argument("--https-port", type=int)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()
    root = args.root.resolve()

    servers = [(http.server.ThreadingHTTPServer(("127.0.0.1", args.http_port),
                                                make_handler(root, "http")), "http")]
    if args.https_port is not None:
        if not (args.cert and args.key):
            parser.error("--https-port needs --cert and --key")
        context = https_context(args.cert, args.key)
        servers.append((HttpsSiteServer(("127.0.0.1", args.https_port),
                                        make_handler(root, "https"), context), "https"))
    for server, scheme in servers:
        server.daemon_threads = True
        serve(server, scheme)
    threading.Event().wait()


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        pass
