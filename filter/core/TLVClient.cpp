#include "filter/core/TLVClient.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>

#include "Api/PolicyApi.h"
#include "filter/core/StandardOutput.h"
#include "log/LogFile.h"

namespace {

// 0, or the Winsock error.
int SetNonBlocking(SOCKET s) {
    u_long ulNonBlocking = 1;
    return ::ioctlsocket(s, static_cast<long>(FIONBIO), &ulNonBlocking) == SOCKET_ERROR
               ? ::WSAGetLastError()
               : 0;
}

}  // namespace

TLVClient::TLVClient(Console console) : m_console(console) {
    GetTLVServerIP(m_szServerAddress, &m_iPort);
    m_szServerAddress[sizeof m_szServerAddress - 1] = '\0';
    Print("Constructor :: Port is %d\n", m_iPort);
    m_pLog = std::make_unique<CLogFile>(1, "TLVClientLog");
}

TLVClient::~TLVClient() {
    FlushOutput();
}

void TLVClient::Log(const char* szText, signed char iLevel) {
    m_pLog->Write(szText, iLevel);
}

void TLVClient::Print(const char* szFormat, ...) {
    if (m_console == Console::kSilent) {
        return;
    }
    va_list args;
    va_start(args, szFormat);
    char szLine[TLVMessage::kBufferSize + 64];
    const int n = std::vsnprintf(szLine, sizeof szLine, szFormat, args);
    va_end(args);
    if (n <= 0) {
        return;
    }
    try {
        if (static_cast<std::size_t>(n) < sizeof szLine) {
            m_strOutput.append(szLine, static_cast<std::size_t>(n));
            return;
        }
        // Longer than the line buffer (a message's text with a long value): format it again.
        std::string strLine(static_cast<std::size_t>(n) + 1, '\0');
        va_start(args, szFormat);
        std::vsnprintf(strLine.data(), strLine.size(), szFormat, args);
        va_end(args);
        strLine.pop_back();
        m_strOutput += strLine;
    } catch (const std::exception&) {
        // Out of memory: the line is lost, as a failed write to standard output would lose it.
    }
}

void TLVClient::FlushOutput() noexcept {
    if (!m_strOutput.empty()) {
        WriteStandardOutput(m_strOutput);
        m_strOutput.clear();
    }
}

void TLVClient::SetIPPort(std::uint32_t uAddress, int iPort) {
    in_addr address;
    address.s_addr = uAddress;
    std::snprintf(m_szServerAddress, sizeof m_szServerAddress, "%s", ::inet_ntoa(address));
    m_iPort = iPort;
    if (m_pLog->Enabled(3)) {
        m_pLog->Write(Format("SetIPPort :: ServerIP=%s Port=%d", m_szServerAddress, m_iPort), 3);
    }
}

int TLVClient::Connect() {
    try {
        Log("Connect", 3);
        if (m_wait) {
            m_deadline = std::chrono::steady_clock::now() + *m_wait;
        }
        m_pSocket = std::make_unique<TLVSocket>();
        m_pSocket->m_socket.Reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in local{};
        local.sin_family = AF_INET;
        // Unchecked: a socket that could not be made or bound fails the connect below, and
        // the lookup then fails as a read.
        static_cast<void>(::bind(m_pSocket->m_socket.Get(),
                                 reinterpret_cast<const sockaddr*>(&local), sizeof local));

        std::memcpy(m_pSocket->m_szServerAddress, m_szServerAddress, sizeof m_szServerAddress);
        m_pSocket->m_uServerPort = static_cast<std::uint16_t>(m_iPort);
        m_pLog->Write(Format("Server=%s  Port=%d", m_szServerAddress, m_iPort), 1);

        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_addr.s_addr = ::inet_addr(m_szServerAddress);
        server.sin_port = ::htons(m_pSocket->m_uServerPort);
        bool bConnected = false;
        if (server.sin_addr.s_addr != INADDR_NONE) {
            Print("Before connect %s - %d\n", m_szServerAddress, m_iPort);
            int iError = 0;
            if (!(m_wait ? ConnectBeforeDeadline(server, iError)
                         : ConnectBlocking(server, iError))) {
                Print("ERROR conecting to server %d\n", iError);
            } else {
                Print("Connection eastablished\n");
                bConnected = true;
                m_outcome = CategoryExchange::Outcome::NoReply;
            }
        }
        // A refused connection shows later, as a failed read: the log records the attempt
        // as the lookup's step, the console does not claim a connection it did not make.
        if (bConnected) {
            Print("Connected with server \n");
        }
        Log("Connected with server ", 1);
        m_bConnected = 1;
        return 1;
    } catch (const std::exception&) {
        Print("UNABLE TO CONNECT TO THE SERVER\n");
        Log("UNABLE TO CONNECT TO THE SERVER", 1);
        return kSocketError;
    }
}

