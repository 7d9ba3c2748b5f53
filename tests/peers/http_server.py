#!/usr/bin/env python3
"""Python's http.server on 127.0.0.1, for a Windows test that starts it through Wine. It serves
its working folder, writes the port it got to PORT_FILE (whole, by a rename), and ends by itself
after REQUESTS requests or 20 seconds, since a Unix process cannot be ended from the Windows side.

    http_server.py PORT_FILE REQUESTS
"""

import http.server
import os
import sys
import time


class Server(http.server.HTTPServer):
    idle = False

    def handle_timeout(self):
        self.idle = True


def main():
    port_file, requests = sys.argv[1], int(sys.argv[2])
    server = Server(("127.0.0.1", 0), http.server.SimpleHTTPRequestHandler)
    with open(port_file + ".tmp", "w") as out:
        out.write(str(server.server_address[1]))
    os.rename(port_file + ".tmp", port_file)
    server.timeout = 1
    end = time.time() + 20
    served = 0
    # A wait that timed out is no request.
    while served < requests and time.time() < end:
        server.idle = False
        server.handle_request()
        served += not server.idle


if __name__ == "__main__":
    main()
