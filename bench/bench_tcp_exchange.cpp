// One command exchange of a unit page against a simulated unit over loopback TCP, compared
// with a bare loopback round trip of a frame of the same size in the same run.
#include "BenchServices.h"
#include "BenchUtil.h"
#include "SimTcpServer.h"
#include "SimUnit.h"
#include "link/CRKM5Tcpio.h"
#include "platform/Pause.h"
#include "unit/CLumatrelDlg.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

// A loopback echo: whatever arrives goes straight back.
class EchoServer {
public:
    EchoServer() {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sa;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        ::listen(m_listen, 1);
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&sa), &len);
        m_port = ntohs(sa.sin_port);
        m_thread = std::thread([this] {
            const int fd = ::accept(m_listen, nullptr, nullptr);
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            char buf[512];
            for (;;) {
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0) {
                    break;
                }
                ::send(fd, buf, static_cast<size_t>(n), MSG_NOSIGNAL);
            }
            ::close(fd);
        });
    }
    ~EchoServer() {
        m_thread.join();
        ::close(m_listen);
    }
    std::uint16_t Port() const { return m_port; }

private:
    int m_listen = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

double EchoMedian(int rounds, size_t frameSize) {
    EchoServer echo;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(echo.Port());
    ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::string frame(frameSize, 'x');
    char buf[512];
    const auto samples = TimeEach(rounds, [&] {
        ::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
        size_t got = 0;
        while (got < frame.size()) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                break;
            }
            got += static_cast<size_t>(n);
        }
    });
    ::close(fd);
    return MedianMs(samples);
}

} // namespace

int main() {
    constexpr int kRounds = 400;
    SimUnit unit;
    SimTcpServer server(unit);
    BenchServices services;
    CLumatrelDlg page(services.Services());
    if (!AttachTcpLink(page, services.pause, server.Port())) {
        return 1;
    }
    std::string reply;
    page.ExchangeCommand("VR", reply, 0);
    const size_t frameSize = reply.size() + 6;
    const double exchange =
        MedianMs(TimeEach(kRounds, [&] { page.ExchangeCommand("VR", reply, 0); }));
    if (page.Link == nullptr) {
        std::fprintf(stderr, "the link was lost during the run\n");
        return 1;
    }
    const double echo = EchoMedian(kRounds, frameSize);
    PrintBench("tcp_exchange", exchange, "ms");
    PrintBench("tcp_echo", echo, "ms");
    PrintRatio("tcp_exchange_vs_echo", echo > 0 ? exchange / echo : 0.0);
    delete page.Link;
    page.Link = nullptr;
    return 0;
}
