#include "SimFrames.h"

#include <unistd.h>

SimFd& SimFd::operator=(SimFd&& other) noexcept {
    if (this != &other) {
        Reset(std::exchange(other.m_fd, -1));
    }
    return *this;
}

void SimFd::Reset(int fd) {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = fd;
}

void SimInputBuffer::Append(const char* data, std::size_t size) {
    if (m_pending.size() + size > kLimit) {
        m_pending.clear();
        m_overflowed = true;
        if (size > kLimit) {
            data += size - kLimit;
            size = kLimit;
        }
    }
    m_pending.append(data, size);
}

std::optional<SimInput> SimInputBuffer::Next() {
    for (;;) {
        if (m_pending.empty()) {
            return std::nullopt;
        }
        if (m_pending[0] == kSimStx) {
            const auto etx = m_pending.find(kSimEtx, 1);
            const auto lf = m_pending.find('\n', 1);
            if (etx != std::string::npos && (lf == std::string::npos || etx < lf)) {
                SimInput input{SimInput::Kind::Frame, m_pending.substr(1, etx - 1)};
                m_pending.erase(0, etx + 1);
                return input;
            }
            if (lf == std::string::npos) {
                return std::nullopt;
            }
            // A frame whose ETX got lost still ends at its line end.
            std::string text = m_pending.substr(1, lf - 1);
            if (!text.empty() && text.back() == '\r') {
                text.pop_back();
            }
            m_pending.erase(0, lf + 1);
            return SimInput{SimInput::Kind::Frame, std::move(text)};
        }
        const auto lf = m_pending.find('\n');
        if (lf == std::string::npos) {
            return std::nullopt;
        }
        std::string line = m_pending.substr(0, lf);
        m_pending.erase(0, lf + 1);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        // The line end behind a frame arrives as an empty line; it carries nothing.
        if (!line.empty()) {
            return SimInput{SimInput::Kind::Line, std::move(line)};
        }
    }
}

std::string SimOversizedText(const std::string& text) {
    constexpr std::size_t kSize = 600;
    std::string padded = text.size() < kSize ? text + " " : text;
    while (padded.size() < kSize) {
        padded += static_cast<char>('0' + padded.size() % 10);
    }
    return padded;
}
