// Leaves the process with FilterLsp.dll loaded, so that the layer's detach runs at process
// termination. Exits with 7 when the layer was reached.
//   (no argument)   opens layered sockets and leaves them open, without cleaning up;
//   any argument    only makes the layer start its next providers (whose sockets may fail).
#include <winsock2.h>
#include <windows.h>

#include "tests/support/LoopbackPeer.h"

namespace {

int LeaveSocketsOpen() {
    const SOCKET sListen = ::socket(AF_INET, SOCK_STREAM, 0);
    const SOCKET sDatagram = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (sListen == INVALID_SOCKET || sDatagram == INVALID_SOCKET) {
        return 2;
    }
    const sockaddr_in addr = LoopbackAddress(0);
    if (::bind(sListen, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(sListen, 1) != 0) {
        return 3;
    }
    return 7;
}

}  // namespace

int main(int argc, char**) {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        return 1;
    }
    if (argc > 1) {
        ::socket(AF_INET, SOCK_STREAM, 0);
        ::ExitProcess(7);
    }
    ::ExitProcess(static_cast<UINT>(LeaveSocketsOpen()));
}
