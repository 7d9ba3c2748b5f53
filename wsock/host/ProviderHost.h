// The process-wide state of the stand-in: the WSAStartup count, the providers loaded (once per
// provider id), and which provider owns each application socket handle.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <vector>

#include "win/UniqueHandle.h"
#include "wsock/catalog/CatalogStore.h"

namespace wsock {

// The host DLL itself, whose exports replace a provider's Winsock imports.
HMODULE HostModule() noexcept;

struct HostProvider {
    GUID id{};
    CModule module;
    WSPPROC_TABLE table{};
    WSPDATA data{};
};

struct SocketOwner {
    HostProvider* provider = nullptr;
    DWORD catalogEntryId = 0;  // the record the socket was made for
};

class CProviderHost {
public:
    static CProviderHost& Instance();

    int Startup() noexcept;
    // False when there was no start-up to match.
    bool Cleanup();
    bool IsStarted() const noexcept;

    // The started provider of the record, loading it on first use. Null with *pError set on
    // failure (the provider's own start-up error, or WSAEPROVIDERFAILEDINIT).
    HostProvider* ProviderFor(const CatalogRecord& record, int* pError);

    void Adopt(SOCKET s, SocketOwner owner);
    void Forget(SOCKET s);
    // A null provider when the handle is unknown.
    SocketOwner Owner(SOCKET s) const;

private:
    CProviderHost() = default;
    std::unique_ptr<HostProvider> Load(const CatalogRecord& record, int* pError);

    long m_nStartups = 0;
    // Recursive: a provider's start-up may re-enter the host.
    std::recursive_mutex m_startLock;
    std::vector<std::unique_ptr<HostProvider>> m_providers;
    mutable std::shared_mutex m_socketLock;
    std::unordered_map<SOCKET, SocketOwner> m_sockets;
};

}  // namespace wsock
