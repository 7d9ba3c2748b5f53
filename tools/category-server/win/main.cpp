// category-server.exe: answers the filter's category lookups from the lists it loads. See
// ServerOptions.h for the command line, the same as on Linux. In a console it serves until
// Ctrl-C; the named event ReloadEventName(port) loads the lists again, as does a change of a
// list file. With --service it is the service "Quillon Categories" (ServiceRun.h).
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/category-server/portable/ServerOptions.h"
#include "tools/category-server/win/ServerRun.h"
#include "tools/category-server/win/ServiceRun.h"
#include "win/UniqueHandle.h"

namespace {

CHandle g_consoleStop;

BOOL WINAPI OnConsoleControl(DWORD) {
    ::SetEvent(g_consoleStop.Get());
    return TRUE;
}

int RunInConsole(const CServerOptions& options) {
    g_consoleStop.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    CHandle reload;
    return RunServer(options, g_consoleStop.Get(), "reload event", [&reload](unsigned uPort) {
        reload.Reset(::CreateEventW(nullptr, FALSE, FALSE, ReloadEventName(uPort).c_str()));
        return reload.Get();
    });
}

}  // namespace

int main(int argc, char** argv) {
    try {
        CServerOptions options;
        const std::string strError = ParseServerOptions({argv + 1, argv + argc}, options);
        if (!strError.empty()) {
            std::fprintf(stderr, "category-server: %s\n%s", strError.c_str(), kServerUsage);
            return 2;
        }
        WSADATA data;
        if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
            std::fprintf(stderr, "category-server: Winsock did not start\n");
            return 1;
        }
        const int iResult = options.bService ? RunAsService(options) : RunInConsole(options);
        ::WSACleanup();
        return iResult;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "category-server: %s\n", e.what());
        return 1;
    }
}
