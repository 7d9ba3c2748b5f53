#include "tools/install/LayerInstaller.h"

#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <sporder.h>

#include <optional>
#include <vector>

// This program's import slot for WSCEnumProtocols: it holds the address in the module that
// serves the program's catalogue calls (the system's Winsock, or a stand-in for it).
// (A 32-bit import's name carries the stdcall decoration.)
#if defined(_WIN64)
extern "C" void* const g_pImportedEnumProtocols __asm__("__imp_WSCEnumProtocols");
#else
extern "C" void* const g_pImportedEnumProtocols __asm__("__imp__WSCEnumProtocols@16");
#endif

namespace {

using EnumProtocolsCall = int(WSPAPI*)(LPINT, LPWSAPROTOCOL_INFOW, LPDWORD, LPINT);
using InstallProviderCall = int(WSPAPI*)(LPGUID, const WCHAR*, LPWSAPROTOCOL_INFOW, DWORD, LPINT);
using DeinstallProviderCall = int(WSPAPI*)(LPGUID, LPINT);
using WriteProviderOrderCall = int(WSPAPI*)(LPDWORD, DWORD);

// One catalogue's calls.
struct CCatalogueCalls {
    const char* szName;
    EnumProtocolsCall pEnum;
    DeinstallProviderCall pDeinstall;
    WriteProviderOrderCall pWriteOrder;
};

const CCatalogueCalls kOwnCatalogue = {"", ::WSCEnumProtocols, ::WSCDeinstallProvider,
                                       ::WSCWriteProviderOrder};

// The 32-bit catalogue's calls and the two that install into it, from the module that serves
// this program's catalogue calls: looked up at run time, since Winsocks without that catalogue
// (32-bit Windows, Wine) do not export them and a static import would keep the tool from
// starting there.
struct CCalls32 {
    CCatalogueCalls catalogue;
    InstallProviderCall pInstall64_32;
    InstallProviderCall pUpdate32;
};

template <typename Call>
Call Lookup(HMODULE hModule, const char* szName) {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(::GetProcAddress(hModule, szName)));
}

std::optional<CCalls32> Calls32() {
    HMODULE hModule = nullptr;
    if (!::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCWSTR>(g_pImportedEnumProtocols), &hModule)) {
        return std::nullopt;
    }
    const CCalls32 calls{{" (32-bit)", Lookup<EnumProtocolsCall>(hModule, "WSCEnumProtocols32"),
                          Lookup<DeinstallProviderCall>(hModule, "WSCDeinstallProvider32"),
                          Lookup<WriteProviderOrderCall>(hModule, "WSCWriteProviderOrder32")},
                         Lookup<InstallProviderCall>(hModule, "WSCInstallProvider64_32"),
                         Lookup<InstallProviderCall>(hModule, "WSCUpdateProvider32")};
    if (calls.catalogue.pEnum == nullptr || calls.catalogue.pDeinstall == nullptr ||
        calls.catalogue.pWriteOrder == nullptr || calls.pInstall64_32 == nullptr ||
        calls.pUpdate32 == nullptr) {
        return std::nullopt;
    }
    return calls;
}