bool TLVClient::ConnectBlocking(const sockaddr_in& server, int& iError) {
    if (::connect(m_pSocket->m_socket.Get(), reinterpret_cast<const sockaddr*>(&server),
                  sizeof server) == SOCKET_ERROR) {
        iError = ::WSAGetLastError();
        return false;
    }
    return true;
}

bool TLVClient::ConnectBeforeDeadline(const sockaddr_in& server, int& iError) {
    const SOCKET s = m_pSocket->m_socket.Get();
    iError = SetNonBlocking(s);
    if (iError == 0 &&
        ::connect(s, reinterpret_cast<const sockaddr*>(&server), sizeof server) == SOCKET_ERROR) {
        iError = ::WSAGetLastError();
        if (iError == WSAEWOULDBLOCK) {
            iError = AwaitConnect(s);
        }
    }
    // Left non-blocking: the request is far smaller than any send buffer, and the reply is read
    // only once select has seen it, so neither waits; switching back would cost a call.
    if (iError == 0) {
        return true;
    }
    // Closed now, so that nothing is left connecting: the write and the read that follow fail
    // at once instead of waiting on it.
    m_pSocket->m_socket.Reset();
    return false;
}

int TLVClient::AwaitConnect(SOCKET s) {
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(s, &writable);
    // A refused connect shows here, at once.
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(s, &failed);
    timeval wait = TimeLeft();
    const int n = ::select(0, nullptr, &writable, &failed, &wait);
    if (n == SOCKET_ERROR) {
        return ::WSAGetLastError();
    }
    if (n == 0) {
        return WSAETIMEDOUT;
    }
    if (FD_ISSET(s, &failed)) {
        int iError = 0;
        int nSize = sizeof iError;
        ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&iError), &nSize);
        return iError != 0 ? iError : WSAECONNREFUSED;
    }
    return 0;
}

timeval TLVClient::TimeLeft() const {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
        m_deadline - std::chrono::steady_clock::now());
    const long long llMicroseconds = left.count() > 0 ? left.count() : 0;
    return timeval{static_cast<long>(llMicroseconds / 1000000),
                   static_cast<long>(llMicroseconds % 1000000)};
}

std::unique_ptr<TLVMessage> TLVClient::WriteMessage(int iType, std::string_view value) {
    auto pMessage = std::make_unique<TLVMessage>(iType, value);
    try {
        Print("Write message \n");
        Log("WriteMessage", 3);
        char buffer[TLVMessage::kBufferSize];
        const std::size_t nLength = pMessage->Encode(buffer, sizeof buffer);
        if (nLength == 0) {
            // Longer than the message buffer: nothing is sent.
            Log("WriteMessage :: value too long for one message", 1);
            pMessage->messageCode = TLVMessage::kWriteFailed;
            return pMessage;
        }
        for (std::size_t nSent = 0; nSent < nLength;) {
            const int iSent = ::send(m_pSocket->m_socket.Get(), buffer + nSent,
                                     static_cast<int>(nLength - nSent), 0);
            if (iSent <= 0) {
                break;
            }
            nSent += static_cast<std::size_t>(iSent);
        }
        pMessage->messageCode = TLVMessage::kWritten;
        const std::string strText = pMessage->Text();
        m_pLog->Write("Message Sent :-> " + strText, 1);
        Print("%s\n", strText.c_str());
        Print("Message Successfully sent to client....\n");
        Log("Message Successfully sent to client....", 1);
    } catch (const std::exception&) {
        Print("Error while writing to the socket \n");
        Log("Error while writing to the socket", 1);
        pMessage->messageCode = TLVMessage::kWriteFailed;
    }
    return pMessage;
}

