// Which catalogue record serves a socket request: the first in catalogue order that matches.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <vector>

#include "wsock/catalog/CatalogStore.h"

namespace wsock {

struct Selection {
    const CatalogRecord* record = nullptr;
    int error = 0;  // a WSA error code when record is null
};

// Layer entries (chain length 0) never serve sockets. af 0 and type 0 match any; protocol 0
// matches records that carry PFL_MATCHES_PROTOCOL_ZERO. With lpProtocolInfo the record is the
// one of its catalogue entry id.
Selection SelectRecord(const std::vector<CatalogRecord>& records, int af, int type, int protocol,
                       const WSAPROTOCOL_INFOW* lpProtocolInfo);

// The first socket-serving record of the address family, for calls without a socket.
const CatalogRecord* SelectByFamily(const std::vector<CatalogRecord>& records, int af);

// The record with that catalogue entry id, or null.
const CatalogRecord* FindEntry(const std::vector<CatalogRecord>& records, DWORD dwEntryId);

}  // namespace wsock
