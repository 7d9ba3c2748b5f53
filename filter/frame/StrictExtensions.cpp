#include "filter/frame/StrictExtensions.h"

#include <mswsock.h>

#include <cstdio>
#include <cstring>

#include "filter/frame/Entries.h"
#include "filter/frame/ExtensionTarget.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/SocketInfo.h"

namespace {

template <class Fn>
struct StrictExtension {
    GUID Id;
    Fn Own;
    std::atomic<Fn> ChainExtensions::*Next;
};

template <class Fn>
bool Answer(const StrictExtension<Fn>& extension, SocketInfo& info, const GUID& id,
            LPVOID lpvOutBuffer, DWORD cbOutBuffer, LPDWORD lpcbBytesReturned, LPINT lpErrno,
            int* piResult) {
    if (!IsEqualGUID(id, extension.Id)) {
        return false;
    }
    *piResult = SOCKET_ERROR;
    if (lpvOutBuffer == nullptr || cbOutBuffer < sizeof(Fn)) {
        *lpErrno = WSAEFAULT;
        return true;
    }
    if (!FetchNextExtension(info, id, info.Provider->Extensions.*extension.Next, lpErrno)) {
        return true;
    }
    std::memcpy(lpvOutBuffer, &extension.Own, sizeof(Fn));
    if (lpcbBytesReturned != nullptr) {
        *lpcbBytesReturned = sizeof(Fn);
    }
    *piResult = 0;
    return true;
}

}  // namespace

bool AnswerStrictExtension(SocketInfo& info, const GUID& id, LPVOID lpvOutBuffer, DWORD cbOutBuffer,
                           LPDWORD lpcbBytesReturned, LPINT lpErrno, int* piResult) {
    static const StrictExtension<LPFN_CONNECTEX> kConnectEx{WSAID_CONNECTEX, ExtConnectEx,
                                                            &ChainExtensions::ConnectEx};
    static const StrictExtension<LPFN_DISCONNECTEX> kDisconnectEx{
        WSAID_DISCONNECTEX, ExtDisconnectEx, &ChainExtensions::DisconnectEx};
    static const StrictExtension<LPFN_TRANSMITPACKETS> kTransmitPackets{
        WSAID_TRANSMITPACKETS, ExtTransmitPackets, &ChainExtensions::TransmitPackets};
    static const StrictExtension<LPFN_WSARECVMSG> kRecvMsg{WSAID_WSARECVMSG, ExtWSARecvMsg,
                                                           &ChainExtensions::RecvMsg};
    static const StrictExtension<LPFN_WSASENDMSG> kSendMsg{WSAID_WSASENDMSG, ExtWSASendMsg,
                                                           &ChainExtensions::SendMsg};
    const auto answer = [&](const auto& extension) {
        return Answer(extension, info, id, lpvOutBuffer, cbOutBuffer, lpcbBytesReturned, lpErrno,
                      piResult);
    };
    return answer(kConnectEx) || answer(kDisconnectEx) || answer(kTransmitPackets) ||
           answer(kRecvMsg) || answer(kSendMsg);
}

CGuidText GuidText(const GUID& id) noexcept {
    CGuidText text{};
    std::snprintf(
        text.szText, sizeof text.szText, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
        static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
        id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
}
