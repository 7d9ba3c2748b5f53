// Module attach and detach. The locks and the thread slot are owners made and destroyed by
// the runtime around these calls.
#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "filter/core/SharedFilterState.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/frame/Cleanup.h"
#include "filter/frame/ProcessState.h"
#include "filter/frame/Trace.h"
#include "log/LogFile.h"

namespace {

void ProcessAttach(HINSTANCE hInstance) {
    gModuleInstance = hInstance;
    char szPath[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    const char* szName = std::strrchr(szPath, '\\');
    szName = szName != nullptr ? szName + 1 : szPath;
    ProcessLog().SetFileName(szName);
    SetFilterLog(&ProcessFilterLog());
    Trace(1, "=======================================\nApplication Name is %s", szName);
    ++gSharedState.processCount;
}

void ProcessDetach() {
    gDetaching.store(true);
    --gSharedState.processCount;
    const CCriticalSectionLock lock(gStartupLock);
    if (gBaseInfo != nullptr) {
        int iError = 0;
        FreeSocketsAndMemory(&iError);
    }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    DebugOut("DllMain Called");
    try {
        if (dwReason == DLL_PROCESS_ATTACH) {
            ProcessAttach(hInstance);
        } else if (dwReason == DLL_PROCESS_DETACH) {
            ProcessDetach();
        }
    } catch (...) {
        // Nothing may leave the loader's call; the module stays usable without its log.
    }
    return TRUE;
}
