#pragma once

#include <unistd.h>

#include <utility>

// Owns one file descriptor and closes it once.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.m_fd, -1));
        }
        return *this;
    }
    ~UniqueFd() { Reset(); }

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release() { return std::exchange(m_fd, -1); }
    // Closes the held descriptor; returns close's result (0 when nothing was held).
    int Reset(int fd = -1) {
        int rc = 0;
        if (m_fd >= 0) {
            rc = ::close(m_fd);
        }
        m_fd = fd;
        return rc;
    }

private:
    int m_fd = -1;
};
