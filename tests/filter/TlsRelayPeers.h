// A real TLS client and server (Python's ssl, as a Unix program started through Wine) with the
// test between them: the client connects to the test, and the test carries the bytes to the
// server over a socket of its own, through the layer, as a browser's connection would go. Both
// ends write what happened to a result file, since a Unix process cannot be waited for from the
// Windows side.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "tests/support/LoopbackPeer.h"
#include "tests/support/UnixProgram.h"

class CTlsPeers {
public:
    // The client asks for `name` and, once its handshake is done, sends "ping" and reads the
    // server's "pong".
    CTlsPeers(u_short uRelayPort, const std::string& name)
        : m_strResult("/tmp/pc-tls-" + std::to_string(::GetCurrentProcessId()) + "-" +
                      std::to_string(uRelayPort)) {
        ::DeleteFileA(WindowsPath(m_strResult).c_str());
        ::DeleteFileA(WindowsPath(m_strResult + ".port").c_str());
        std::wstring command = L"Z:\\usr\\bin\\python3 -c \"" + Script() + L"\" " +
                               std::to_wstring(uRelayPort) + L" " + Widen(name) + L" " +
                               Widen(m_strResult);
        m_bStarted = StartUnixProgram(std::move(command));
    }

    CTlsPeers(const CTlsPeers&) = delete;
    CTlsPeers& operator=(const CTlsPeers&) = delete;
    ~CTlsPeers() {
        ::DeleteFileA(WindowsPath(m_strResult).c_str());
        ::DeleteFileA(WindowsPath(m_strResult + ".port").c_str());
    }

    bool Started() const { return m_bStarted; }
    // The server's port, once the script has written it (0 after the guard time).
    u_short ServerPort() const {
        const std::string text = AwaitFile(m_strResult + ".port");
        return text.empty() ? 0 : static_cast<u_short>(std::stoi(text));
    }
    // "server=...;client=..." once both ends are done, or empty after the guard time.
    std::string Result() const { return AwaitFile(m_strResult); }

private:
    static std::wstring Widen(const std::string& text) { return {text.begin(), text.end()}; }
    static std::string WindowsPath(const std::string& unixPath) {
        std::string path = "Z:" + unixPath;
        for (char& c : path) {
            c = c == '/' ? '\\' : c;
        }
        return path;
    }
    // The file's text, once it exists and is whole (written as .tmp, then renamed).
    std::string AwaitFile(const std::string& unixPath) const {
        for (int i = 0; m_bStarted && i < 400; ++i) {
            std::ifstream file(WindowsPath(unixPath));
            if (file) {
                std::ostringstream text;
                text << file.rdbuf();
                return text.str();
            }
            ::Sleep(50);
        }
        return {};
    }
    static std::wstring Script() {
        return L"import os, socket, ssl, subprocess, sys, tempfile, threading\n"
               L"relay, name, out = int(sys.argv[1]), sys.argv[2], sys.argv[3]\n"
               L"def put(path, text):\n"
               L"    open(path + '.tmp', 'w').write(text); os.rename(path + '.tmp', path)\n"
               L"d = tempfile.mkdtemp()\n"
               L"subprocess.run(['openssl', 'req', '-x509', '-newkey', 'ec', '-pkeyopt',\n"
               L"    'ec_paramgen_curve:prime256v1', '-nodes', '-keyout', d + '/k', '-out',\n"
               L"    d + '/c', '-days', '1', '-subj', '/CN=' + name], check=True,\n"
               L"    capture_output=True)\n"
               L"ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)\n"
               L"ctx.load_cert_chain(d + '/c', d + '/k')\n"
               L"listener = socket.create_server(('127.0.0.1', 0))\n"
               L"listener.settimeout(20)\n"
               L"seen = {}\n"
               L"def serve():\n"
               L"    try:\n"
               L"        conn, _ = listener.accept()\n"
               L"        if not conn.recv(1, socket.MSG_PEEK):\n"
               L"            seen['server'] = 'nothing'; return\n"
               L"        tls = ctx.wrap_socket(conn, server_side=True)\n"
               L"        seen['server'] = tls.recv(4).decode(); tls.sendall(b'pong'); tls.close()\n"
               L"    except Exception as e:\n"
               L"        seen['server'] = 'error ' + type(e).__name__\n"
               L"server = threading.Thread(target=serve); server.start()\n"
               L"put(out + '.port', str(listener.getsockname()[1]))\n"
               L"client = ssl.create_default_context()\n"
               L"client.check_hostname = False; client.verify_mode = ssl.CERT_NONE\n"
               L"try:\n"
               L"    s = client.wrap_socket(socket.create_connection(('127.0.0.1', relay), 20),\n"
               L"        server_hostname=name)\n"
               L"    s.sendall(b'ping'); seen['client'] = s.recv(4).decode()\n"
               L"except Exception as e:\n"
               L"    seen['client'] = 'error ' + str(e)\n"
               L"server.join()\n"
               L"put(out, 'server=%s;client=%s' % (seen.get('server'), seen.get('client')))\n";
    }

    std::string m_strResult;
    bool m_bStarted = false;
};
