// The platform's own Winsock (Wine's ws2_32), which the host stands in front of: for what has
// nothing to do with providers (names and addresses), and for the kernel sockets behind the
// application handles the host issues.
#pragma once

#include <winsock2.h>
#include <windows.h>

namespace wsock {

// The platform's ws2_32, loaded once.
HMODULE PlatformWinsock() noexcept;

template <class Fn>
Fn* PlatformFunction(const char* szName) noexcept {
    const HMODULE hPlatform = PlatformWinsock();
    return hPlatform != nullptr
               ? reinterpret_cast<Fn*>(reinterpret_cast<void*>(::GetProcAddress(hPlatform, szName)))
               : nullptr;
}

}  // namespace wsock
