// Opens layered sockets and leaves the process without closing them or cleaning up, so that
// FilterLsp.dll tears them down in its process detach. Exits with 7 when the sockets were made.
#include <winsock2.h>
#include <windows.h>

#include "tests/support/LoopbackPeer.h"

int main() {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        return 1;
    }
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
    ::ExitProcess(7);
}
