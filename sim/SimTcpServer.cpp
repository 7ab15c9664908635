#include "SimTcpServer.h"

#include <stdexcept>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <system_error>

#include "SimFrames.h"
#include "SimUnit.h"

namespace {

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        ThrowErrno("fcntl");
    }
}

std::string LoginPrompt(SimPrompt prompt, const SimIdentity& identity) {
    switch (prompt) {
    case SimPrompt::UserAndPassword:
        return "Login as '" + identity.User + "' password '" + identity.Password + "': ";
    case SimPrompt::SingleName:
        return "Welcome to RKM5\r\nlogin as 'admin': ";
    case SimPrompt::Empty:
        return ": ";
    case SimPrompt::NoQuotes:
        return "login: ";
    }
    return ": ";
}

} // namespace

SimTcpServer::SimTcpServer(SimUnit& unit, std::uint16_t port, std::uint32_t loopbackAddress)
    : m_unit(unit) {
    if ((loopbackAddress >> 24) != 127) {
        throw std::invalid_argument("SimTcpServer serves loopback addresses only");
    }
    SimFd wakeRead;
    SimFd wakeWrite;
    SimFd listener;
    int pipeFds[2] = {-1, -1};
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        ThrowErrno("pipe2");
    }
    wakeRead.Reset(pipeFds[0]);
    wakeWrite.Reset(pipeFds[1]);

    listener.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener.Valid()) {
        ThrowErrno("socket");
    }
    const int yes = 1;
    ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(loopbackAddress);
    if (::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ThrowErrno("bind");
    }
    if (::listen(listener.Get(), 4) != 0) {
        ThrowErrno("listen");
    }
    socklen_t length = sizeof address;
    if (::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ThrowErrno("getsockname");
    }
    SetNonBlocking(listener.Get());
    m_port = ntohs(address.sin_port);

    m_wakeFd[0] = pipeFds[0];
    m_wakeFd[1] = pipeFds[1];
    m_listenFd = listener.Get();
    m_thread = std::thread([this] { Run(); });
    // The thread runs: from here on the destructor owns the descriptors.
    wakeRead.Release();
    wakeWrite.Release();
    listener.Release();
}

SimTcpServer::~SimTcpServer() {
    Stop();
    for (int fd : {m_listenFd, m_wakeFd[0], m_wakeFd[1]}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

int SimTcpServer::QuitCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_quits;
}

bool SimTcpServer::WaitForQuits(int count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_quitSeen.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return m_quits >= count; });
}

void SimTcpServer::Stop() {
    if (!m_stop.exchange(true)) {
        // The byte stays in the pipe, so every later wait of the thread sees it too.
        const char byte = 's';
        [[maybe_unused]] auto written = ::write(m_wakeFd[1], &byte, 1);
    }
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.join();
    }
}

std::string SimTcpServer::LastUser() const {
    std::lock_guard lock(m_mutex);
    return m_lastUser;
}

std::string SimTcpServer::LastPassword() const {
    std::lock_guard lock(m_mutex);
    return m_lastPassword;
}

