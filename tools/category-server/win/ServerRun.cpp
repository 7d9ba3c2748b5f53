#include "tools/category-server/win/ServerRun.h"

#include <string>

#include "tools/category-server/portable/IndexReloader.h"
#include "tools/category-server/portable/ServerOutput.h"
#include "tools/category-server/win/IocpServer.h"

int RunServer(const CServerOptions& options, HANDLE hStop, const char* szReloadedBy,
              const std::function<HANDLE(unsigned)>& onServing) {
    CServerOutput output(options.strLogFile);
    // No system list of public suffixes on Windows: one in the catalogue, or --public-suffixes.
    CIndexReloader reloader(options, "", output);
    CIocpServer server(options, reloader.Served(), output);
    std::string strError;
    if (!server.Start(strError)) {
        output.Line("category-server: " + strError);
        return 1;
    }
    output.Listening(options.uAddress, server.Port(), reloader.FirstLoad());
    reloader.ReportFirstLoad();
    const HANDLE handles[] = {hStop, onServing(server.Port())};
    const DWORD nHandles = handles[1] != nullptr ? 2 : 1;
    for (;;) {
        const DWORD dwWait = ::WaitForMultipleObjects(nHandles, handles, FALSE, 1000);
        if (dwWait == WAIT_OBJECT_0 + 1) {
            reloader.Reload(szReloadedBy);
        } else if (dwWait == WAIT_TIMEOUT) {
            reloader.Tick();
        } else {
            break;  // stop, or a wait that cannot go on
        }
    }
    output.Line("stopping");
    server.Stop();
    return 0;
}

std::wstring ReloadEventName(unsigned uPort) {
    return L"QuillonCategories.Reload." + std::to_wstring(uPort);
}
