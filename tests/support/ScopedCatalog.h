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

#include "tools/install/LayerInstaller.h"
#include "win/ProgramFolder.h"
#include "wsock/catalog/BaseEntries.h"
#include "wsock/catalog/CatalogStore.h"

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
