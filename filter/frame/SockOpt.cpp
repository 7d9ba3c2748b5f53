// Socket options: the protocol-record options are answered with the chain's own record, and
// SO_UPDATE_ACCEPT_CONTEXT carries the listening socket, which needs translating too.
#include <cstddef>
#include <cstring>

#include "filter/frame/Entries.h"
#include "filter/frame/Forward.h"
#include "filter/frame/Trace.h"

namespace {

constexpr size_t kFixedPartSize = offsetof(WSAPROTOCOL_INFOW, szProtocol);
static_assert(kFixedPartSize == offsetof(WSAPROTOCOL_INFOA, szProtocol));
static_assert(kFixedPartSize == 116);
static_assert(sizeof(WSAPROTOCOL_INFOW) == 628 && sizeof(WSAPROTOCOL_INFOA) == 372);

}  // namespace

int WSPAPI WSPGetSockOpt(SOCKET s, int level, int optname, char* optval, LPINT optlen,
                         LPINT lpErrno) {
    return ForwardOnSocket(
        s, {"WSPGetSockOpt: WPUQuerySocketHandleContext() failed: "}, lpErrno, SOCKET_ERROR,
        [&](SocketInfo& info, const WSPPROC_TABLE& next) -> int {
            if (level == SOL_SOCKET && optname == SO_PROTOCOL_INFOW) {
                if (*optlen < static_cast<int>(sizeof(WSAPROTOCOL_INFOW))) {
                    *lpErrno = WSAEFAULT;
                    return SOCKET_ERROR;
                }
                std::memcpy(optval, &info.Provider->LayeredProvider, sizeof(WSAPROTOCOL_INFOW));
                return 0;
            }
            if (level == SOL_SOCKET && optname == SO_PROTOCOL_INFOA) {
                if (*optlen < static_cast<int>(sizeof(WSAPROTOCOL_INFOA))) {
                    *lpErrno = WSAEFAULT;
                    return SOCKET_ERROR;
                }
                auto* pAnsi = reinterpret_cast<WSAPROTOCOL_INFOA*>(optval);
                std::memcpy(pAnsi, &info.Provider->LayeredProvider, kFixedPartSize);
                ::WideCharToMultiByte(CP_ACP, 0, info.Provider->LayeredProvider.szProtocol, -1,
                                      pAnsi->szProtocol, sizeof pAnsi->szProtocol, nullptr,
                                      nullptr);
                return 0;
            }
            return next.lpWSPGetSockOpt(info.ProviderSocket, level, optname, optval, optlen,
                                        lpErrno);
        });
}

int WSPAPI WSPSetSockOpt(SOCKET s, int level, int optname, const char* optval, int optlen,
                         LPINT lpErrno) {
    return ForwardOnSocket(
        s, {}, lpErrno, SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) -> int {
            if (level == SOL_SOCKET && optname == SO_UPDATE_ACCEPT_CONTEXT) {
                if (optval == nullptr || optlen < static_cast<int>(sizeof(SOCKET))) {
                    *lpErrno = WSAEFAULT;
                    return SOCKET_ERROR;
                }
                SOCKET sListen = INVALID_SOCKET;
                std::memcpy(&sListen, optval, sizeof sListen);
                SocketInfo* pListen = QuerySocketInfo(sListen, {}, lpErrno);
                if (pListen == nullptr) {
                    TraceAndDebugOut(
                        1, "WSPSetSockOpt :: WPUQuerySocketHandleContext() failed: %d\r\n",
                        *lpErrno);
                    return SOCKET_ERROR;
                }
                return next.lpWSPSetSockOpt(info.ProviderSocket, level, optname,
                                            reinterpret_cast<const char*>(&pListen->ProviderSocket),
                                            optlen, lpErrno);
            }
            return next.lpWSPSetSockOpt(info.ProviderSocket, level, optname, optval, optlen,
                                        lpErrno);
        });
}
