#include "wsock/host/Selection.h"

namespace wsock {

namespace {

bool ServesSockets(const WSAPROTOCOL_INFOW& info) {
    return info.ProtocolChain.ChainLen != LAYERED_PROTOCOL;
}

bool ProtocolMatches(const WSAPROTOCOL_INFOW& info, int protocol) {
    if (protocol == 0) {
        return (info.dwProviderFlags & PFL_MATCHES_PROTOCOL_ZERO) != 0;
    }
    return protocol >= info.iProtocol && protocol <= info.iProtocol + info.iProtocolMaxOffset;
}

}  // namespace

const CatalogRecord* FindEntry(const std::vector<CatalogRecord>& records, DWORD dwEntryId) {
    for (const CatalogRecord& record : records) {
        if (record.info.dwCatalogEntryId == dwEntryId) {
            return &record;
        }
    }
    return nullptr;
}

Selection SelectRecord(const std::vector<CatalogRecord>& records, int af, int type, int protocol,
                       const WSAPROTOCOL_INFOW* lpProtocolInfo) {
    if (lpProtocolInfo != nullptr) {
        const CatalogRecord* pRecord = FindEntry(records, lpProtocolInfo->dwCatalogEntryId);
        if (pRecord == nullptr || !ServesSockets(pRecord->info)) {
            return {nullptr, WSAEINVAL};
        }
        return {pRecord, 0};
    }
    bool bFamily = false;
    bool bType = false;
    for (const CatalogRecord& record : records) {
        const WSAPROTOCOL_INFOW& info = record.info;
        if (!ServesSockets(info) || (af != AF_UNSPEC && info.iAddressFamily != af)) {
            continue;
        }
        bFamily = true;
        if (type != 0 && info.iSocketType != type) {
            continue;
        }
        bType = true;
        if (ProtocolMatches(info, protocol)) {
            return {&record, 0};
        }
    }
    return {nullptr, !bFamily ? WSAEAFNOSUPPORT : !bType ? WSAESOCKTNOSUPPORT : WSAEPROTONOSUPPORT};
}

const CatalogRecord* SelectByFamily(const std::vector<CatalogRecord>& records, int af) {
    for (const CatalogRecord& record : records) {
        if (ServesSockets(record.info) && record.info.iAddressFamily == af) {
            return &record;
        }
    }
    return nullptr;
}

}  // namespace wsock
