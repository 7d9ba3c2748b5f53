// Registers FilterLsp.dll in the Winsock catalogue: one hidden layer entry, and one protocol
// chain (layer, base) over each base TCP/UDP provider for IPv4 and IPv6, ordered before every
// other entry. On 64-bit Windows also in the catalogue of 32-bit programs, with the 32-bit
// DLL. Only the documented catalogue calls are used.
#pragma once

#include <winsock2.h>

#include <string>

#include "filter/frame/ProviderIds.h"

// Replaces an earlier registration. With strProviderPath32 (the 32-bit FilterLsp.dll) the
// layer goes into both catalogues, else into this process's own alone. False with a message in
// strError.
bool InstallLayer(const std::wstring& strProviderPath, std::string& strError,
                  const std::wstring& strProviderPath32 = std::wstring());
// Removes the chains and the layer entry from both catalogues; nothing installed is not an
// error.
bool RemoveLayer(std::string& strError);
// Whether this system's Winsock has the 32-bit catalogue's calls (64-bit Windows has; 32-bit
// Windows and Wine have not).
bool Has32BitCatalogue();