void SimTcpServer::Run() {
    while (!m_stop) {
        std::array<pollfd, 2> fds{{{m_listenFd, POLLIN, 0}, {m_wakeFd[0], POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        SimFd client(::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!client.Valid()) {
            continue; // the peer may have given up before we got to it
        }
        ++m_sessions;
        {
            std::lock_guard lock(m_sendMutex);
            m_sessionFd = client.Get();
        }
        Serve(client.Get());
        std::lock_guard lock(m_sendMutex);
        m_sessionFd = -1;
    }
}

void SimTcpServer::Serve(int fd) {
    if (m_unit.Faults().RefuseConnections) {
        return;
    }
    SimInputBuffer input;
    if (!Login(fd, input)) {
        return;
    }
    SimInput next;
    while (ReadInput(fd, input, next)) {
        if (next.kind == SimInput::Kind::Frame) {
            if (!Answer(fd, next.text)) {
                return;
            }
        } else if (next.text == "q") {
            if (!m_unit.Faults().QuitWithoutLine) {
                SendAll(fd, kGoodbye);
            }
            ::shutdown(fd, SHUT_WR);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                ++m_quits;
            }
            m_quitSeen.notify_all();
            return;
        }
        // Any other bare line means nothing to the unit and gets no answer.
    }
}

bool SimTcpServer::Login(int fd, SimInputBuffer& input) {
    const SimFaults faults = m_unit.Faults();
    const SimIdentity identity = m_unit.Identity();
    if (!SendAll(fd, LoginPrompt(faults.Prompt, identity)) || faults.CloseDuringLogin) {
        return false;
    }
    SimInput user;
    if (!ReadInput(fd, input, user) || !SendAll(fd, kPasswordPrompt)) {
        return false;
    }
    SimInput password;
    if (!ReadInput(fd, input, password)) {
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_lastUser = user.text;
        m_lastPassword = password.text;
    }
    // A prompt that names only one user stands for the unit's fixed service login.
    const bool fixed = faults.Prompt == SimPrompt::SingleName;
    const std::string expectedUser = fixed ? "admin" : identity.User;
    const std::string expectedPassword = fixed ? "plovermast" : identity.Password;
    if (m_unit.Faults().RefuseLogin || user.text != expectedUser ||
        password.text != expectedPassword) {
        SendAll(fd, kRefusal);
        return false;
    }
    return SendAll(fd, kGreeting);
}

bool SimTcpServer::Answer(int fd, const std::string& command) {
    // Faults are read before the command is recorded, so a test that has seen the command
    // arrive knows which faults applied to it.
    const SimFaults faults = m_unit.Faults();
    std::string text = m_unit.Respond(command);
    if (faults.Silent) {
        return true;
    }
    if (faults.ReplyDelayMs > 0 && !Pause(faults.ReplyDelayMs)) {
        return false;
    }
    if (faults.OversizedReply) {
        text = SimOversizedText(text);
    }
    const std::string head = faults.ReplyWithoutStx ? "" : std::string(1, kSimStx);
    const std::string end = (faults.ReplyWithoutEtx ? "" : std::string(1, kSimEtx)) + "\r\n";
    const std::string prompt =
        std::string(">>") + (faults.StaleBytesAfterReply ? kSimStrayFrame + "\r\n>>" : "");
    const bool promptApart = faults.PromptInSeparateSegment;
    const std::string tail = promptApart ? end : end + prompt;
    if (faults.CloseMidReply) {
        const std::string frame = head + text + tail;
        SendAll(fd, frame.substr(0, frame.size() / 2));
        return false;
    }
    if (faults.SplitReply) {
        // The terminators go out together in the last segment: a client that stops reading at
        // a line end must not see one before the frame is complete.
        const std::string first = head + text.substr(0, text.size() / 2);
        const std::string second = text.substr(text.size() / 2);
        for (const std::string* segment : {&first, &second}) {
            if (!segment->empty() && (!SendAll(fd, *segment) || !Pause(faults.SplitDelayMs))) {
                return false;
            }
        }
        if (!SendAll(fd, tail)) {
            return false;
        }
    } else if (!SendAll(fd, head + text + tail)) {
        return false;
    }
    return !promptApart || (Pause(faults.PromptDelayMs) && SendAll(fd, prompt));
}

bool SimTcpServer::ReadInput(int fd, SimInputBuffer& input, SimInput& next) {
    for (;;) {
        if (auto ready = input.Next()) {
            next = std::move(*ready);
            return true;
        }
        std::array<pollfd, 2> fds{{{fd, POLLIN, 0}, {m_wakeFd[0], POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (fds[1].revents != 0) {
            return false;
        }
        std::array<char, 1024> buffer;
        const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (got == 0) {
            return false;
        }
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                continue;
            }
            return false;
        }
        input.Append(buffer.data(), static_cast<std::size_t>(got));
    }
}

bool SimTcpServer::Inject(const std::string& bytes) {
    std::lock_guard lock(m_sendMutex);
    if (m_sessionFd < 0 || !SendLocked(m_sessionFd, bytes)) {
        return false;
    }
    // Switching the delay off pushes out what waits for the acknowledgement of the last
    // segment; switched on again, later sends coalesce as before.
    int flag = 1;
    ::setsockopt(m_sessionFd, IPPROTO_TCP, TCP_NODELAY, &flag, sizeof flag);
    flag = 0;
    ::setsockopt(m_sessionFd, IPPROTO_TCP, TCP_NODELAY, &flag, sizeof flag);
    return true;
}

bool SimTcpServer::SendAll(int fd, const std::string& data) {
    std::lock_guard lock(m_sendMutex);
    return SendLocked(fd, data);
}

bool SimTcpServer::SendLocked(int fd, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        std::array<pollfd, 2> fds{{{fd, POLLOUT, 0}, {m_wakeFd[0], POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            return false;
        }
        if (fds[1].revents != 0) {
            return false;
        }
    }
    return true;
}

bool SimTcpServer::Pause(int ms) {
    pollfd wake{m_wakeFd[0], POLLIN, 0};
    while (::poll(&wake, 1, ms) < 0) {
        if (errno != EINTR) {
            break;
        }
    }
    return !m_stop;
}
