// Points a loaded module's imports from the system's Winsock DLL at the host's own exports of
// the same name, so that a provider's catalogue and client socket calls, or a whole program's
// socket calls, reach the host.
#pragma once

#include <windows.h>

namespace wsock {

enum class ImportScope {
    kWinsock,  // the imports from ws2_32 (a provider's)
    // Those, and the kernel32 calls that tie a socket handle to a completion port (a program's,
    // whose handles from a layer are the host's)
    kProgram,
};

// Rewrites every import of hModule from "ws2_32.dll", by name or by ordinal, that hReplacement
// exports (and, for a program, kernel32's CreateIoCompletionPort). Returns the number of slots
// rewritten; imports the replacement lacks keep their target.
int RedirectWinsockImports(HMODULE hModule, HMODULE hReplacement,
                           ImportScope scope = ImportScope::kWinsock) noexcept;

}  // namespace wsock
