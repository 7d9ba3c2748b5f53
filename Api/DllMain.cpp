#include <windows.h>

#include "Api/Library.h"
#include "Api/SharedState.h"

// Under the loader lock: attach touches only the registry, the settings file and the log,
// never another library's load or a thread; the shared state is mapped at its first use. At process
// termination (lpReserved non-null) only the shared count is given back: the process is going away
// with everything it holds.
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved) {
    switch (dwReason) {
        case DLL_PROCESS_ATTACH:
            ::DisableThreadLibraryCalls(hInstance);
            SharePolicyStateAcrossProcesses();
            ApiProcessAttach();
            break;
        case DLL_PROCESS_DETACH:
            ApiProcessDetach(lpReserved != nullptr);
            break;
        default:
            break;
    }
    return TRUE;
}
