#include "support/PtyPair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <stdexcept>

PtyPair::PtyPair() {
    m_master.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    std::array<char, 128> name{};
    if (!m_master.Valid() || ::grantpt(m_master.Get()) != 0 || ::unlockpt(m_master.Get()) != 0 ||
        ::ptsname_r(m_master.Get(), name.data(), name.size()) != 0) {
        throw std::runtime_error("PtyPair: no pseudo-terminal");
    }
    m_slavePath = name.data();
    m_slaveHold.Reset(::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!m_slaveHold.Valid()) {
        throw std::runtime_error("PtyPair: cannot open " + m_slavePath);
    }
    termios raw = SlaveSettings();
    ::cfmakeraw(&raw);
    SetSlaveSettings(raw);
}

void PtyPair::Write(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master.Get(), bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            throw std::runtime_error("PtyPair: write failed");
        }
        pollfd pfd{m_master.Get(), POLLOUT, 0};
        ::poll(&pfd, 1, 1000);
    }
}

std::string PtyPair::ReadFrame() {
    std::string frame;
    while (frame.empty() || frame.back() != '\x03') {
        pollfd pfd{m_master.Get(), POLLIN, 0};
        if (::poll(&pfd, 1, 5000) != 1) {
            return "";
        }
        char byte = 0;
        if (::read(m_master.Get(), &byte, 1) == 1) {
            frame.push_back(byte);
        }
    }
    return frame;
}

bool PtyPair::ClientSentSomething() {
    pollfd pfd{m_master.Get(), POLLIN, 0};
    return ::poll(&pfd, 1, 0) == 1 && (pfd.revents & POLLIN) != 0;
}

termios PtyPair::SlaveSettings() const {
    termios settings{};
    if (::tcgetattr(m_slaveHold.Get(), &settings) != 0) {
        throw std::runtime_error("PtyPair: tcgetattr failed");
    }
    return settings;
}

void PtyPair::SetSlaveSettings(const termios& settings) {
    if (::tcsetattr(m_slaveHold.Get(), TCSANOW, &settings) != 0) {
        throw std::runtime_error("PtyPair: tcsetattr failed");
    }
}
