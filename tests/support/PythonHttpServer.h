// Python's http.server on 127.0.0.1, started for a test through Wine's start of Unix programs.
// It serves the given number of requests (or for 20 s) from the test's current folder and then
// ends by itself, since a Unix process cannot be ended from the Windows side.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <utility>

#include "tests/support/LoopbackPeer.h"
#include "tests/support/UnixProgram.h"

class CPythonHttpServer {
public:
    // The first request made by Ready() counts as one of nRequests.
    explicit CPythonHttpServer(int nRequests) {
        {
            // A port free a moment ago; the server binds it at once.
            CSocket probe(::socket(AF_INET, SOCK_STREAM, 0));
            const sockaddr_in addr = LoopbackAddress(0);
            ::bind(probe.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
            m_uPort = LocalPort(probe.Get());
        }
        // Counts the requests served; a wait that timed out is not one.
        std::wstring command =
            L"Z:\\usr\\bin\\python3 -c \"import http.server, time\n"
            L"class Server(http.server.HTTPServer):\n"
            L"    idle = False\n"
            L"    def handle_timeout(self): self.idle = True\n"
            L"s = Server(('127.0.0.1', " +
            std::to_wstring(m_uPort) +
            L"), http.server.SimpleHTTPRequestHandler)\n"
            L"s.timeout = 1; end = time.time() + 20; n = 0\n"
            L"while n < " +
            std::to_wstring(nRequests) +
            L" and time.time() < end:\n"
            L"    s.idle = False; s.handle_request(); n += not s.idle\n\"";
        m_bStarted = StartUnixProgram(std::move(command));
    }

    u_short Port() const { return m_uPort; }

    // Waits until the server answers (one request), at most 10 s.
    bool Ready() const {
        for (int i = 0; m_bStarted && i < 200; ++i) {
            if (!Get("/").empty()) {
                return true;
            }
            ::Sleep(50);
        }
        return false;
    }

    // The whole response to a GET of szPath; empty when there is none.
    std::string Get(const std::string& path) const {
        CSocket s(::socket(AF_INET, SOCK_STREAM, 0));
        const sockaddr_in addr = LoopbackAddress(m_uPort);
        if (::connect(s.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
            return {};
        }
        SendAll(s.Get(), "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
        return ReceiveAll(s.Get());
    }

private:
    u_short m_uPort = 0;
    bool m_bStarted = false;
};
