// Points a loaded module's imports from the system's Winsock DLL at the host's own exports of
// the same name, so that a provider's catalogue and client socket calls reach the host.
#pragma once

#include <windows.h>

namespace wsock {

// Rewrites every by-name import of hModule from "ws2_32.dll" that hReplacement exports.
// Returns the number of slots rewritten; imports the replacement lacks keep their target.
int RedirectWinsockImports(HMODULE hModule, HMODULE hReplacement) noexcept;

}  // namespace wsock
