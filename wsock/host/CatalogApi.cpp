// The catalogue calls of the system's Winsock (WSCEnumProtocols, WSCGetProviderPath) and the
// installer's (WSCInstallProvider, WSCDeinstallProvider, WSCWriteProviderOrder, and for the
// catalogue of 32-bit programs their "32" forms, WSCInstallProvider64_32 and
// WSCUpdateProvider32), over the stand-in's registry catalogues.
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
using wsock::CatalogView;

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

int EnumProtocols(CatalogView view, LPINT lpiProtocols, LPWSAPROTOCOL_INFOW lpProtocolBuffer,
                  LPDWORD lpdwBufferLength, LPINT lpErrno) {
    try {
        if (lpdwBufferLength == nullptr || lpErrno == nullptr) {
            return Fail(lpErrno, WSAEFAULT);
        }
        const Catalog catalog = wsock::ReadCatalog(view);
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

int GetProviderPath(CatalogView view, LPGUID lpProviderId, WCHAR* lpszProviderDllPath,
                    LPINT lpProviderDllPathLen, LPINT lpErrno) {
    try {
        if (lpProviderId == nullptr || lpszProviderDllPath == nullptr ||
            lpProviderDllPathLen == nullptr || lpErrno == nullptr) {
            return Fail(lpErrno, WSAEFAULT);
        }
        const Catalog catalog = wsock::ReadCatalog(view);
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

// The record as the catalogue keeps it: a base entry's chain names itself; a layer's chain
// is empty; a protocol chain keeps the ids the installer put in it. False for a chain length
// no catalogue holds.
bool MakeRecord(const WSAPROTOCOL_INFOW& info, const GUID& providerId, DWORD dwEntryId,
                const WCHAR* lpszPath, CatalogRecord& record) {
    record = CatalogRecord{};
    record.info = info;
    record.info.ProviderId = providerId;
    record.info.dwCatalogEntryId = dwEntryId;
    WSAPROTOCOLCHAIN& chain = record.info.ProtocolChain;
    if (chain.ChainLen < 0 || chain.ChainLen > MAX_PROTOCOL_CHAIN) {
        return false;
    }
    if (chain.ChainLen == BASE_PROTOCOL) {
        chain.ChainEntries[0] = dwEntryId;
    }
    std::wcscpy(record.path, lpszPath);
    return true;
}

bool ValidProviderArguments(LPGUID lpProviderId, const WCHAR* lpszProviderDllPath,
                            const WSAPROTOCOL_INFOW* lpProtocolInfoList, DWORD dwNumberOfEntries,
                            LPINT lpErrno, int& iResult) {
    if (lpProviderId == nullptr || lpszProviderDllPath == nullptr ||
        lpProtocolInfoList == nullptr || lpErrno == nullptr) {
        iResult = Fail(lpErrno, WSAEFAULT);
        return false;
    }
    if (dwNumberOfEntries == 0 || std::wcslen(lpszProviderDllPath) >= MAX_PATH) {
        iResult = Fail(lpErrno, WSAEINVAL);
        return false;
    }
    return true;
}

// The frame of the installer's calls that add or change records: the arguments checked, the
// catalogue locked while body runs, and no exception let out.
template <class Body>
int ChangeProvider(LPGUID lpProviderId, const WCHAR* lpszProviderDllPath,
                   const WSAPROTOCOL_INFOW* lpProtocolInfoList, DWORD dwNumberOfEntries,
                   LPINT lpErrno, Body body) noexcept {
    try {
        int iResult = 0;
        if (!ValidProviderArguments(lpProviderId, lpszProviderDllPath, lpProtocolInfoList,
                                    dwNumberOfEntries, lpErrno, iResult)) {
            return iResult;
        }
        const wsock::CCatalogLock lock;
        return body();
    } catch (...) {
        return Fail(lpErrno, WSAENOBUFS);
    }
}

// Entry ids are assigned here, by each catalogue for itself. Called under the catalogue lock.
int InstallInto(CatalogView view, LPGUID lpProviderId, const WCHAR* lpszProviderDllPath,
                const WSAPROTOCOL_INFOW* lpProtocolInfoList, DWORD dwNumberOfEntries,
                LPINT lpErrno) {
    Catalog catalog = wsock::ReadCatalog(view);
    for (const CatalogRecord& record : catalog.records) {
        if (IsEqualGUID(record.info.ProviderId, *lpProviderId)) {
            return Fail(lpErrno, WSAEINVAL);
        }
    }
    for (DWORD i = 0; i < dwNumberOfEntries; ++i) {
        CatalogRecord record;
        if (!MakeRecord(lpProtocolInfoList[i], *lpProviderId, catalog.nextEntryId++,
                        lpszProviderDllPath, record)) {
            return Fail(lpErrno, WSAEINVAL);
        }
        catalog.records.push_back(record);
    }
    if (!wsock::WriteCatalog(catalog, view)) {
        return Fail(lpErrno, WSANO_RECOVERY);
    }
    return 0;
}

// Both catalogues, each assigning its own entry ids; all or nothing. The one path serves both
// unless WSCUpdateProvider32 gives the 32-bit catalogue another. Under the catalogue lock.
int InstallIntoBoth(LPGUID lpProviderId, const WCHAR* lpszProviderDllPath,
                    const WSAPROTOCOL_INFOW* lpProtocolInfoList, DWORD dwNumberOfEntries,
                    LPINT lpErrno) {
    const Catalog before = wsock::ReadCatalog(CatalogView::kOwn);
    if (InstallInto(CatalogView::kOwn, lpProviderId, lpszProviderDllPath, lpProtocolInfoList,
                    dwNumberOfEntries, lpErrno) != 0) {
        return SOCKET_ERROR;
    }
    if (InstallInto(CatalogView::k32Bit, lpProviderId, lpszProviderDllPath, lpProtocolInfoList,
                    dwNumberOfEntries, lpErrno) != 0) {
        Catalog restored = before;
        restored.serial = wsock::ReadCatalog(CatalogView::kOwn).serial;
        wsock::WriteCatalog(restored, CatalogView::kOwn);
        return SOCKET_ERROR;
    }
    return 0;
}

// Replaces the provider's records in the 32-bit catalogue, in their order, by the given ones
// (as many as it has), and its DLL path; each keeps its place and entry id. Under the
// catalogue lock.
int UpdateIn32(LPGUID lpProviderId, const WCHAR* lpszProviderDllPath,
               const WSAPROTOCOL_INFOW* lpProtocolInfoList, DWORD dwNumberOfEntries,
               LPINT lpErrno) {
    Catalog catalog = wsock::ReadCatalog(CatalogView::k32Bit);
    std::vector<CatalogRecord*> records;
    for (CatalogRecord& record : catalog.records) {
        if (IsEqualGUID(record.info.ProviderId, *lpProviderId)) {
            records.push_back(&record);
        }
    }
    if (records.size() != dwNumberOfEntries) {
        return Fail(lpErrno, WSAEINVAL);
    }
    for (DWORD i = 0; i < dwNumberOfEntries; ++i) {
        if (!MakeRecord(lpProtocolInfoList[i], *lpProviderId, records[i]->info.dwCatalogEntryId,
                        lpszProviderDllPath, *records[i])) {
            return Fail(lpErrno, WSAEINVAL);
        }
    }
    if (!wsock::WriteCatalog(catalog, CatalogView::k32Bit)) {
        return Fail(lpErrno, WSANO_RECOVERY);
    }
    return 0;
}

int DeinstallFrom(CatalogView view, LPGUID lpProviderId, LPINT lpErrno) {
    try {
        if (lpProviderId == nullptr || lpErrno == nullptr) {
            return Fail(lpErrno, WSAEFAULT);
        }
        const wsock::CCatalogLock lock;
        Catalog catalog = wsock::ReadCatalog(view);
        const size_t nBefore = catalog.records.size();
        std::erase_if(catalog.records, [&](const CatalogRecord& record) {
            return IsEqualGUID(record.info.ProviderId, *lpProviderId) != 0;
        });
        if (catalog.records.size() == nBefore) {
            return Fail(lpErrno, WSAEINVAL);
        }
        if (!wsock::WriteCatalog(catalog, view)) {
            return Fail(lpErrno, WSANO_RECOVERY);
        }
        return 0;
    } catch (...) {
        return Fail(lpErrno, WSAENOBUFS);
    }
}

// The new order must name every installed entry exactly once. Returns the error code itself.
int WriteOrder(CatalogView view, LPDWORD lpwdCatalogEntryId, DWORD dwNumberOfEntries) {
    try {
        if (lpwdCatalogEntryId == nullptr) {
            return WSAEFAULT;
        }
        const wsock::CCatalogLock lock;
        Catalog catalog = wsock::ReadCatalog(view);
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
        return wsock::WriteCatalog(catalog, view) ? ERROR_SUCCESS : WSANO_RECOVERY;
    } catch (...) {
        return WSAENOBUFS;
    }
}

}  // namespace

extern "C" {

int WSPAPI WSCEnumProtocols(LPINT lpiProtocols, LPWSAPROTOCOL_INFOW lpProtocolBuffer,
                            LPDWORD lpdwBufferLength, LPINT lpErrno) {
    return EnumProtocols(CatalogView::kOwn, lpiProtocols, lpProtocolBuffer, lpdwBufferLength,
                         lpErrno);
}

int WSPAPI WSCEnumProtocols32(LPINT lpiProtocols, LPWSAPROTOCOL_INFOW lpProtocolBuffer,
                              LPDWORD lpdwBufferLength, LPINT lpErrno) {
    return EnumProtocols(CatalogView::k32Bit, lpiProtocols, lpProtocolBuffer, lpdwBufferLength,
                         lpErrno);
}

int WSPAPI WSCGetProviderPath(LPGUID lpProviderId, WCHAR* lpszProviderDllPath,
                              LPINT lpProviderDllPathLen, LPINT lpErrno) {
    return GetProviderPath(CatalogView::kOwn, lpProviderId, lpszProviderDllPath,
                           lpProviderDllPathLen, lpErrno);
}

int WSPAPI WSCGetProviderPath32(LPGUID lpProviderId, WCHAR* lpszProviderDllPath,
                                LPINT lpProviderDllPathLen, LPINT lpErrno) {
    return GetProviderPath(CatalogView::k32Bit, lpProviderId, lpszProviderDllPath,
                           lpProviderDllPathLen, lpErrno);
}

int WSPAPI WSCInstallProvider(LPGUID lpProviderId, const WCHAR* lpszProviderDllPath,
                              const LPWSAPROTOCOL_INFOW lpProtocolInfoList, DWORD dwNumberOfEntries,
                              LPINT lpErrno) {
    return ChangeProvider(
        lpProviderId, lpszProviderDllPath, lpProtocolInfoList, dwNumberOfEntries, lpErrno, [&] {
            return InstallInto(CatalogView::kOwn, lpProviderId, lpszProviderDllPath,
                               lpProtocolInfoList, dwNumberOfEntries, lpErrno);
        });
}

// Both catalogues, each assigning its own entry ids; all or nothing. The one path serves both
// unless WSCUpdateProvider32 gives the 32-bit catalogue another.
int WSPAPI WSCInstallProvider64_32(LPGUID lpProviderId, const WCHAR* lpszProviderDllPath,
                                   const LPWSAPROTOCOL_INFOW lpProtocolInfoList,
                                   DWORD dwNumberOfEntries, LPINT lpErrno) {
    return ChangeProvider(
        lpProviderId, lpszProviderDllPath, lpProtocolInfoList, dwNumberOfEntries, lpErrno, [&] {
            return InstallIntoBoth(lpProviderId, lpszProviderDllPath, lpProtocolInfoList,
                                   dwNumberOfEntries, lpErrno);
        });
}

// Replaces the provider's records in the 32-bit catalogue, in their order, by the given ones
// (as many as it has), and its DLL path; each keeps its place and entry id.
int WSPAPI WSCUpdateProvider32(LPGUID lpProviderId, const WCHAR* lpszProviderDllPath,
                               const LPWSAPROTOCOL_INFOW lpProtocolInfoList,
                               DWORD dwNumberOfEntries, LPINT lpErrno) {
    return ChangeProvider(lpProviderId, lpszProviderDllPath, lpProtocolInfoList, dwNumberOfEntries,
                          lpErrno, [&] {
                              return UpdateIn32(lpProviderId, lpszProviderDllPath,
                                                lpProtocolInfoList, dwNumberOfEntries, lpErrno);
                          });
}

int WSPAPI WSCDeinstallProvider(LPGUID lpProviderId, LPINT lpErrno) {
    return DeinstallFrom(CatalogView::kOwn, lpProviderId, lpErrno);
}

int WSPAPI WSCDeinstallProvider32(LPGUID lpProviderId, LPINT lpErrno) {
    return DeinstallFrom(CatalogView::k32Bit, lpProviderId, lpErrno);
}

int WSPAPI WSCWriteProviderOrder(LPDWORD lpwdCatalogEntryId, DWORD dwNumberOfEntries) {
    return WriteOrder(CatalogView::kOwn, lpwdCatalogEntryId, dwNumberOfEntries);
}

int WSPAPI WSCWriteProviderOrder32(LPDWORD lpwdCatalogEntryId, DWORD dwNumberOfEntries) {
    return WriteOrder(CatalogView::k32Bit, lpwdCatalogEntryId, dwNumberOfEntries);
}

}  // extern "C"
