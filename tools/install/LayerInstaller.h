// Registers FilterLsp.dll in the Winsock catalogue: one hidden layer entry, and one protocol
// chain (layer, base) over each base TCP/UDP provider for IPv4 and IPv6, ordered before every
// other entry. Only the documented catalogue calls are used.
#pragma once

#include <winsock2.h>

#include <string>

#include "filter/frame/ProviderIds.h"

// Replaces an earlier registration. False with a message in strError.
bool InstallLayer(const std::wstring& strProviderPath, std::string& strError);
// Removes the chains and the layer entry; nothing installed is not an error.
bool RemoveLayer(std::string& strError);
