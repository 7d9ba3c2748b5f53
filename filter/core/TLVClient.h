// The client side of one category lookup: connect, one request, one reply, close. Its
// lines go to standard output and to its own "TLVClientLog" log.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <memory>
#include <string_view>

#include "filter/core/portable/TLVMessage.h"

class CLogFile;

// The client's blocking TCP socket; closed with the object.
class TLVSocket {
public:
    TLVSocket() = default;
    TLVSocket(const TLVSocket&) = delete;
    TLVSocket& operator=(const TLVSocket&) = delete;
    ~TLVSocket();

    SOCKET m_socket = INVALID_SOCKET;
    long m_lWaitSeconds = 10;
    long m_lWaitMicroseconds = 0;
    char m_szServerAddress[16] = {};
    std::uint16_t m_uServerPort = 6783;
};

class TLVClient {
public:
    static constexpr int kSocketError = -1;

    // Reads the configured server with GetTLVServerIP.
    TLVClient();
    TLVClient(const TLVClient&) = delete;
    TLVClient& operator=(const TLVClient&) = delete;
    ~TLVClient();

    // uAddress: IPv4 in network byte order.
    void SetIPPort(std::uint32_t uAddress, int iPort);
    int Connect();
    std::unique_ptr<TLVMessage> WriteMessage(int iType, std::string_view value);
    std::unique_ptr<TLVMessage> ReadMessage();
    int DisConnect();
    // One whole lookup; the result's messageCode is negative when it failed.
    std::unique_ptr<TLVMessage> SearchLumora(int iType, std::string_view value);

private:
    void Log(const char* szText, signed char iLevel);

    std::uint8_t m_bConnected = 0;
    int m_iPort = 0;
    char m_szServerAddress[16] = {};
    std::unique_ptr<TLVSocket> m_pSocket;
    std::unique_ptr<CLogFile> m_pLog;
};
