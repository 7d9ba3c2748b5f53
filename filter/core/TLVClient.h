// The client side of one category lookup: connect, one request, one reply, close. Its
// lines go to standard output and to its own "TLVClientLog" log.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "filter/core/TLVSocket.h"
#include "filter/core/portable/CategoryServers.h"
#include "filter/core/portable/TLVMessage.h"
#include "log/portable/Format.h"

class CLogFile;

class TLVClient {
public:
    static constexpr int kSocketError = -1;

    // Whether the client's lines go to the host program's standard output as well as to its
    // log: the program's output is its own, and the strict filter never writes to it.
    enum class Console { kShown, kSilent };

    // Reads the configured server with GetTLVServerIP.
    explicit TLVClient(Console console = Console::kShown);
    TLVClient(const TLVClient&) = delete;
    TLVClient& operator=(const TLVClient&) = delete;
    ~TLVClient();

    // uAddress: IPv4 in network byte order.
    void SetIPPort(std::uint32_t uAddress, int iPort);
    // The connect and the read together wait at most this long, from the start of the
    // connect, which then does not block. Without it the connect blocks for the system's
    // time-out and the read waits its 10 seconds.
    void SetWait(std::chrono::milliseconds wait) { m_wait = wait; }
    int Connect();
    std::unique_ptr<TLVMessage> WriteMessage(int iType, std::string_view value);
    std::unique_ptr<TLVMessage> ReadMessage();
    int DisConnect();
    // One whole lookup; the result's messageCode is negative when it failed.
    std::unique_ptr<TLVMessage> SearchLumora(int iType, std::string_view value);
    // How the last lookup went: whether a connection was made, and whether anything came back.
    CategoryExchange::Outcome Outcome() const { return m_outcome; }

private:
    // False with the Winsock error in iError when no connection was made.
    bool ConnectBlocking(const sockaddr_in& server, int& iError);
    bool ConnectBeforeDeadline(const sockaddr_in& server, int& iError);
    // 0 once connected before the deadline, else the Winsock error.
    int AwaitConnect(SOCKET s);
    timeval TimeLeft() const;
    void NoteReceived(int iReceived);
    void Log(const char* szText, signed char iLevel);
    // The client's lines on standard output, collected and written together at the end of the
    // lookup (or when the client goes): one write for all of them.
    void Print(const char* szFormat, ...) PC_PRINTF_FORMAT(2, 3);
    void FlushOutput() noexcept;

    std::uint8_t m_bConnected = 0;
    int m_iPort = 0;
    char m_szServerAddress[16] = {};
    std::unique_ptr<TLVSocket> m_pSocket;
    std::unique_ptr<CLogFile> m_pLog;
    Console m_console;
    std::string m_strOutput;
    std::optional<std::chrono::milliseconds> m_wait;
    std::chrono::steady_clock::time_point m_deadline;
    CategoryExchange::Outcome m_outcome = CategoryExchange::Outcome::NoConnection;
};
