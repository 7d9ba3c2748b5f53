// lookup_load: the client of the category server's benchmark. Keeps CONCURRENCY lookups in
// flight, each on a connection of its own (connect, one request, the reply until the server
// closes), against each of the given servers in turn, BATCHES times SECONDS each, and prints
// lookups per second per batch and, per server, the median and spread; with two servers, the
// ratio of the second's median to the first's.
//   lookup_load NAME=PORT [NAME=PORT] [--batches N] [--seconds S] [--concurrency C]
// A lookup fails when it gets no whole reply of type 4; failures are counted and printed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The URLs asked for in turn: known hosts, paths, unknown sites.
const char* const kUrls[] = {
    "news.example/today",          "www.sports.example/",
    "sports.example/betting/odds", "casino.example/",
    "unknown-site.example/page",   "play.games.example/x",
    "http://shop.example:80/cart", "127.0.0.1/casino/room",
    "another.unknown.example/",
};

struct CServer {
    std::string name;
    unsigned short uPort = 0;
    std::vector<double> rates;
    long nFailed = 0;
};

struct CLookup {
    int fd = -1;
    bool bSent = false;
    std::size_t nReceived = 0;
    char reply[2048];
};

class CLoad {
public:
    CLoad(unsigned short uPort, int nConcurrency) : m_uPort(uPort), m_lookups(nConcurrency) {
        m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    }
    ~CLoad() {
        for (CLookup& lookup : m_lookups) {
            if (lookup.fd >= 0) {
                ::close(lookup.fd);
            }
        }
        ::close(m_epoll);
    }
    // Lookups done in the time; failures added to nFailed.
    long Run(double dSeconds, long& nFailed) {
        for (CLookup& lookup : m_lookups) {
            Begin(lookup);
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(dSeconds);
        epoll_event events[256];
        while (std::chrono::steady_clock::now() < end) {
            const int n = ::epoll_wait(m_epoll, events, 256, 100);
            for (int i = 0; i < n; ++i) {
                Step(*static_cast<CLookup*>(events[i].data.ptr));
            }
        }
        nFailed += m_nFailed;
        return m_nDone;
    }

private:
    void Begin(CLookup& lookup) {
        lookup = CLookup();
        lookup.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(m_uPort);
        if (::connect(lookup.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
                0 &&
            errno != EINPROGRESS) {
            Fail(lookup);
            return;
        }
        epoll_event event{EPOLLOUT | EPOLLIN, {.ptr = &lookup}};
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, lookup.fd, &event);
    }
    void Step(CLookup& lookup) {
        if (!lookup.bSent) {
            const char* szUrl = kUrls[m_nNext++ % std::size(kUrls)];
            const std::size_t nUrl = std::strlen(szUrl);
            char request[256] = {4, static_cast<char>(nUrl + 5), 0, 0, 0};
            std::memcpy(request + 5, szUrl, nUrl);
            if (::send(lookup.fd, request, nUrl + 5, MSG_NOSIGNAL) !=
                static_cast<ssize_t>(nUrl + 5)) {
                Fail(lookup);
                return;
            }
            lookup.bSent = true;
            epoll_event event{EPOLLIN, {.ptr = &lookup}};
            ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, lookup.fd, &event);
            return;
        }
        const ssize_t n = ::recv(lookup.fd, lookup.reply + lookup.nReceived,
                                 sizeof lookup.reply - lookup.nReceived, 0);
        if (n > 0) {
            lookup.nReceived += static_cast<std::size_t>(n);
            return;
        }
        if (n < 0 && errno == EAGAIN) {
            return;
        }
        const bool bWhole = lookup.nReceived >= 5 && lookup.reply[0] == 4 &&
                            static_cast<unsigned char>(lookup.reply[1]) == lookup.nReceived;
        if (!bWhole) {
            Fail(lookup);
            return;
        }
        ++m_nDone;
        ::close(lookup.fd);
        Begin(lookup);
    }
    void Fail(CLookup& lookup) {
        ++m_nFailed;
        ::close(lookup.fd);
        Begin(lookup);
    }

    unsigned short m_uPort;
    std::vector<CLookup> m_lookups;
    int m_epoll = -1;
    long m_nDone = 0;
    long m_nFailed = 0;
    std::size_t m_nNext = 0;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<CServer> servers;
    int nBatches = 6;
    double dSeconds = 2;
    int nConcurrency = 32;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--batches" && i + 1 < argc) {
            nBatches = std::atoi(argv[++i]);
        } else if (arg == "--seconds" && i + 1 < argc) {
            dSeconds = std::atof(argv[++i]);
        } else if (arg == "--concurrency" && i + 1 < argc) {
            nConcurrency = std::atoi(argv[++i]);
        } else if (const std::size_t nEquals = arg.find('='); nEquals != std::string::npos) {
            servers.push_back({arg.substr(0, nEquals),
                               static_cast<unsigned short>(std::atoi(arg.c_str() + nEquals + 1)),
                               {},
                               0});
        } else {
            std::fprintf(stderr,
                         "usage: lookup_load NAME=PORT [NAME=PORT] [--batches N] [--seconds S] "
                         "[--concurrency C]\n");
            return 2;
        }
    }
    for (int nBatch = 1; nBatch <= nBatches; ++nBatch) {
        for (CServer& server : servers) {
            long nFailed = 0;
            CLoad load(server.uPort, nConcurrency);
            const double dRate = static_cast<double>(load.Run(dSeconds, nFailed)) / dSeconds;
            server.rates.push_back(dRate);
            server.nFailed += nFailed;
            std::printf("batch %d  %-16s %9.0f lookups/s\n", nBatch, server.name.c_str(), dRate);
            std::fflush(stdout);
        }
    }
    for (const CServer& server : servers) {
        const auto [low, high] = std::minmax_element(server.rates.begin(), server.rates.end());
        std::printf("%-16s median %9.0f lookups/s (batches %.0f to %.0f), %ld failed\n",
                    server.name.c_str(), Median(server.rates), *low, *high, server.nFailed);
    }
    if (servers.size() == 2) {
        std::printf("ratio %s / %s: %.2f\n", servers[1].name.c_str(), servers[0].name.c_str(),
                    Median(servers[1].rates) / Median(servers[0].rates));
    }
}
