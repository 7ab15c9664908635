#include "SimDiscovery.h"

#include "SimUnit.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fcntl.h>
#include <stdexcept>

namespace {

int BoundUdp(const std::string& address, std::uint16_t port, bool reuse) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("discovery: socket failed");
    }
    if (reuse) {
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    }
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1 ||
        ((ntohl(sa.sin_addr.s_addr) >> 24) != 127)) {
        ::close(fd);
        throw std::runtime_error("discovery: only loopback addresses are served: " + address);
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        ::close(fd);
        throw std::runtime_error("discovery: cannot bind " + address);
    }
    return fd;
}

} // namespace

std::string SimDiscovery::Answer(const std::string& serial, const std::string& address,
                                 bool connected) {
    std::string text = "RKM5.Lumatrel.V5.1." + serial + ".M.0\nRKM5 LED controller\n" + address +
                       "\r\n" + (connected ? "CO" : "NC") + "\n";
    text.push_back('\0');
    return text;
}

SimDiscovery::SimDiscovery(SimUnit& unit, std::uint16_t port, std::string listenAddress)
    : m_unit(unit) {
    m_listenFd = BoundUdp(listenAddress, port, true);
    m_replyFd = BoundUdp("127.0.0.1", 0, false);
    if (::pipe2(m_wake, O_CLOEXEC) != 0) {
        throw std::runtime_error("discovery: pipe failed");
    }
    m_thread = std::thread([this] { Run(); });
}

SimDiscovery::~SimDiscovery() {
    Stop();
    for (int fd : {m_listenFd, m_replyFd, m_wake[0], m_wake[1]}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void SimDiscovery::Stop() {
    if (m_thread.joinable()) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
        m_thread.join();
    }
}

void SimDiscovery::SetRawAnswer(std::string bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_raw = std::move(bytes);
}

void SimDiscovery::Run() {
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            continue;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        char buf[64];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n =
            ::recvfrom(m_listenFd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n != 15 || std::memcmp(buf, "RKM5.Enquire", 12) != 0 ||
            (ntohl(from.sin_addr.s_addr) >> 24) != 127) {
            continue;
        }
        ++m_enquiries;
        std::string answer;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            answer = m_raw;
        }
        if (answer.empty()) {
            const SimIdentity id = m_unit.Identity();
            answer = Answer(id.SerialNumber, id.IpAddress, m_connected.load());
        }
        if (const int delay = m_replyDelayMs.load(); delay > 0) {
            pollfd wake{m_wake[0], POLLIN, 0};
            if (::poll(&wake, 1, delay) > 0) {
                return;
            }
        }
        ::sendto(m_replyFd, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                 len);
    }
}
