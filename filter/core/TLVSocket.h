// The category lookup client's blocking TCP socket and its receive wait.
#pragma once

#include <cstdint>

#include "win/UniqueSocket.h"

class TLVSocket {
public:
    CSocket m_socket;  // closed with the object
    long m_lWaitSeconds = 10;
    long m_lWaitMicroseconds = 0;
    char m_szServerAddress[16] = {};
    std::uint16_t m_uServerPort = 6783;
};
