// Owner of a service manager or service handle (OpenSCManager, OpenService, CreateService).
#pragma once

#include <windows.h>
#include <winsvc.h>

#include "win/UniqueHandle.h"

struct CServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::CloseServiceHandle(h); }
};

using CServiceHandle = CUniqueHandle<CServiceHandleTraits>;
