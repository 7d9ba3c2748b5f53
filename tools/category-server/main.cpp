// category-server: answers the filter's category lookups for tests and the demonstration.
// Each connection carries one type-4 request; the reply carries the URL's category (an empty
// value for a URL the database does not know), then the connection is closed.
//
//   category-server --port N [--address A] [--db FILE] [--unknown NAME] [--delay-ms N]
//                   [--never-reply] [--split-reply] [--bad-length]
//
// --port 0 takes a free port. The first line on standard output is
// "listening on ADDRESS:PORT"; then one line per request. The address is a loopback one
// (127.0.0.1 unless given).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "filter/core/portable/TLVMessage.h"
#include "tools/category-server/CategoryDatabase.h"

namespace {

struct COptions {
    int iPort = -1;
    std::string strAddress = "127.0.0.1";
    std::string strDatabase = "data/category-db.txt";
    std::string strUnknown;
    int iDelayMs = 0;
    bool bNeverReply = false;
    bool bSplitReply = false;
    bool bBadLength = false;
};

constexpr size_t kMaxRequest = 64 * 1024;
constexpr int kReadTimeoutSeconds = 5;

std::mutex g_outputLock;

void Say(const std::string& strLine) {
    const std::lock_guard<std::mutex> lock(g_outputLock);
    std::printf("%s\n", strLine.c_str());
    std::fflush(stdout);
}

// Closes its descriptor when it goes.
class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    ~CFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

bool SendAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        const ssize_t nSent = ::send(fd, p, n, MSG_NOSIGNAL);
        if (nSent <= 0) {
            return false;
        }
        p += nSent;
        n -= static_cast<size_t>(nSent);
    }
    return true;
}

// Reads one whole request; false for anything malformed, too long, or cut short.
bool ReadRequest(int fd, TLVMessage& request) {
    std::string strData;
    char buffer[4096];
    for (;;) {
        if (strData.size() >= TLVMessage::kHeaderLength) {
            std::uint32_t uLength = 0;
            for (int i = 0; i < 4; ++i) {
                uLength |=
                    std::uint32_t{static_cast<unsigned char>(strData[1 + static_cast<size_t>(i)])}
                    << (8 * i);
            }
            if (uLength < TLVMessage::kHeaderLength || uLength > kMaxRequest) {
                return false;
            }
            if (strData.size() >= uLength) {
                return TLVMessage::Decode(std::string_view(strData).substr(0, uLength), request);
            }
        }
        const ssize_t nRead = ::recv(fd, buffer, sizeof buffer, 0);
        if (nRead <= 0) {
            return false;
        }
        strData.append(buffer, static_cast<size_t>(nRead));
    }
}

void Serve(int fd, const COptions& options, const CCategoryDatabase& database) {
    const CFd connection(fd);
    timeval timeout{kReadTimeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    TLVMessage request;
    if (!ReadRequest(fd, request) || request.type != TLVMessage::kCategorySearch) {
        Say("malformed request: connection closed");
        return;
    }
    const auto category = database.Lookup(request.value);
    const std::string strCategory = category.value_or(options.strUnknown);
    Say(request.value + " -> " + (category ? strCategory : "(unknown) " + strCategory));
    if (options.bNeverReply) {
        // Hold the connection open until the client gives up.
        char byte;
        while (::recv(fd, &byte, 1, 0) > 0) {
        }
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(options.iDelayMs));
    char reply[TLVMessage::kBufferSize];
    const size_t nReply =
        TLVMessage(TLVMessage::kCategorySearch, strCategory).Encode(reply, sizeof reply);
    if (options.bBadLength) {
        reply[1] = static_cast<char>(static_cast<unsigned char>(reply[1]) + 100);
    }
    if (options.bSplitReply && nReply > TLVMessage::kHeaderLength) {
        SendAll(fd, reply, TLVMessage::kHeaderLength + 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        SendAll(fd, reply + TLVMessage::kHeaderLength + 1, nReply - TLVMessage::kHeaderLength - 1);
    } else {
        SendAll(fd, reply, nReply);
    }
}

bool ParseOptions(int argc, char** argv, COptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string strOption = argv[i];
        if (strOption == "--never-reply") {
            options.bNeverReply = true;
        } else if (strOption == "--split-reply") {
            options.bSplitReply = true;
        } else if (strOption == "--bad-length") {
            options.bBadLength = true;
        } else if (i + 1 < argc && strOption == "--port") {
            options.iPort = std::atoi(argv[++i]);
        } else if (i + 1 < argc && strOption == "--address") {
            options.strAddress = argv[++i];
        } else if (i + 1 < argc && strOption == "--db") {
            options.strDatabase = argv[++i];
        } else if (i + 1 < argc && strOption == "--unknown") {
            options.strUnknown = argv[++i];
        } else if (i + 1 < argc && strOption == "--delay-ms") {
            options.iDelayMs = std::atoi(argv[++i]);
        } else {
            return false;
        }
    }
    // Tests and the demonstration talk to this machine only.
    return options.iPort >= 0 && options.iPort <= 65535 && options.strAddress.rfind("127.", 0) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    COptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: category-server --port N [--address 127.x.y.z] [--db FILE] "
                     "[--unknown NAME] [--delay-ms N] [--never-reply] [--split-reply] "
                     "[--bad-length]\n");
        return 2;
    }
    std::ifstream db(options.strDatabase);
    CCategoryDatabase database;
    if (!db.is_open() || database.Load(db) == 0) {
        std::fprintf(stderr, "category-server: no entries in %s\n", options.strDatabase.c_str());
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);

    const CFd listener(::socket(AF_INET, SOCK_STREAM, 0));
    const int iOn = 1;
    ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &iOn, sizeof iOn);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (::inet_pton(AF_INET, options.strAddress.c_str(), &address.sin_addr) != 1) {
        std::fprintf(stderr, "category-server: bad address %s\n", options.strAddress.c_str());
        return 2;
    }
    address.sin_port = htons(static_cast<std::uint16_t>(options.iPort));
    socklen_t nAddress = sizeof address;
    if (::bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.Get(), 64) != 0 ||
        ::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &nAddress) != 0) {
        std::perror("category-server: cannot listen");
        return 1;
    }
    Say("listening on " + options.strAddress + ":" + std::to_string(ntohs(address.sin_port)));
    for (;;) {
        const int fd = ::accept(listener.Get(), nullptr, nullptr);
        if (fd < 0) {
            continue;
        }
        std::thread(Serve, fd, std::cref(options), std::cref(database)).detach();
    }
}
