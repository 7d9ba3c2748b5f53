// The application handles the host issues for providers that make their own (layers, through
// WPUCreateSocketHandle): each is a kernel socket of the platform's that carries no traffic,
// so that an application can do with it what it does with a socket handle (tie it to its
// completion port, make it non-inheritable), and the port it was tied to, where
// WPUCompleteOverlappedRequest posts the completions of its requests.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace wsock {

struct PortBinding {
    HANDLE port = nullptr;  // the host's own duplicate; null when the handle is tied to none
    ULONG_PTR key = 0;
};

class CHandleTable {
public:
    static CHandleTable& Instance();

    // INVALID_SOCKET with *pError set when the platform has no socket to give.
    SOCKET Create(DWORD dwCatalogEntryId, DWORD_PTR dwContext, int* pError);
    bool Query(SOCKET s, DWORD_PTR* pContext) const;
    bool Close(SOCKET s);
    size_t Count() const;

    // Records the port an application tied one of the handles to (nothing for other handles).
    void BindPort(SOCKET s, HANDLE hPort, ULONG_PTR uKey);
    // The port a handle is tied to; a null port when there is none.
    PortBinding Binding(SOCKET s) const;

private:
    struct Issued {
        DWORD_PTR context;
        DWORD catalogEntryId;
        PortBinding binding;
    };

    CHandleTable() = default;
    static void Release(SOCKET s, const Issued& issued);

    mutable std::shared_mutex m_lock;
    std::unordered_map<SOCKET, Issued> m_handles;
};

}  // namespace wsock
