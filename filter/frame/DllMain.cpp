// Module attach and detach. The locks and the thread slot are owners made and destroyed by
// the runtime around these calls (their destructors only close and free, never wait).
#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "filter/core/SharedFilterBlock.h"
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
    // The shared rules are mapped at their first use, not under the loader lock.
    ShareFilterStateAcrossProcesses();
}

// bProcessEnding: the process is terminating (the loader's reserved argument is non-null).
// Its other threads are gone, perhaps inside a lock or a next provider, and everything it
// holds goes with it: nothing is closed, freed, unloaded or waited for then.
void ProcessDetach(bool bProcessEnding) {
    gDetaching.store(true);
    CountProcessOutIfMapped();
    if (bProcessEnding) {
        // Nor is the private heap destroyed by the runtime's destructors after this: a killed
        // thread may hold its lock.
        static_cast<void>(gProviderHeap.Release());
        return;
    }
    const CCriticalSectionLock lock(gStartupLock);
    if (gBaseInfo != nullptr) {
        int iError = 0;
        FreeSocketsAndMemory(&iError);
    }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved) {
    DebugOut("DllMain Called");
    try {
        if (dwReason == DLL_PROCESS_ATTACH) {
            ProcessAttach(hInstance);
        } else if (dwReason == DLL_PROCESS_DETACH) {
            ProcessDetach(lpReserved != nullptr);
        }
    } catch (...) {
        // Nothing may leave the loader's call; the module stays usable without its log.
    }
    return TRUE;
}
