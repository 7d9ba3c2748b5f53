// Gives a test its own stand-in catalogue: the base provider's four entries, and optionally
// the filter's layer entry with one chain over each of them, ordered first as an installer
// orders them. Removed at the start (fresh state) and at the end. Tests that use it share
// machine-wide state and are registered with the resource lock "wsock_catalog".
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <sporder.h>

#include <string>
#include <vector>

#include "wsock/catalog/BaseEntries.h"
#include "wsock/catalog/CatalogStore.h"

// {3F8A61D2-7C4B-4E19-9D05-B2E6A4C8F731}: the layer entry of FilterLsp.dll.
inline constexpr GUID kFilterLayerId = {
    0x3f8a61d2, 0x7c4b, 0x4e19, {0x9d, 0x05, 0xb2, 0xe6, 0xa4, 0xc8, 0xf7, 0x31}};
// {8D2E4B71-5A3C-4F60-B9E8-1C7D3A5F2E94}: the chains that begin with that layer.
inline constexpr GUID kFilterChainId = {
    0x8d2e4b71, 0x5a3c, 0x4f60, {0xb9, 0xe8, 0x1c, 0x7d, 0x3a, 0x5f, 0x2e, 0x94}};

// The folder of the running program, where the build puts the provider DLLs too.
inline std::wstring ProgramFolder() {
    wchar_t szPath[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring path(szPath, n);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

inline std::vector<WSAPROTOCOL_INFOW> EnumCatalog() {
    DWORD cb = 0;
    int iError = 0;
    ::WSCEnumProtocols(nullptr, nullptr, &cb, &iError);
    std::vector<WSAPROTOCOL_INFOW> records(cb / sizeof(WSAPROTOCOL_INFOW));
    const int n = ::WSCEnumProtocols(nullptr, records.data(), &cb, &iError);
    records.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return records;
}

class CScopedCatalog {
public:
    enum class Layer { kNone, kLayerOnly, kChains };

    explicit CScopedCatalog(Layer layer = Layer::kNone,
                            const std::wstring& basePath = ProgramFolder() + L"wsbase.dll") {
        wsock::DeleteCatalog();
        auto records = wsock::BaseRecords();
        GUID baseId = wsock::kBaseProviderId;
        int iError = 0;
        ::WSCInstallProvider(&baseId, basePath.c_str(), records.data(),
                             static_cast<DWORD>(records.size()), &iError);
        if (layer != Layer::kNone) {
            InstallLayer(layer == Layer::kChains);
        }
    }
    CScopedCatalog(const CScopedCatalog&) = delete;
    CScopedCatalog& operator=(const CScopedCatalog&) = delete;
    ~CScopedCatalog() { wsock::DeleteCatalog(); }

private:
    static void InstallLayer(bool bChains) {
        const std::wstring path = ProgramFolder() + L"FilterLsp.dll";
        std::vector<WSAPROTOCOL_INFOW> base = EnumCatalog();
        WSAPROTOCOL_INFOW layer = base.front();
        layer.ProtocolChain.ChainLen = LAYERED_PROTOCOL;
        wcscpy(layer.szProtocol, L"Parental Control layer");
        GUID layerId = kFilterLayerId;
        int iError = 0;
        ::WSCInstallProvider(&layerId, path.c_str(), &layer, 1, &iError);
        if (!bChains) {
            return;
        }
        DWORD dwLayerEntry = 0;
        for (const WSAPROTOCOL_INFOW& info : EnumCatalog()) {
            if (IsEqualGUID(info.ProviderId, kFilterLayerId)) {
                dwLayerEntry = info.dwCatalogEntryId;
            }
        }
        std::vector<WSAPROTOCOL_INFOW> chains;
        for (WSAPROTOCOL_INFOW chain : base) {
            const std::wstring name = L"Parental Control over " + std::wstring(chain.szProtocol);
            chain.ProtocolChain.ChainLen = 2;
            chain.ProtocolChain.ChainEntries[1] = chain.dwCatalogEntryId;
            chain.ProtocolChain.ChainEntries[0] = dwLayerEntry;
            wcsncpy(chain.szProtocol, name.c_str(), WSAPROTOCOL_LEN);
            chains.push_back(chain);
        }
        GUID chainId = kFilterChainId;
        ::WSCInstallProvider(&chainId, path.c_str(), chains.data(),
                             static_cast<DWORD>(chains.size()), &iError);
        // Chains first, then everything else in its installed order.
        std::vector<DWORD> order;
        const std::vector<WSAPROTOCOL_INFOW> all = EnumCatalog();
        for (const WSAPROTOCOL_INFOW& info : all) {
            if (IsEqualGUID(info.ProviderId, kFilterChainId)) {
                order.push_back(info.dwCatalogEntryId);
            }
        }
        for (const WSAPROTOCOL_INFOW& info : all) {
            if (!IsEqualGUID(info.ProviderId, kFilterChainId)) {
                order.push_back(info.dwCatalogEntryId);
            }
        }
        ::WSCWriteProviderOrder(order.data(), static_cast<DWORD>(order.size()));
    }
};
