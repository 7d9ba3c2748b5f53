"""The measuring side of scripts/bench-proxy.sh: page loads and throughput through the
filtering proxy, with the filter's layer in the catalogue and without it, in alternating
batches (timings under Wine swing with the machine's load; only figures of one run compare).

  proxy_bench.py PROXY_PORT ROUNDS LOADS "LAYER-COMMAND" LABEL=URL...

LAYER-COMMAND is run with "on" or "off" appended before each batch. Each URL (http:// or
https://) is loaded LOADS times per batch, each time on a new connection to the proxy, as a
browser's first load of a page is; then 50 connections at once send keep-alive requests for
the first URL.
"""
import socket
import ssl
import statistics
import subprocess
import sys
import threading
import time

TLS = ssl.create_default_context()
TLS.check_hostname = False
TLS.verify_mode = ssl.CERT_NONE


def read_response(conn, pending=b""):
    while b"\r\n\r\n" not in pending:
        data = conn.recv(65536)
        if not data:
            raise EOFError("no response head")
        pending += data
    head, _, rest = pending.partition(b"\r\n\r\n")
    if not head.startswith(b"HTTP/1.1 200"):
        raise ValueError(head.split(b"\r\n")[0].decode())
    length = next(int(line.split(b":", 1)[1]) for line in head.split(b"\r\n")
                  if line.lower().startswith(b"content-length:"))
    while len(rest) < length:
        data = conn.recv(65536)
        if not data:
            raise EOFError("body cut short")
        rest += data
    return rest[length:]


def load(port, url):
    """One page load on a new connection; seconds."""
    start = time.perf_counter()
    scheme, _, rest = url.partition("://")
    authority, _, path = rest.partition("/")
    with socket.create_connection(("127.0.0.1", port)) as conn:
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        if scheme == "https":
            conn.sendall(b"CONNECT %s HTTP/1.1\r\nHost: %s\r\n\r\n" % ((authority.encode(),) * 2))
            answer = conn.recv(4096)
            if not answer.startswith(b"HTTP/1.1 200"):
                raise ValueError(answer.split(b"\r\n")[0].decode())
            with TLS.wrap_socket(conn, server_hostname=authority.split(":")[0]) as secure:
                secure.sendall(b"GET /%s HTTP/1.1\r\nHost: %s\r\n\r\n" % (path.encode(),
                                                                        authority.encode()))
                read_response(secure)
        else:
            conn.sendall(b"GET %s HTTP/1.1\r\nHost: %s\r\n\r\n" % (url.encode(),
                                                                  authority.encode()))
            read_response(conn)
    return time.perf_counter() - start


def throughput(port, url, connections=50, requests=20):
    """Requests per second with `connections` kept-alive connections at once."""
    authority = url.partition("://")[2].partition("/")[0]
    ready = threading.Barrier(connections + 1)
    failures = []

    def client():
        with socket.create_connection(("127.0.0.1", port)) as conn:
            conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            ready.wait()
            pending = b""
            try:
                for _ in range(requests):
                    conn.sendall(b"GET %s HTTP/1.1\r\nHost: %s\r\n\r\n" % (url.encode(),
                                                                          authority.encode()))
                    pending = read_response(conn, pending)
            except Exception as e:
                failures.append(repr(e))

    threads = [threading.Thread(target=client) for _ in range(connections)]
    for thread in threads:
        thread.start()
    ready.wait()
    start = time.perf_counter()
    for thread in threads:
        thread.join()
    elapsed = time.perf_counter() - start
    if failures:
        raise RuntimeError("%d clients failed, first: %s" % (len(failures), failures[0]))
    return connections * requests / elapsed


def main():
    port, rounds, loads, layer = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    pages = [arg.split("=", 1) for arg in sys.argv[5:]]
    times = {(label, side): [] for label, _ in pages for side in ("on", "off")}
    rates = {"on": [], "off": []}
    for round_number in range(rounds):
        for side in ("on", "off") if round_number % 2 == 0 else ("off", "on"):
            subprocess.run(layer + " " + side, shell=True, check=True, stdout=subprocess.DEVNULL)
            for label, url in pages:
                load(port, url)  # the first after a switch pays for the rules' reload
                times[(label, side)] += [load(port, url) for _ in range(loads)]
            rates[side].append(throughput(port, pages[0][1]))
    print("page loads through the proxy, median of %d per side (ms; p10-p90 in brackets):"
          % (rounds * loads))
    # "to first": this page's load with the layer against the first page's, which no lookup
    # decides: what a decision by category costs beyond one by a word.
    print("  %-34s %22s %22s %7s %9s" % ("page", "filter (layer on)", "layer off", "ratio",
                                         "to first"))
    first_on = statistics.median(times[(pages[0][0], "on")])
    for label, _ in pages:
        on, off = times[(label, "on")], times[(label, "off")]
        deciles = lambda xs: statistics.quantiles(xs, n=10)
        line = "  %-34s %7.2f [%5.2f-%5.2f] %7.2f [%5.2f-%5.2f] %7.2f %9.2f"
        print(line % (label, statistics.median(on) * 1e3, deciles(on)[0] * 1e3,
                      deciles(on)[-1] * 1e3, statistics.median(off) * 1e3,
                      deciles(off)[0] * 1e3, deciles(off)[-1] * 1e3,
                      statistics.median(on) / statistics.median(off),
                      statistics.median(on) / first_on))
    print("throughput, 50 connections at once, 20 kept-alive requests each (requests/s):")
    print("  filter (layer on): %s" % ", ".join("%.0f" % r for r in rates["on"]))
    print("  layer off:         %s" % ", ".join("%.0f" % r for r in rates["off"]))
    print("  ratio of medians:  %.2f" % (statistics.median(rates["on"]) /
                                         statistics.median(rates["off"])))


if __name__ == "__main__":
    main()
