// Owner of a socket handle. Header only: closesocket binds to whichever Winsock the including
// module links (the real one, or the provider host stand-in in tests).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "win/UniqueHandle.h"

struct CSocketTraits {
    using Handle = SOCKET;
    static Handle Invalid() noexcept { return INVALID_SOCKET; }
    static void Close(Handle h) noexcept { ::closesocket(h); }
};

using CSocket = CUniqueHandle<CSocketTraits>;
