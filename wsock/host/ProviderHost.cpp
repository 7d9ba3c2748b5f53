#include "wsock/host/ProviderHost.h"

#include <cstring>

#include "wsock/host/ImportPatch.h"
#include "wsock/host/Upcalls.h"

namespace wsock {

CProviderHost& CProviderHost::Instance() {
    // Never destroyed: unloading providers from the host's own detach would run their
    // clean-up under the loader lock.
    static auto* s_pHost = new CProviderHost;
    return *s_pHost;
}

int CProviderHost::Startup() noexcept {
    ::InterlockedIncrement(&m_nStartups);
    return 0;
}

bool CProviderHost::IsStarted() const noexcept {
    return m_nStartups > 0;
}

bool CProviderHost::Cleanup() {
    const std::lock_guard lock(m_startLock);
    if (m_nStartups == 0) {
        return false;
    }
    if (::InterlockedDecrement(&m_nStartups) != 0) {
        return true;
    }
    for (const auto& pProvider : m_providers) {
        int iError = 0;
        pProvider->table.lpWSPCleanup(&iError);
    }
    {
        const std::unique_lock socketLock(m_socketLock);
        m_sockets.clear();
    }
    m_providers.clear();
    return true;
}

HostProvider* CProviderHost::ProviderFor(const CatalogRecord& record, int* pError) {
    const std::lock_guard lock(m_startLock);
    for (const auto& pProvider : m_providers) {
        if (IsEqualGUID(pProvider->id, record.info.ProviderId)) {
            return pProvider.get();
        }
    }
    std::unique_ptr<HostProvider> pProvider = Load(record, pError);
    if (pProvider == nullptr) {
        return nullptr;
    }
    m_providers.push_back(std::move(pProvider));
    return m_providers.back().get();
}

std::unique_ptr<HostProvider> CProviderHost::Load(const CatalogRecord& record, int* pError) {
    *pError = WSAEPROVIDERFAILEDINIT;
    wchar_t szPath[MAX_PATH];
    const DWORD nLength = ::ExpandEnvironmentStringsW(record.path, szPath, MAX_PATH);
    if (nLength == 0 || nLength > MAX_PATH) {
        return nullptr;
    }
    auto pProvider = std::make_unique<HostProvider>();
    pProvider->id = record.info.ProviderId;
    // The provider's own DLLs (the filter's policy library) are found beside it, whatever
    // folder the program runs from.
    pProvider->module.Reset(::LoadLibraryExW(szPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!pProvider->module) {
        return nullptr;
    }
    // Base providers stand in for the kernel's sockets and keep the platform's Winsock; every
    // other provider calls the system's Winsock, which here is this host.
    if (record.info.ProtocolChain.ChainLen != BASE_PROTOCOL) {
        RedirectWinsockImports(pProvider->module.Get(), HostModule());
    }
    const auto pfnStartup = reinterpret_cast<LPWSPSTARTUP>(
        reinterpret_cast<void*>(::GetProcAddress(pProvider->module.Get(), "WSPStartup")));
    if (pfnStartup == nullptr) {
        return nullptr;
    }
    WSAPROTOCOL_INFOW info = record.info;
    const int iResult =
        pfnStartup(MAKEWORD(2, 2), &pProvider->data, &info, UpcallTable(), &pProvider->table);
    if (iResult != 0) {
        *pError = iResult;
        return nullptr;
    }
    *pError = 0;
    return pProvider;
}

void CProviderHost::Adopt(SOCKET s, SocketOwner owner) {
    const std::unique_lock lock(m_socketLock);
    m_sockets[s] = owner;
}

void CProviderHost::Forget(SOCKET s) {
    const std::unique_lock lock(m_socketLock);
    m_sockets.erase(s);
}

SocketOwner CProviderHost::Owner(SOCKET s) const {
    const std::shared_lock lock(m_socketLock);
    const auto it = m_sockets.find(s);
    return it == m_sockets.end() ? SocketOwner{} : it->second;
}

}  // namespace wsock