std::unique_ptr<TLVMessage> TLVClient::ReadMessage() {
    auto pMessage = std::make_unique<TLVMessage>();
    try {
        Print("Read Message\n");
        Log("ReadMessage", 3);
        int iReceived = 0;
        char buffer[TLVMessage::kBufferSize] = {};
        const SOCKET s = m_pSocket != nullptr ? m_pSocket->m_socket.Get() : INVALID_SOCKET;
        if (s != INVALID_SOCKET) {
            m_pSocket->m_lWaitMicroseconds = 100;
            timeval wait = m_wait
                               ? TimeLeft()
                               : timeval{m_pSocket->m_lWaitSeconds, m_pSocket->m_lWaitMicroseconds};
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(s, &readable);
            if (::select(0, &readable, nullptr, nullptr, &wait) == 1) {
                iReceived = ::recv(s, buffer, sizeof buffer, 0);
                NoteReceived(iReceived);
            }
        }
        // A reply whose length field does not fit what arrived is a failed read too.
        if (iReceived <= 0 ||
            !TLVMessage::Decode(std::string_view(buffer, static_cast<std::size_t>(iReceived)),
                                *pMessage)) {
            if (m_outcome == CategoryExchange::Outcome::Reply) {
                m_outcome = CategoryExchange::Outcome::Garbled;
            }
            pMessage->messageCode = TLVMessage::kReadFailed;
            Print("Reading Failed \n");
            Log("Reading failed", 1);
            return pMessage;
        }
        const std::string strText = pMessage->Text();
        m_pLog->Write("Message Received :-> " + strText, 1);
        Print("%s\n", strText.c_str());
    } catch (const std::exception&) {
        pMessage->messageCode = TLVMessage::kReadFailed;
        const std::string strLine = "EXCEPTION Message :-> " + pMessage->Text();
        m_pLog->Write(strLine, 1);
        Print("%s\n", strLine.c_str());
    }
    return pMessage;
}

void TLVClient::NoteReceived(int iReceived) {
    // A connection that was never made says nothing about what the server would send.
    if (m_outcome != CategoryExchange::Outcome::NoConnection) {
        m_outcome =
            iReceived > 0 ? CategoryExchange::Outcome::Reply : CategoryExchange::Outcome::Closed;
    }
}

int TLVClient::DisConnect() {
    try {
        Log("DisConnect", 3);
        if (m_bConnected == 0) {
            return kSocketError;
        }
        m_pSocket.reset();
        Print("Disconnected with server \n");
        Log("Disconnected with server", 1);
        m_bConnected = 0;
        return 1;
    } catch (const std::exception&) {
        Print("UNABLE TO CLOSE THE CONNECTION TO THE SERVER\n");
        Log("UNABLE TO CLOSE THE CONNECTION TO THE SERVER", 1);
        return kSocketError;
    }
}

std::unique_ptr<TLVMessage> TLVClient::SearchLumora(int iType, std::string_view value) {
    Log("===============================================================", 1);
    Log("SearchLumora", 1);
    if (Connect() == kSocketError) {
        FlushOutput();
        auto pFailed = std::make_unique<TLVMessage>();
        pFailed->messageCode = TLVMessage::kReadFailed;
        return pFailed;
    }
    Print("Before WriteMessage call\n");
    auto pMessage = WriteMessage(iType, value);
    if (pMessage->messageCode == TLVMessage::kWritten) {
        pMessage = ReadMessage();
    }
    DisConnect();
    FlushOutput();
    return pMessage;
}
