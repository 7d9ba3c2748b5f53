// Python's http.server on 127.0.0.1 (tests/peers/http_server.py), started for a test through
// Wine's start of Unix programs. It serves the given number of requests (or for 20 s) from the
// test's current folder and then ends by itself, since a Unix process cannot be ended from the
// Windows side. It binds a port of its own and tells the test which.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "tests/support/LoopbackPeer.h"
#include "tests/support/UnixProgram.h"

class CPythonHttpServer {
public:
    // The first request made by Ready() counts as one of nRequests.
    explicit CPythonHttpServer(int nRequests) : m_strPortFile(UnixResultPath("http-port")) {
        m_bStarted = StartUnixProgram(
            PeerCommand("http_server.py", m_strPortFile + " " + std::to_string(nRequests)));
    }
    CPythonHttpServer(const CPythonHttpServer&) = delete;
    CPythonHttpServer& operator=(const CPythonHttpServer&) = delete;
    ~CPythonHttpServer() { ::DeleteFileA(WinePath(m_strPortFile).c_str()); }

    // 0 until the server has said its port (and after the guard time).
    u_short Port() {
        if (m_uPort == 0 && m_bStarted) {
            const std::string text = AwaitUnixFile(m_strPortFile);
            m_uPort = text.empty() ? 0 : static_cast<u_short>(std::stoi(text));
        }
        return m_uPort;
    }

    // Waits until the server answers (one request), at most 10 s.
    bool Ready() {
        for (int i = 0; Port() != 0 && i < 200; ++i) {
            if (!Get("/").empty()) {
                return true;
            }
            ::Sleep(50);
        }
        return false;
    }

    // The whole response to a GET of szPath; empty when there is none.
    std::string Get(const std::string& path) {
        CSocket s(::socket(AF_INET, SOCK_STREAM, 0));
        const sockaddr_in addr = LoopbackAddress(Port());
        if (::connect(s.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
            return {};
        }
        SendAll(s.Get(), "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
        return ReceiveAll(s.Get());
    }

private:
    std::string m_strPortFile;
    u_short m_uPort = 0;
    bool m_bStarted = false;
};
