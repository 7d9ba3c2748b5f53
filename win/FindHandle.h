// Owner of a FindFirstFile search.
#pragma once

#include <windows.h>

#include "win/UniqueHandle.h"

struct CFindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::FindClose(h); }
};

using CFindHandle = CUniqueHandle<CFindHandleTraits>;
