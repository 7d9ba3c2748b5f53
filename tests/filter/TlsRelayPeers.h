// A real TLS client and server (Python's ssl, tests/peers/tls_peers.py, a Unix program started
// through Wine) with the test between them: the client connects to the test, and the test
// carries the bytes to the server over a socket of its own, through the layer, as a browser's
// connection would go. Both ends write what happened to a result file, since a Unix process
// cannot be waited for from the Windows side.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "tests/support/LoopbackPeer.h"
#include "tests/support/UnixProgram.h"

class CTlsPeers {
public:
    // The client asks for `name` and, once its handshake is done, sends "ping" and reads the
    // server's "pong".
    CTlsPeers(u_short uRelayPort, const std::string& name) : m_strResult(UnixResultPath("tls")) {
        m_bStarted = StartUnixProgram(PeerCommand(
            "tls_peers.py", std::to_string(uRelayPort) + " " + name + " " + m_strResult));
    }

    CTlsPeers(const CTlsPeers&) = delete;
    CTlsPeers& operator=(const CTlsPeers&) = delete;
    ~CTlsPeers() {
        ::DeleteFileA(WinePath(m_strResult).c_str());
        ::DeleteFileA(WinePath(m_strResult + ".port").c_str());
    }

    bool Started() const { return m_bStarted; }
    // The server's port, once the script has written it (0 after the guard time).
    u_short ServerPort() const {
        const std::string text = m_bStarted ? AwaitUnixFile(m_strResult + ".port") : "";
        return text.empty() ? 0 : static_cast<u_short>(std::stoi(text));
    }
    // "server=...;client=..." once both ends are done, or empty after the guard time.
    std::string Result() const { return m_bStarted ? AwaitUnixFile(m_strResult) : ""; }

private:
    std::string m_strResult;
    bool m_bStarted = false;
};
