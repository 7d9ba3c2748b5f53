// TransmitPackets of the strict switch: its memory elements are judged as one send (a request
// head or a ClientHello may be among them) before the next provider sends anything.
#include <vector>

#include "filter/core/FilterHooks.h"
#include "filter/frame/CallProviderScope.h"
#include "filter/frame/Entries.h"
#include "filter/frame/EntryGuard.h"
#include "filter/frame/ExtensionTarget.h"
#include "filter/frame/OverlappedRequest.h"
#include "filter/frame/WithheldSend.h"

namespace {

const GUID kTransmitPacketsId = WSAID_TRANSMITPACKETS;

// The memory elements as send buffers; file elements are not read.
std::vector<WSABUF> MemoryElements(const TRANSMIT_PACKETS_ELEMENT* pElements, DWORD nCount) {
    std::vector<WSABUF> buffers;
    for (DWORD i = 0; pElements != nullptr && i < nCount; ++i) {
        if ((pElements[i].dwElFlags & TP_ELEMENT_MEMORY) != 0 && pElements[i].pBuffer != nullptr) {
            buffers.push_back({pElements[i].cLength, static_cast<char*>(pElements[i].pBuffer)});
        }
    }
    return buffers;
}

}  // namespace

BOOL PASCAL ExtTransmitPackets(SOCKET hSocket, LPTRANSMIT_PACKETS_ELEMENT lpPacketArray,
                               DWORD nElementCount, DWORD nSendSize, LPOVERLAPPED lpOverlapped,
                               DWORD dwFlags) {
    int iError = 0;
    return GuardEntry(&iError, FALSE, [&]() -> BOOL {
        SocketInfo* pInfo = ExtensionTarget(hSocket, "ExtTransmitPackets", kTransmitPacketsId,
                                            &ChainExtensions::TransmitPackets);
        if (pInfo == nullptr) {
            return FALSE;
        }
        std::vector<WSABUF> buffers = MemoryElements(lpPacketArray, nElementCount);
        const auto nBuffers = static_cast<DWORD>(buffers.size());
        if (CarriesDatagrams(*pInfo->Provider)) {
            if (FilterRefusesDatagram(hSocket, buffers.data(), nBuffers, nullptr, 0)) {
                ::SetLastError(WSAEACCES);
                return FALSE;
            }
        } else if (nBuffers != 0 && FilterOverlappedSend(hSocket, buffers.data(), nBuffers)) {
            const DWORD nWithheld = WithholdSend(*pInfo, hSocket, buffers.data(), nBuffers);
            if (lpOverlapped == nullptr) {
                return TRUE;
            }
            return ExtensionResult(CompleteOverlappedRequest(
                *pInfo, hSocket, ExtensionRequest(kOpTransmitPackets, lpOverlapped), nWithheld,
                "ExtTransmitPackets: GetOverlappedStructure() returned NULL\n"));
        }
        if (lpOverlapped == nullptr) {
            const CCallProviderScope slot(pInfo->Provider);
            return pInfo->Provider->Extensions.TransmitPackets.load()(
                pInfo->ProviderSocket, lpPacketArray, nElementCount, nSendSize, nullptr, dwFlags);
        }
        OverlappedRequest request = ExtensionRequest(kOpTransmitPackets, lpOverlapped);
        request.Args.TransmitPackets = {lpPacketArray, nElementCount, nSendSize, dwFlags};
        return ExtensionResult(StartOverlappedOperation(
            *pInfo, hSocket, request,
            "ExtTransmitPackets: GetOverlappedStructure() returned NULL\n"));
    });
}
