// The rest of what applications link from the system's Winsock: the error slot, byte order,
// event objects, fd_set membership, and name and address conversions. Those last have nothing
// to do with providers and go to the platform's own Winsock.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "wsock/host/PlatformWinsock.h"

namespace wsock {

HMODULE PlatformWinsock() noexcept {
    static const HMODULE s_hPlatform = ::LoadLibraryW(L"ws2_32.dll");
    return s_hPlatform;
}

}  // namespace wsock

namespace {

template <class Fn>
Fn* Platform(const char* szName) noexcept {
    return wsock::PlatformFunction<Fn>(szName);
}

}  // namespace

extern "C" {

int WSAAPI WSAGetLastError() {
    return static_cast<int>(::GetLastError());
}

void WSAAPI WSASetLastError(int iError) {
    ::SetLastError(static_cast<DWORD>(iError));
}

u_short WSAAPI htons(u_short hostshort) {
    return static_cast<u_short>((hostshort >> 8) | (hostshort << 8));
}

u_short WSAAPI ntohs(u_short netshort) {
    return htons(netshort);
}

u_long WSAAPI htonl(u_long hostlong) {
    return ((hostlong & 0xffu) << 24) | ((hostlong & 0xff00u) << 8) | ((hostlong >> 8) & 0xff00u) |
           (hostlong >> 24);
}

u_long WSAAPI ntohl(u_long netlong) {
    return htonl(netlong);
}

int WSAAPI __WSAFDIsSet(SOCKET s, fd_set* set) {
    for (u_int i = 0; i < set->fd_count; ++i) {
        if (set->fd_array[i] == s) {
            return 1;
        }
    }
    return 0;
}

WSAEVENT WSAAPI WSACreateEvent() {
    return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

BOOL WSAAPI WSACloseEvent(WSAEVENT hEvent) {
    return ::CloseHandle(hEvent);
}

BOOL WSAAPI WSASetEvent(WSAEVENT hEvent) {
    return ::SetEvent(hEvent);
}

BOOL WSAAPI WSAResetEvent(WSAEVENT hEvent) {
    return ::ResetEvent(hEvent);
}

DWORD WSAAPI WSAWaitForMultipleEvents(DWORD cEvents, const WSAEVENT* lphEvents, BOOL fWaitAll,
                                      DWORD dwTimeout, BOOL fAlertable) {
    return ::WaitForMultipleObjectsEx(cEvents, lphEvents, fWaitAll, dwTimeout, fAlertable);
}

unsigned long WSAAPI inet_addr(const char* cp) {
    auto* pfn = Platform<decltype(inet_addr)>("inet_addr");
    return pfn != nullptr ? pfn(cp) : INADDR_NONE;
}

char* WSAAPI inet_ntoa(in_addr in) {
    auto* pfn = Platform<decltype(inet_ntoa)>("inet_ntoa");
    return pfn != nullptr ? pfn(in) : nullptr;
}

INT WSAAPI inet_pton(INT Family, LPCSTR pStringBuf, PVOID pAddr) {
    auto* pfn = Platform<decltype(inet_pton)>("inet_pton");
    return pfn != nullptr ? pfn(Family, pStringBuf, pAddr) : SOCKET_ERROR;
}

PCSTR WSAAPI inet_ntop(INT Family, const VOID* pAddr, PSTR pStringBuf, size_t StringBufSize) {
    auto* pfn = Platform<decltype(inet_ntop)>("inet_ntop");
    return pfn != nullptr ? pfn(Family, pAddr, pStringBuf, StringBufSize) : nullptr;
}

INT WSAAPI getaddrinfo(PCSTR pNodeName, PCSTR pServiceName, const ADDRINFOA* pHints,
                       PADDRINFOA* ppResult) {
    auto* pfn = Platform<decltype(getaddrinfo)>("getaddrinfo");
    return pfn != nullptr ? pfn(pNodeName, pServiceName, pHints, ppResult) : WSANO_RECOVERY;
}

VOID WSAAPI freeaddrinfo(PADDRINFOA pAddrInfo) {
    if (auto* pfn = Platform<decltype(freeaddrinfo)>("freeaddrinfo")) {
        pfn(pAddrInfo);
    }
}

hostent* WSAAPI gethostbyname(const char* name) {
    auto* pfn = Platform<decltype(gethostbyname)>("gethostbyname");
    return pfn != nullptr ? pfn(name) : nullptr;
}

int WSAAPI gethostname(char* name, int namelen) {
    auto* pfn = Platform<decltype(gethostname)>("gethostname");
    return pfn != nullptr ? pfn(name, namelen) : SOCKET_ERROR;
}

}  // extern "C"
