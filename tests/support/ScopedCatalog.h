// Gives a test its own stand-in catalogue: the base provider's four entries, and optionally
// the filter's layer entry with one chain over each of them, ordered first as an installer
// orders them. Removed at the start (fresh state) and at the end, with the catalogue of 32-bit
// programs, which holds nothing unless a test puts the base entries there too (Bases32()). Tests
// that use it share machine-wide state and are registered with the resource lock "wsock_catalog".
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <sporder.h>

#include <string>
#include <vector>

#include "tools/install/LayerInstaller.h"
#include "win/ProgramFolder.h"
#include "wsock/catalog/BaseEntries.h"
#include "wsock/catalog/CatalogStore.h"

// The catalogue of this process, or with WSCEnumProtocols32 that of 32-bit programs.
inline std::vector<WSAPROTOCOL_INFOW> EnumCatalog(int(WSPAPI* pEnum)(LPINT, LPWSAPROTOCOL_INFOW,
                                                                     LPDWORD,
                                                                     LPINT) = ::WSCEnumProtocols) {
    DWORD cb = 0;
    int iError = 0;
    pEnum(nullptr, nullptr, &cb, &iError);
    std::vector<WSAPROTOCOL_INFOW> records(cb / sizeof(WSAPROTOCOL_INFOW));
    const int n = pEnum(nullptr, records.data(), &cb, &iError);
    records.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return records;
}

class CScopedCatalog {
public:
    enum class Layer { kNone, kLayerOnly, kChains };

    explicit CScopedCatalog(Layer layer = Layer::kNone,
                            const std::wstring& basePath = ProgramFolder() + L"wsbase.dll") {
        wsock::DeleteCatalog();
        wsock::DeleteCatalog(wsock::CatalogView::k32Bit);
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
    ~CScopedCatalog() {
        wsock::DeleteCatalog();
        wsock::DeleteCatalog(wsock::CatalogView::k32Bit);
    }

    // The base provider's entries in the catalogue of 32-bit programs too, with entry ids other
    // than this catalogue's (as two catalogues of one system have).
    static void Bases32(const std::wstring& basePath = ProgramFolder() + L"wsbase.dll") {
        auto records = wsock::BaseRecords();
        wsock::Catalog catalog;
        catalog.nextEntryId = wsock::kFirstCatalogEntryId + 500;
        for (const WSAPROTOCOL_INFOW& info : records) {
            wsock::CatalogRecord record{};
            record.info = info;
            record.info.ProviderId = wsock::kBaseProviderId;
            record.info.dwCatalogEntryId = catalog.nextEntryId++;
            record.info.ProtocolChain.ChainEntries[0] = record.info.dwCatalogEntryId;
            wcsncpy(record.path, basePath.c_str(), MAX_PATH - 1);
            catalog.records.push_back(record);
        }
        wsock::WriteCatalog(catalog, wsock::CatalogView::k32Bit);
    }

private:
    static void InstallLayer(bool bChains) {
        const std::wstring path = ProgramFolder() + L"FilterLsp.dll";
        std::string strError;
        if (bChains) {
            // As the installation tool registers it.
            ::InstallLayer(path, strError);
            return;
        }
        WSAPROTOCOL_INFOW layer = EnumCatalog().front();
        layer.ProtocolChain.ChainLen = LAYERED_PROTOCOL;
        wcscpy(layer.szProtocol, L"Parental Control layer");
        GUID layerId = kProviderGuid;
        int iError = 0;
        ::WSCInstallProvider(&layerId, path.c_str(), &layer, 1, &iError);
    }
};
