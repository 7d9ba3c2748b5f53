// The catalogue calls of the system's Winsock (WSCEnumProtocols, WSCGetProviderPath) and the
// installer's (WSCInstallProvider, WSCDeinstallProvider, WSCWriteProviderOrder), over the
// stand-in's registry catalogue.
#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <sporder.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "wsock/catalog/CatalogStore.h"

using wsock::Catalog;
using wsock::CatalogRecord;

namespace {

int Fail(LPINT lpErrno, int iError) noexcept {
    if (lpErrno != nullptr) {
        *lpErrno = iError;
    }
    return SOCKET_ERROR;
}

bool ProtocolListed(const WSAPROTOCOL_INFOW& info, const INT* lpiProtocols) {
    if (lpiProtocols == nullptr) {
        return true;
    }
    for (; *lpiProtocols != 0; ++lpiProtocols) {
        if (*lpiProtocols >= info.iProtocol &&
            *lpiProtocols <= info.iProtocol + info.iProtocolMaxOffset) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" {

int WSPAPI WSCEnumProtocols(LPINT lpiProtocols, LPWSAPROTOCOL_INFOW lpProtocolBuffer,
                            LPDWORD lpdwBufferLength, LPINT lpErrno) {
    try {
        if (lpdwBufferLength == nullptr || lpErrno == nullptr) {
            return Fail(lpErrno, WSAEFAULT);
        }
        const Catalog catalog = wsock::ReadCatalog();
        DWORD nCount = 0;
        for (const CatalogRecord& record : catalog.records) {
            nCount += ProtocolListed(record.info, lpiProtocols) ? 1 : 0;
        }
        const DWORD cbNeeded = nCount * static_cast<DWORD>(sizeof(WSAPROTOCOL_INFOW));
        if (lpProtocolBuffer == nullptr || *lpdwBufferLength < cbNeeded) {
            *lpdwBufferLength = cbNeeded;
            return Fail(lpErrno, WSAENOBUFS);
        }
        DWORD i = 0;
        for (const CatalogRecord& record : catalog.records) {
            if (ProtocolListed(record.info, lpiProtocols)) {
                lpProtocolBuffer[i++] = record.info;
            }
        }
        return static_cast<int>(nCount);
    } catch (...) {
        return Fail(lpErrno, WSAENOBUFS);
    }
}

int WSPAPI WSCGetProviderPath(LPGUID lpProviderId, WCHAR* lpszProviderDllPath,
                              LPINT lpProviderDllPathLen, LPINT lpErrno) {
    try {
        if (lpProviderId == nullptr || lpszProviderDllPath == nullptr ||
            lpProviderDllPathLen == nullptr || lpErrno == nullptr) {
            return Fail(lpErrno, WSAEFAULT);
        }
        const Catalog catalog = wsock::ReadCatalog();
        for (const CatalogRecord& record : catalog.records) {
            if (!IsEqualGUID(record.info.ProviderId, *lpProviderId)) {
                continue;
            }
            const auto nLength = static_cast<int>(std::wcslen(record.path));
            if (*lpProviderDllPathLen <= nLength) {
                return Fail(lpErrno, WSAEFAULT);
            }
            std::wmemcpy(lpszProviderDllPath, record.path, static_cast<size_t>(nLength) + 1);
            *lpProviderDllPathLen = nLength;
            return 0;
        }
        return Fail(lpErrno, WSAEINVAL);
    } catch (...) {
        return Fail(lpErrno, WSAENOBUFS);
    }
}

// Entry ids are assigned here. A base entry's chain names itself; a layer's chain is empty;
// a protocol chain keeps the ids the installer put in it.
int WSPAPI WSCInstallProvider(LPGUID lpProviderId, const WCHAR* lpszProviderDllPath,
                              const LPWSAPROTOCOL_INFOW lpProtocolInfoList, DWORD dwNumberOfEntries,
                              LPINT lpErrno) {
    try {
        if (lpProviderId == nullptr || lpszProviderDllPath == nullptr ||
            lpProtocolInfoList == nullptr || lpErrno == nullptr) {
            return Fail(lpErrno, WSAEFAULT);
        }
        if (dwNumberOfEntries == 0 || std::wcslen(lpszProviderDllPath) >= MAX_PATH) {
            return Fail(lpErrno, WSAEINVAL);
        }
        const wsock::CCatalogLock lock;
        Catalog catalog = wsock::ReadCatalog();
        for (const CatalogRecord& record : catalog.records) {
            if (IsEqualGUID(record.info.ProviderId, *lpProviderId)) {
                return Fail(lpErrno, WSAEINVAL);
            }
        }
        for (DWORD i = 0; i < dwNumberOfEntries; ++i) {
            CatalogRecord record{};
            record.info = lpProtocolInfoList[i];
            record.info.ProviderId = *lpProviderId;
            record.info.dwCatalogEntryId = catalog.nextEntryId++;
            WSAPROTOCOLCHAIN& chain = record.info.ProtocolChain;
            if (chain.ChainLen < 0 || chain.ChainLen > MAX_PROTOCOL_CHAIN) {
                return Fail(lpErrno, WSAEINVAL);
            }
            if (chain.ChainLen == BASE_PROTOCOL) {
                chain.ChainEntries[0] = record.info.dwCatalogEntryId;
            }
            std::wcscpy(record.path, lpszProviderDllPath);
            catalog.records.push_back(record);
        }
        if (!wsock::WriteCatalog(catalog)) {
            return Fail(lpErrno, WSANO_RECOVERY);
        }
        return 0;
    } catch (...) {
        return Fail(lpErrno, WSAENOBUFS);
    }
}

int WSPAPI WSCDeinstallProvider(LPGUID lpProviderId, LPINT lpErrno) {
    try {
        if (lpProviderId == nullptr || lpErrno == nullptr) {
            return Fail(lpErrno, WSAEFAULT);
        }
        const wsock::CCatalogLock lock;
        Catalog catalog = wsock::ReadCatalog();
        const size_t nBefore = catalog.records.size();
        std::erase_if(catalog.records, [&](const CatalogRecord& record) {
            return IsEqualGUID(record.info.ProviderId, *lpProviderId) != 0;
        });
        if (catalog.records.size() == nBefore) {
            return Fail(lpErrno, WSAEINVAL);
        }
        if (!wsock::WriteCatalog(catalog)) {
            return Fail(lpErrno, WSANO_RECOVERY);
        }
        return 0;
    } catch (...) {
        return Fail(lpErrno, WSAENOBUFS);
    }
}

// The new order must name every installed entry exactly once. Returns the error code itself.
int WSPAPI WSCWriteProviderOrder(LPDWORD lpwdCatalogEntryId, DWORD dwNumberOfEntries) {
    try {
        if (lpwdCatalogEntryId == nullptr) {
            return WSAEFAULT;
        }
        const wsock::CCatalogLock lock;
        Catalog catalog = wsock::ReadCatalog();
        if (dwNumberOfEntries != catalog.records.size()) {
            return WSAEINVAL;
        }
        std::vector<CatalogRecord> ordered;
        ordered.reserve(dwNumberOfEntries);
        for (DWORD i = 0; i < dwNumberOfEntries; ++i) {
            for (DWORD j = 0; j < i; ++j) {
                if (lpwdCatalogEntryId[j] == lpwdCatalogEntryId[i]) {
                    return WSAEINVAL;
                }
            }
            const auto it = std::find_if(
                catalog.records.begin(), catalog.records.end(), [&](const CatalogRecord& record) {
                    return record.info.dwCatalogEntryId == lpwdCatalogEntryId[i];
                });
            if (it == catalog.records.end()) {
                return WSAEINVAL;
            }
            ordered.push_back(*it);
        }
        catalog.records = std::move(ordered);
        return wsock::WriteCatalog(catalog) ? ERROR_SUCCESS : WSANO_RECOVERY;
    } catch (...) {
        return WSAENOBUFS;
    }
}

}  // extern "C"