std::vector<WSAPROTOCOL_INFOW> Catalogue(const CCatalogueCalls& calls, int& iError) {
    DWORD cb = 0;
    iError = 0;
    if (calls.pEnum(nullptr, nullptr, &cb, &iError) != SOCKET_ERROR || iError != WSAENOBUFS) {
        return {};
    }
    std::vector<WSAPROTOCOL_INFOW> records(cb / sizeof(WSAPROTOCOL_INFOW));
    const int n = calls.pEnum(nullptr, records.data(), &cb, &iError);
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

std::string Failure(const std::string& strWhat, int iError) {
    return strWhat + " failed with error " + std::to_string(iError);
}

std::vector<WSAPROTOCOL_INFOW> ServedBases(const CCatalogueCalls& calls, std::string& strError) {
    int iError = 0;
    std::vector<WSAPROTOCOL_INFOW> bases;
    for (const WSAPROTOCOL_INFOW& info : Catalogue(calls, iError)) {
        if (IsServedBase(info)) {
            bases.push_back(info);
        }
    }
    if (bases.empty()) {
        strError = iError != 0 ? Failure(std::string("WSCEnumProtocols") + calls.szName, iError)
                               : std::string("no TCP/IP or UDP/IP base provider in the catalogue") +
                                     calls.szName;
    }
    return bases;
}

// The 32-bit catalogue's base entry for each 64-bit one, by family, type and protocol; the
// chains go over the bases both catalogues have.
void PairBases(std::vector<WSAPROTOCOL_INFOW>& bases, std::vector<WSAPROTOCOL_INFOW>& bases32) {
    std::vector<WSAPROTOCOL_INFOW> paired;
    std::vector<WSAPROTOCOL_INFOW> paired32;
    for (const WSAPROTOCOL_INFOW& info : bases) {
        for (auto it = bases32.begin(); it != bases32.end(); ++it) {
            if (it->iAddressFamily == info.iAddressFamily && it->iSocketType == info.iSocketType &&
                it->iProtocol == info.iProtocol) {
                paired.push_back(info);
                paired32.push_back(*it);
                bases32.erase(it);
                break;
            }
        }
    }
    bases = std::move(paired);
    bases32 = std::move(paired32);
}

WSAPROTOCOL_INFOW LayerRecord(WSAPROTOCOL_INFOW layer) {
    layer.ProtocolChain.ChainLen = LAYERED_PROTOCOL;
    layer.ProtocolChain.ChainEntries[0] = 0;
    layer.dwProviderFlags |= PFL_HIDDEN;
    wcsncpy(layer.szProtocol, L"Parental Control layer", WSAPROTOCOL_LEN);
    return layer;
}

DWORD LayerEntry(const CCatalogueCalls& calls) {
    int iError = 0;
    for (const WSAPROTOCOL_INFOW& info : Catalogue(calls, iError)) {
        if (IsEqualGUID(info.ProviderId, kProviderGuid)) {
            return info.dwCatalogEntryId;
        }
    }
    return 0;
}

// One chain (the layer's entry, then the base's) over each base of a catalogue.
std::vector<WSAPROTOCOL_INFOW> ChainRecords(const std::vector<WSAPROTOCOL_INFOW>& bases,
                                            DWORD dwLayerEntry) {
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
    return chains;
}

// The chains first, everything else after them in its present order.
bool OrderChainsFirst(const CCatalogueCalls& calls, std::string& strError) {
    int iError = 0;
    const std::vector<WSAPROTOCOL_INFOW> all = Catalogue(calls, iError);
    std::vector<DWORD> order;
    for (const bool bChains : {true, false}) {
        for (const WSAPROTOCOL_INFOW& info : all) {
            if (IsEqualGUID(info.ProviderId, kChainProviderGuid) == bChains) {
                order.push_back(info.dwCatalogEntryId);
            }
        }
    }
    const int iResult = calls.pWriteOrder(order.data(), static_cast<DWORD>(order.size()));
    if (iResult != ERROR_SUCCESS) {
        strError = Failure(std::string("WSCWriteProviderOrder") + calls.szName, iResult);
        return false;
    }
    return true;
}

bool InstallOwn(const std::wstring& strPath, std::string& strError) {
    const std::vector<WSAPROTOCOL_INFOW> bases = ServedBases(kOwnCatalogue, strError);
    if (bases.empty()) {
        return false;
    }
    int iError = 0;
    GUID layerId = kProviderGuid;
    WSAPROTOCOL_INFOW layer = LayerRecord(bases.front());
    if (::WSCInstallProvider(&layerId, strPath.c_str(), &layer, 1, &iError) == SOCKET_ERROR) {
        strError = Failure("WSCInstallProvider (layer)", iError);
        return false;
    }
    const DWORD dwLayerEntry = LayerEntry(kOwnCatalogue);
    if (dwLayerEntry == 0) {
        strError = "the layer entry is not in the catalogue after its installation";
        return false;
    }
    std::vector<WSAPROTOCOL_INFOW> chains = ChainRecords(bases, dwLayerEntry);
    GUID chainId = kChainProviderGuid;
    if (::WSCInstallProvider(&chainId, strPath.c_str(), chains.data(),
                             static_cast<DWORD>(chains.size()), &iError) == SOCKET_ERROR) {
        strError = Failure("WSCInstallProvider (chains)", iError);
        return false;
    }
    return OrderChainsFirst(kOwnCatalogue, strError);
}

// Into both catalogues at once, then the 32-bit catalogue's records (its own base entries and
// entry ids) and DLL path put right.
bool InstallBoth(const CCalls32& calls32, const std::wstring& strPath,
                 const std::wstring& strPath32, const std::vector<WSAPROTOCOL_INFOW>& records,
                 const std::vector<WSAPROTOCOL_INFOW>& records32, const GUID& providerId,
                 const char* szWhat, std::string& strError) {
    int iError = 0;
    GUID id = providerId;
    std::vector<WSAPROTOCOL_INFOW> list = records;
    std::vector<WSAPROTOCOL_INFOW> list32 = records32;
    const auto n = static_cast<DWORD>(list.size());
    if (calls32.pInstall64_32(&id, strPath.c_str(), list.data(), n, &iError) == SOCKET_ERROR) {
        strError = Failure(std::string("WSCInstallProvider64_32 (") + szWhat + ")", iError);
        return false;
    }
    if (calls32.pUpdate32(&id, strPath32.c_str(), list32.data(), n, &iError) == SOCKET_ERROR) {
        strError = Failure(std::string("WSCUpdateProvider32 (") + szWhat + ")", iError);
        return false;
    }
    return true;
}

bool InstallWith32(const CCalls32& calls32, const std::wstring& strPath,
                   const std::wstring& strPath32, std::string& strError) {
    std::vector<WSAPROTOCOL_INFOW> bases = ServedBases(kOwnCatalogue, strError);
    std::vector<WSAPROTOCOL_INFOW> bases32 = ServedBases(calls32.catalogue, strError);
    PairBases(bases, bases32);
    if (bases.empty()) {
        strError = "no TCP/IP or UDP/IP base provider in both catalogues";
        return false;
    }
    if (!InstallBoth(calls32, strPath, strPath32, {LayerRecord(bases.front())},
                     {LayerRecord(bases32.front())}, kProviderGuid, "layer", strError)) {
        return false;
    }
    const DWORD dwLayerEntry = LayerEntry(kOwnCatalogue);
    const DWORD dwLayerEntry32 = LayerEntry(calls32.catalogue);
    if (dwLayerEntry == 0 || dwLayerEntry32 == 0) {
        strError = "the layer entry is not in both catalogues after its installation";
        return false;
    }
    return InstallBoth(calls32, strPath, strPath32, ChainRecords(bases, dwLayerEntry),
                       ChainRecords(bases32, dwLayerEntry32), kChainProviderGuid, "chains",
                       strError) &&
           OrderChainsFirst(kOwnCatalogue, strError) &&
           OrderChainsFirst(calls32.catalogue, strError);
}

bool RemoveFrom(const CCatalogueCalls& calls, std::string& strError) {
    int iError = 0;
    bool bChains = false;
    bool bLayer = false;
    for (const WSAPROTOCOL_INFOW& info : Catalogue(calls, iError)) {
        bChains = bChains || IsEqualGUID(info.ProviderId, kChainProviderGuid);
        bLayer = bLayer || IsEqualGUID(info.ProviderId, kProviderGuid);
    }
    GUID chainId = kChainProviderGuid;
    GUID layerId = kProviderGuid;
    const std::string strName = calls.szName;
    if (bChains && calls.pDeinstall(&chainId, &iError) == SOCKET_ERROR) {
        strError = Failure("WSCDeinstallProvider" + strName + " (chains)", iError);
        return false;
    }
    if (bLayer && calls.pDeinstall(&layerId, &iError) == SOCKET_ERROR) {
        strError = Failure("WSCDeinstallProvider" + strName + " (layer)", iError);
        return false;
    }
    return true;
}

}  // namespace

bool Has32BitCatalogue() {
    return Calls32().has_value();
}

bool InstallLayer(const std::wstring& strProviderPath, std::string& strError,
                  const std::wstring& strProviderPath32) {
    if (!RemoveLayer(strError)) {
        return false;
    }
    if (strProviderPath32.empty()) {
        return InstallOwn(strProviderPath, strError);
    }
    const std::optional<CCalls32> calls32 = Calls32();
    if (!calls32) {
        strError = "this system's Winsock has no catalogue for 32-bit programs";
        return false;
    }
    if (!InstallWith32(*calls32, strProviderPath, strProviderPath32, strError)) {
        std::string strIgnored;
        RemoveLayer(strIgnored);
        return false;
    }
    return true;
}

bool RemoveLayer(std::string& strError) {
    const std::optional<CCalls32> calls32 = Calls32();
    return RemoveFrom(kOwnCatalogue, strError) &&
           (!calls32 || RemoveFrom(calls32->catalogue, strError));
}
