// The handles CreateProcess hands back, in owners.
#pragma once

#include <windows.h>

#include "win/UniqueHandle.h"

struct CProcessHandles {
    CHandle process;
    CHandle thread;
};

// Wine starts a Unix program with no Windows process behind it: the process handle comes
// back null and the thread handle is left unset (whatever the caller's memory held, possibly a
// live handle of the caller's), so the thread handle is taken only with a process handle.
inline CProcessHandles OwnProcessHandles(const PROCESS_INFORMATION& info) noexcept {
    CProcessHandles handles;
    handles.process.Reset(info.hProcess);
    if (handles.process) {
        handles.thread.Reset(info.hThread);
    }
    return handles;
}
