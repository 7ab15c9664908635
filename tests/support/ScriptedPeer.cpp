#include "support/ScriptedPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {

int ListenOnLoopback(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("socket failed");
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("bind/listen failed");
    }
    port = ntohs(sa.sin_port);
    return fd;
}

// Everything a peer waits for is bounded, so a broken test cannot hang the suite.
constexpr int kWaitMs = 15000;

} // namespace

std::vector<ScriptedPeer::Step> ScriptedPeer::Login() {
    return {Send("Login as 'u' password 'p': "), ExpectLine(), Send("Password: "), ExpectLine(),
            Send("\r\nWelcome\r\n>>")};
}

ScriptedPeer::ScriptedPeer(std::vector<Step> steps, bool answerQuit)
    : m_steps(std::move(steps)), m_answerQuit(answerQuit) {
    m_listen = ListenOnLoopback(m_port);
    m_thread = std::thread([this] { Run(); });
}

ScriptedPeer::~ScriptedPeer() {
    Join();
    if (m_listen >= 0) {
        ::close(m_listen);
    }
}

void ScriptedPeer::Join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::vector<std::string> ScriptedPeer::Lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

bool ScriptedPeer::ReadLine(int fd, std::string& line) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    for (;;) {
        const auto end = m_pending.find("\r\n");
        if (end != std::string::npos) {
            line = m_pending.substr(0, end);
            m_pending.erase(0, end + 2);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lines.push_back(line);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd pfd{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&pfd, 1, static_cast<int>(left)) <= 0) {
            return false;
        }
        char buf[512];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            return false;
        }
        m_pending.append(buf, static_cast<size_t>(n));
    }
}

void ScriptedPeer::Run() {
    pollfd lp{m_listen, POLLIN, 0};
    if (::poll(&lp, 1, kWaitMs) <= 0) {
        return;
    }
    const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        return;
    }
    bool open = true;
    for (const Step& step : m_steps) {
        if (step.What == Step::Send) {
            ::send(fd, step.Data.data(), step.Data.size(), MSG_NOSIGNAL);
        } else if (step.What == Step::ExpectLine) {
            std::string line;
            if (!ReadLine(fd, line)) {
                break;
            }
        } else if (step.What == Step::Pause) {
            std::this_thread::sleep_for(std::chrono::milliseconds(step.Ms));
        } else {
            open = false;
            break;
        }
    }
    std::string line;
    while (open && ReadLine(fd, line)) {
        if (line == "q") {
            if (m_answerQuit) {
                ::send(fd, "bye\r\n", 5, MSG_NOSIGNAL);
            }
            break;
        }
    }
    ::close(fd);
}

std::uint16_t UnusedLoopbackPort() {
    std::uint16_t port = 0;
    const int fd = ListenOnLoopback(port);
    ::close(fd);
    return port;
}
