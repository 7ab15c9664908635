#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

inline constexpr char kSimStx = '\x02';
inline constexpr char kSimEtx = '\x03';

// Owns one descriptor of a link shell and closes it once.
class SimFd {
public:
    SimFd() = default;
    explicit SimFd(int fd) : m_fd(fd) {}
    SimFd(const SimFd&) = delete;
    SimFd& operator=(const SimFd&) = delete;
    SimFd(SimFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    SimFd& operator=(SimFd&& other) noexcept;
    ~SimFd() { Reset(); }

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release() { return std::exchange(m_fd, -1); }
    void Reset(int fd = -1);

private:
    int m_fd = -1;
};

// One piece of what a client sent: a framed command (STX text ETX, the line end after it
// dropped) or a bare text line such as a user name or "q".
struct SimInput {
    enum class Kind { Frame, Line };
    Kind kind = Kind::Line;
    std::string text;
};

// Collects the bytes of a session as they arrive, in pieces of any size, and hands out whole
// inputs. Holds at most kLimit bytes: a client that sends more without completing a frame or
// line loses what it sent so far.
class SimInputBuffer {
public:
    static constexpr std::size_t kLimit = 4096;

    void Append(const char* data, std::size_t size);
    std::optional<SimInput> Next();
    bool Overflowed() const { return m_overflowed; }

private:
    std::string m_pending;
    bool m_overflowed = false;
};

// The frame a unit with the stale-bytes fault sends behind each reply, unasked.
inline const std::string kSimStrayFrame = std::string(1, kSimStx) + "stale" + kSimEtx;

// The reply text padded to 600 characters, for the oversized-reply fault.
std::string SimOversizedText(const std::string& text);
