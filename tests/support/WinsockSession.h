// WSAStartup for a scope, and WSACleanup at its end when the start-up worked.
#pragma once

#include <winsock2.h>

class CWinsockSession {
public:
    CWinsockSession() {
        WSADATA data;
        m_iResult = ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    CWinsockSession(const CWinsockSession&) = delete;
    CWinsockSession& operator=(const CWinsockSession&) = delete;
    ~CWinsockSession() {
        if (m_iResult == 0) {
            ::WSACleanup();
        }
    }

    int Result() const { return m_iResult; }

private:
    int m_iResult;
};
