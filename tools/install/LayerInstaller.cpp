#include "tools/install/LayerInstaller.h"

#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <sporder.h>

#include <vector>

namespace {

std::vector<WSAPROTOCOL_INFOW> Catalogue(int& iError) {
    DWORD cb = 0;
    iError = 0;
    if (::WSCEnumProtocols(nullptr, nullptr, &cb, &iError) != SOCKET_ERROR ||
        iError != WSAENOBUFS) {
        return {};
    }
    std::vector<WSAPROTOCOL_INFOW> records(cb / sizeof(WSAPROTOCOL_INFOW));
    const int n = ::WSCEnumProtocols(nullptr, records.data(), &cb, &iError);
    records.resize(n > 0 ? static_cast<size_t>(n) : 0);
    if (n != SOCKET_ERROR) {
        iError = 0;
    }
    return records;
}

bool IsServedBase(const WSAPROTOCOL_INFOW& info) {
    return info.ProtocolChain.ChainLen == BASE_PROTOCOL &&
           (info.iAddressFamily == AF_INET || info.iAddressFamily == AF_INET6) &&
           (info.iProtocol == IPPROTO_TCP || info.iProtocol == IPPROTO_UDP) &&
           (info.dwProviderFlags & PFL_HIDDEN) == 0;
}

std::string Failure(const char* szWhat, int iError) {
    return std::string(szWhat) + " failed with error " + std::to_string(iError);
}

bool InstallChains(const std::wstring& strPath, const std::vector<WSAPROTOCOL_INFOW>& bases,
                   std::string& strError) {
    int iError = 0;
    DWORD dwLayerEntry = 0;
    for (const WSAPROTOCOL_INFOW& info : Catalogue(iError)) {
        if (IsEqualGUID(info.ProviderId, kProviderGuid)) {
            dwLayerEntry = info.dwCatalogEntryId;
        }
    }
    if (dwLayerEntry == 0) {
        strError = "the layer entry is not in the catalogue after its installation";
        return false;
    }
    std::vector<WSAPROTOCOL_INFOW> chains;
    for (WSAPROTOCOL_INFOW chain : bases) {
        const std::wstring strName = L"Parental Control over " + std::wstring(chain.szProtocol);
        chain.ProtocolChain.ChainLen = 2;
        chain.ProtocolChain.ChainEntries[0] = dwLayerEntry;
        chain.ProtocolChain.ChainEntries[1] = chain.dwCatalogEntryId;
        // The layer gives applications handles of its own, not the base provider's.
        chain.dwServiceFlags1 &= ~static_cast<DWORD>(XP1_IFS_HANDLES);
        wcsncpy(chain.szProtocol, strName.c_str(), WSAPROTOCOL_LEN);
        chain.szProtocol[WSAPROTOCOL_LEN] = L'\0';
        chains.push_back(chain);
    }
    GUID chainId = kChainProviderGuid;
    if (::WSCInstallProvider(&chainId, strPath.c_str(), chains.data(),
                             static_cast<DWORD>(chains.size()), &iError) == SOCKET_ERROR) {
        strError = Failure("WSCInstallProvider (chains)", iError);
        return false;
    }
    return true;
}

// The chains first, everything else after them in its present order.
bool OrderChainsFirst(std::string& strError) {
    int iError = 0;
    const std::vector<WSAPROTOCOL_INFOW> all = Catalogue(iError);
    std::vector<DWORD> order;
    for (const bool bChains : {true, false}) {
        for (const WSAPROTOCOL_INFOW& info : all) {
            if (IsEqualGUID(info.ProviderId, kChainProviderGuid) == bChains) {
                order.push_back(info.dwCatalogEntryId);
            }
        }
    }
    const int iResult = ::WSCWriteProviderOrder(order.data(), static_cast<DWORD>(order.size()));
    if (iResult != ERROR_SUCCESS) {
        strError = Failure("WSCWriteProviderOrder", iResult);
        return false;
    }
    return true;
}

}  // namespace

bool InstallLayer(const std::wstring& strProviderPath, std::string& strError) {
    if (!RemoveLayer(strError)) {
        return false;
    }
    int iError = 0;
    std::vector<WSAPROTOCOL_INFOW> bases;
    for (const WSAPROTOCOL_INFOW& info : Catalogue(iError)) {
        if (IsServedBase(info)) {
            bases.push_back(info);
        }
    }
    if (bases.empty()) {
        strError = iError != 0 ? Failure("WSCEnumProtocols", iError)
                               : "no TCP/IP or UDP/IP base provider in the catalogue";
        return false;
    }
    WSAPROTOCOL_INFOW layer = bases.front();
    layer.ProtocolChain.ChainLen = LAYERED_PROTOCOL;
    layer.ProtocolChain.ChainEntries[0] = 0;
    layer.dwProviderFlags |= PFL_HIDDEN;
    wcsncpy(layer.szProtocol, L"Parental Control layer", WSAPROTOCOL_LEN);
    GUID layerId = kProviderGuid;
    if (::WSCInstallProvider(&layerId, strProviderPath.c_str(), &layer, 1, &iError) ==
        SOCKET_ERROR) {
        strError = Failure("WSCInstallProvider (layer)", iError);
        return false;
    }
    return InstallChains(strProviderPath, bases, strError) && OrderChainsFirst(strError);
}

bool RemoveLayer(std::string& strError) {
    int iError = 0;
    bool bChains = false;
    bool bLayer = false;
    for (const WSAPROTOCOL_INFOW& info : Catalogue(iError)) {
        bChains = bChains || IsEqualGUID(info.ProviderId, kChainProviderGuid);
        bLayer = bLayer || IsEqualGUID(info.ProviderId, kProviderGuid);
    }
    GUID chainId = kChainProviderGuid;
    GUID layerId = kProviderGuid;
    if (bChains && ::WSCDeinstallProvider(&chainId, &iError) == SOCKET_ERROR) {
        strError = Failure("WSCDeinstallProvider (chains)", iError);
        return false;
    }
    if (bLayer && ::WSCDeinstallProvider(&layerId, &iError) == SOCKET_ERROR) {
        strError = Failure("WSCDeinstallProvider (layer)", iError);
        return false;
    }
    return true;
}
