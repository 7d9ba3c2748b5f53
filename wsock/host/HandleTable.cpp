#include "wsock/host/HandleTable.h"

#include "wsock/host/PlatformWinsock.h"

namespace wsock {

namespace {

// The platform's Winsock, started once for the host's own sockets and never cleaned up: the
// handles may outlive every WSACleanup of the application.
bool StartPlatform() {
    static const bool s_bStarted = [] {
        auto* pfnStartup = PlatformFunction<decltype(::WSAStartup)>("WSAStartup");
        WSADATA data{};
        return pfnStartup != nullptr && pfnStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return s_bStarted;
}

}  // namespace

CHandleTable& CHandleTable::Instance() {
    // Never destroyed: providers may close handles while the process unloads modules.
    static auto* s_pTable = new CHandleTable;
    return *s_pTable;
}

SOCKET CHandleTable::Create(DWORD dwCatalogEntryId, DWORD_PTR dwContext, int* pError) {
    auto* pfnSocket = PlatformFunction<decltype(::WSASocketW)>("WSASocketW");
    auto* pfnLastError = PlatformFunction<decltype(::WSAGetLastError)>("WSAGetLastError");
    if (!StartPlatform() || pfnSocket == nullptr || pfnLastError == nullptr) {
        *pError = WSAENOBUFS;
        return INVALID_SOCKET;
    }
    const SOCKET s = pfnSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                               WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) {
        *pError = pfnLastError();
        return INVALID_SOCKET;
    }
    const std::unique_lock lock(m_lock);
    m_handles[s] = {dwContext, dwCatalogEntryId, {}};
    return s;
}

bool CHandleTable::Query(SOCKET s, DWORD_PTR* pContext) const {
    const std::shared_lock lock(m_lock);
    const auto it = m_handles.find(s);
    if (it == m_handles.end()) {
        return false;
    }
    *pContext = it->second.context;
    return true;
}

bool CHandleTable::Close(SOCKET s) {
    Issued issued{};
    {
        const std::unique_lock lock(m_lock);
        const auto it = m_handles.find(s);
        if (it == m_handles.end()) {
            return false;
        }
        issued = it->second;
        m_handles.erase(it);
    }
    // Out of the table first: once closed, the value may be issued again at once.
    Release(s, issued);
    return true;
}

void CHandleTable::Release(SOCKET s, const Issued& issued) {
    if (issued.binding.port != nullptr) {
        ::CloseHandle(issued.binding.port);
    }
    if (auto* pfnClose = PlatformFunction<decltype(::closesocket)>("closesocket")) {
        pfnClose(s);
    }
}

size_t CHandleTable::Count() const {
    const std::shared_lock lock(m_lock);
    return m_handles.size();
}

void CHandleTable::BindPort(SOCKET s, HANDLE hPort, ULONG_PTR uKey) {
    {
        const std::shared_lock lock(m_lock);
        if (m_handles.find(s) == m_handles.end()) {
            return;
        }
    }
    // A reference of the host's own, as the kernel keeps one: the application may close its
    // handle of the port before the socket's last request completes.
    HANDLE hOwn = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), hPort, ::GetCurrentProcess(), &hOwn, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        return;
    }
    const std::unique_lock lock(m_lock);
    const auto it = m_handles.find(s);
    if (it == m_handles.end() || it->second.binding.port != nullptr) {
        // Closed meanwhile, or tied before (a handle is tied to one port only).
        ::CloseHandle(hOwn);
        return;
    }
    it->second.binding = {hOwn, uKey};
}

PortBinding CHandleTable::Binding(SOCKET s) const {
    const std::shared_lock lock(m_lock);
    const auto it = m_handles.find(s);
    return it == m_handles.end() ? PortBinding{} : it->second.binding;
}

}  // namespace wsock
