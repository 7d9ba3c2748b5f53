#include <windows.h>

#include "Api/Library.h"

// Under the loader lock: attach touches only the registry, the settings file and the log,
// never another library's load or a thread.
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    switch (dwReason) {
        case DLL_PROCESS_ATTACH:
            ::DisableThreadLibraryCalls(hInstance);
            ApiProcessAttach();
            break;
        case DLL_PROCESS_DETACH:
            ApiProcessDetach();
            break;
        default:
            break;
    }
    return TRUE;
}
