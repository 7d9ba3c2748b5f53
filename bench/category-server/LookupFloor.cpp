// lookup_floor: the lookup protocol's floor for the category server's benchmark. It serves
// connections the way the server does (a listening socket and an epoll loop per thread,
// SO_REUSEPORT, one request and one reply per connection, then close) but does nothing else:
// whatever arrives first is taken for the request, and the reply is one constant message.
//   lookup_floor PORT-FILE [THREADS]
// Listens on 127.0.0.1, a free port, written to PORT-FILE; runs until killed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

// Type 4, length 9, "News".
constexpr char kReply[] = {4, 9, 0, 0, 0, 'N', 'e', 'w', 's'};

int Listen(unsigned short uPort) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int iOn = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &iOn, sizeof iOn);
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &iOn, sizeof iOn);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uPort);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, SOMAXCONN) != 0) {
        std::perror("lookup_floor: listen");
        std::exit(1);
    }
    return fd;
}

// Answers if the request's bytes are there; false when it must wait for them.
bool Answer(int fd) {
    char buffer[2048];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EAGAIN) {
        return false;
    }
    if (n > 0) {
        [[maybe_unused]] const ssize_t nSent = ::send(fd, kReply, sizeof kReply, MSG_NOSIGNAL);
    }
    ::close(fd);
    return true;
}

void Serve(int listener) {
    const int epoll = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event event{EPOLLIN, {.fd = listener}};
    ::epoll_ctl(epoll, EPOLL_CTL_ADD, listener, &event);
    epoll_event events[128];
    for (;;) {
        const int nEvents = ::epoll_wait(epoll, events, 128, -1);
        for (int i = 0; i < nEvents; ++i) {
            const int fd = events[i].data.fd;
            if (fd != listener) {
                Answer(fd);
                continue;
            }
            for (int j = 0; j < 64; ++j) {
                const int connection = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK);
                if (connection < 0) {
                    break;
                }
                if (!Answer(connection)) {
                    epoll_event wait{EPOLLIN, {.fd = connection}};
                    ::epoll_ctl(epoll, EPOLL_CTL_ADD, connection, &wait);
                }
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: lookup_floor PORT-FILE [THREADS]\n");
        return 2;
    }
    const unsigned uThreads =
        argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : std::thread::hardware_concurrency();
    std::vector<int> listeners{Listen(0)};
    sockaddr_in address{};
    socklen_t nAddress = sizeof address;
    ::getsockname(listeners[0], reinterpret_cast<sockaddr*>(&address), &nAddress);
    while (listeners.size() < uThreads) {
        listeners.push_back(Listen(ntohs(address.sin_port)));
    }
    std::vector<std::thread> threads;
    for (const int listener : listeners) {
        threads.emplace_back(Serve, listener);
    }
    if (std::FILE* pFile = std::fopen(argv[1], "w")) {
        std::fprintf(pFile, "%u\n", ntohs(address.sin_port));
        std::fclose(pFile);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}
