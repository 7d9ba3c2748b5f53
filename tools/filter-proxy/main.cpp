// filter-proxy: an HTTP proxy on 127.0.0.1 whose connections to servers go through the
// Winsock layer, so that a browser running outside it (under Wine, where only programs on the
// provider host are filtered) is judged by the filter as a Windows browser would be.
//   filter-proxy.exe --hosts FILE [--port N] [--io overlapped|blocking] [--max-connections N]
//       [--max-header-bytes N] [--idle-seconds N] [--until-stdin-closes]
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/filter-proxy/Connection.h"
#include "tools/filter-proxy/ProxyLog.h"
#include "tools/filter-proxy/ProxyServer.h"
#include "tools/filter-proxy/ProxySockets.h"
#include "win/UniqueHandle.h"

namespace {

bool ReadHostsFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
    return static_cast<bool>(file);
}

// Sets hStop when standard input reaches its end (or cannot be read).
void AwaitEndOfInput(HANDLE hStop) noexcept {
    const HANDLE hInput = ::GetStdHandle(STD_INPUT_HANDLE);
    char buffer[256];
    DWORD dwRead = 0;
    while (hInput != nullptr && hInput != INVALID_HANDLE_VALUE &&
           ::ReadFile(hInput, buffer, sizeof buffer, &dwRead, nullptr) && dwRead > 0) {
    }
    ::SetEvent(hStop);
}

int Serve(const CProxyOptions& options, const CHostsFile& hosts) {
    const CHandle stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CSocket listener = OpenBrowserListener(options.uPort);
    if (!stop || !listener) {
        std::fprintf(stderr, "filter-proxy: cannot listen on 127.0.0.1:%u (error %d)\n",
                     static_cast<unsigned>(options.uPort), ::WSAGetLastError());
        return 1;
    }
    const std::uint16_t uPort = LocalPort(listener.Get());
    const CProxyContext context{options, hosts, stop.Get()};
    CProxyServer server(std::move(listener), context);
    std::thread input;
    if (options.bUntilStdinCloses) {
        input = std::thread(AwaitEndOfInput, stop.Get());
    }
    ProxyLog("listening on 127.0.0.1:%u", static_cast<unsigned>(uPort));
    const bool bServed = server.Run();
    if (input.joinable()) {
        input.join();
    }
    return bServed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        CProxyOptions options;
        const std::string error = ParseProxyOptions({argv + 1, argv + argc}, options);
        if (!error.empty()) {
            std::fprintf(stderr, "filter-proxy: %s\n%s", error.c_str(), kProxyUsage);
            return 2;
        }
        std::string text;
        if (!ReadHostsFile(options.hostsFile, text)) {
            std::fprintf(stderr, "filter-proxy: cannot read %s\n", options.hostsFile.c_str());
            return 2;
        }
        const CHostsFile hosts(text);
        if (hosts.SkippedLines() > 0) {
            ProxyLog("%u lines of %s skipped (not an IPv4 address and names)",
                     static_cast<unsigned>(hosts.SkippedLines()), options.hostsFile.c_str());
        }
        WSADATA data;
        if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
            std::fprintf(stderr, "filter-proxy: Winsock did not start\n");
            return 1;
        }
        const int iResult = Serve(options, hosts);
        ::WSACleanup();
        return iResult;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "filter-proxy: %s\n", e.what());
        return 1;
    }
}
