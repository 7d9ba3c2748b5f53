// A client of the category server's protocol for the tests under Wine, on the system's
// Winsock, and waits for what a server writes to its log.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "win/UniqueSocket.h"

// Only a guard against a hang: every wait ends on a condition long before.
inline constexpr ULONGLONG kLookupGuardMs = 60000;

template <class F>
bool WaitFor(F condition) {
    for (const ULONGLONG uEnd = ::GetTickCount64() + kLookupGuardMs; ::GetTickCount64() < uEnd;) {
        if (condition()) {
            return true;
        }
        ::Sleep(50);
    }
    return condition();
}

inline std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The port of the first line "listening on 127.0.0.1:PORT..." in a log; 0 until it is there.
inline std::uint16_t ListeningPort(const std::string& log) {
    const std::string text = ReadFileText(log);
    const std::size_t nAt = text.find("listening on 127.0.0.1:");
    return nAt == std::string::npos ? 0
                                    : static_cast<std::uint16_t>(std::stoi(text.substr(nAt + 23)));
}

// A blocking connection with a ten-second receive wait; empty when refused.
inline CSocket ConnectLoopback(std::uint16_t uPort) {
    CSocket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    address.sin_port = ::htons(uPort);
    const DWORD dwWaitMs = 10000;
    ::setsockopt(s.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&dwWaitMs),
                 sizeof dwWaitMs);
    if (::connect(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        s.Reset();
    }
    return s;
}

inline std::string LookupRequest(std::uint8_t uType, const std::string& url) {
    const std::size_t n = url.size() + 5;
    std::string bytes(1, static_cast<char>(uType));
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>((n >> (8 * i)) & 0xFF);
    }
    return bytes + url;
}

// Everything received until the server closes; *pbClosed: it did close (or reset), rather
// than the wait running out.
inline std::string ReceiveUntilClosed(SOCKET s, bool* pbClosed = nullptr) {
    std::string data;
    char buffer[2048];
    int n = 0;
    while ((n = ::recv(s, buffer, sizeof buffer, 0)) > 0) {
        data.append(buffer, static_cast<std::size_t>(n));
    }
    if (pbClosed != nullptr) {
        *pbClosed = n == 0 || ::WSAGetLastError() != WSAETIMEDOUT;
    }
    return data;
}

// The reply's value; empty when the lookup failed.
inline std::optional<std::string> LookupCategory(std::uint16_t uPort, std::uint8_t uType,
                                                 const std::string& url) {
    const CSocket s = ConnectLoopback(uPort);
    const std::string request = LookupRequest(uType, url);
    if (!s || ::send(s.Get(), request.data(), static_cast<int>(request.size()), 0) !=
                  static_cast<int>(request.size())) {
        return std::nullopt;
    }
    const std::string reply = ReceiveUntilClosed(s.Get());
    if (reply.size() < 5 || static_cast<std::uint8_t>(reply[0]) != uType ||
        static_cast<unsigned char>(reply[1]) != reply.size()) {
        return std::nullopt;
    }
    return reply.substr(5);
}

// Winsock for the test program's life.
class CWinsock {
public:
    CWinsock() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    CWinsock(const CWinsock&) = delete;
    CWinsock& operator=(const CWinsock&) = delete;
    ~CWinsock() { ::WSACleanup(); }
};
