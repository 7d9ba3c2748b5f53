#include "filter/frame/ProcTable.h"

#include "filter/frame/Entries.h"

void FillProcTable(LPWSPPROC_TABLE lpProcTable) {
    *lpProcTable = {
        WSPAccept,
        WSPAddressToString,
        WSPAsyncSelect,
        WSPBind,
        WSPCancelBlockingCall,
        WSPCleanup,
        WSPCloseSocket,
        WSPConnect,
        WSPDuplicateSocket,
        WSPEnumNetworkEvents,
        WSPEventSelect,
        WSPGetOverlappedResult,
        WSPGetPeerName,
        WSPGetSockName,
        WSPGetSockOpt,
        WSPGetQOSByName,
        WSPIoctl,
        WSPJoinLeaf,
        WSPListen,
        WSPRecv,
        WSPRecvDisconnect,
        WSPRecvFrom,
        WSPSelect,
        WSPSend,
        WSPSendDisconnect,
        WSPSendTo,
        WSPSetSockOpt,
        WSPShutdown,
        WSPSocket,
        WSPStringToAddress,
    };
}
