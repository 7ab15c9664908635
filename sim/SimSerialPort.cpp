#include "SimSerialPort.h"

#include "SimUnit.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

// Longest command frame kept; anything longer is no command of this protocol and dropped.
constexpr size_t kFrameLimit = 1024;

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("SimSerialPort: " + what + ": " + std::strerror(errno));
}

} // namespace

SimSerialPort::SimSerialPort(SimUnit& unit, std::string linkName)
    : m_unit(unit), m_linkName(std::move(linkName)) {
    m_master.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!m_master.Valid()) {
        Fail("posix_openpt");
    }
    if (::grantpt(m_master.Get()) != 0 || ::unlockpt(m_master.Get()) != 0) {
        Fail("unlockpt");
    }
    std::array<char, 128> name{};
    if (::ptsname_r(m_master.Get(), name.data(), name.size()) != 0) {
        Fail("ptsname_r");
    }
    m_slavePath = name.data();
    const int flags = ::fcntl(m_master.Get(), F_GETFL, 0);
    if (flags < 0 || ::fcntl(m_master.Get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        Fail("fcntl");
    }
    m_slaveHold.Reset(::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!m_slaveHold.Valid()) {
        Fail("open " + m_slavePath);
    }
    termios raw{};
    if (::tcgetattr(m_slaveHold.Get(), &raw) != 0) {
        Fail("tcgetattr");
    }
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL;
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (::tcsetattr(m_slaveHold.Get(), TCSANOW, &raw) != 0) {
        Fail("tcsetattr");
    }
    int wake[2] = {-1, -1};
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        Fail("pipe2");
    }
    m_wakeRead.Reset(wake[0]);
    m_wakeWrite.Reset(wake[1]);
    if (!m_linkName.empty()) {
        struct stat st {};
        if (::lstat(m_linkName.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                errno = EEXIST;
                Fail("link " + m_linkName);
            }
            ::unlink(m_linkName.c_str());
        }
        if (::symlink(m_slavePath.c_str(), m_linkName.c_str()) != 0) {
            Fail("link " + m_linkName);
        }
        m_linkMade = true;
    }
    m_running = true;
    m_thread = std::thread([this] { Run(); });
}

SimSerialPort::~SimSerialPort() {
    Stop();
    if (m_linkMade) {
        ::unlink(m_linkName.c_str());
    }
}

void SimSerialPort::Stop() {
    m_stop.store(true);
    if (m_wakeWrite.Valid()) {
        const char byte = 's';
        [[maybe_unused]] const ssize_t n = ::write(m_wakeWrite.Get(), &byte, 1);
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void SimSerialPort::CloseMaster() {
    std::lock_guard lock(m_mutex);
    // Marked first: a client sees the hang-up while close is still running.
    m_vanished.store(true);
    m_master.Reset();
    m_slaveHold.Reset();
    m_vanishDone.notify_all();
}

void SimSerialPort::Vanish() {
    // The serving thread closes the master itself, so that it never polls a closed descriptor;
    // once it has ended, nobody polls and the master is closed here.
    m_vanishWanted.store(true);
    const char byte = 'v';
    [[maybe_unused]] const ssize_t n = ::write(m_wakeWrite.Get(), &byte, 1);
    {
        std::unique_lock lock(m_mutex);
        m_vanishDone.wait(lock, [this] { return m_vanished.load() || !m_running; });
    }
    if (!m_vanished.load()) {
        CloseMaster();
    }
}

void SimSerialPort::Inject(const std::string& bytes) {
    std::lock_guard lock(m_mutex);
    size_t done = 0;
    while (m_master.Valid() && done < bytes.size()) {
        const ssize_t n = ::write(m_master.Get(), bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd pfd{m_master.Get(), POLLOUT, 0};
            ::poll(&pfd, 1, 100);
        } else {
            return;
        }
    }
}

bool SimSerialPort::Pause(int milliseconds) {
    pollfd pfd{m_wakeRead.Get(), POLLIN, 0};
    return ::poll(&pfd, 1, milliseconds) == 0 && !m_stop.load();
}

bool SimSerialPort::WriteAll(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = -1;
        int error = 0;
        {
            std::lock_guard lock(m_mutex);
            if (!m_master.Valid()) {
                return false;
            }
            n = ::write(m_master.Get(), bytes.data() + done, bytes.size() - done);
            error = errno;
        }
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && error != EAGAIN && error != EINTR) {
            return false;
        }
        // The client does not read: wait for room, but stay stoppable.
        std::array<pollfd, 2> fds{{{m_master.Get(), POLLOUT, 0}, {m_wakeRead.Get(), POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            return false;
        }
        if (m_stop.load() || m_vanishWanted.load()) {
            return false;
        }
    }
    return true;
}

bool SimSerialPort::Answer(const std::string& command) {
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
    const std::string tail = faults.ReplyWithoutEtx ? "" : std::string(1, kSimEtx);
    // Written together with the reply, the stray frame is on the line before the client can
    // have seen the reply's end, whatever the scheduling.
    const std::string frame =
        head + text + tail + (faults.StaleBytesAfterReply ? kSimStrayFrame : std::string());
    if (faults.CloseMidReply) {
        WriteAll(frame.substr(0, frame.size() / 2));
        CloseMaster();
        return false;
    }
    if (faults.SplitReply) {
        const size_t third = frame.size() / 3;
        const std::string pieces[] = {frame.substr(0, third), frame.substr(third, third),
                                      frame.substr(2 * third)};
        for (size_t i = 0; i < 3; ++i) {
            if (pieces[i].empty()) {
                continue;
            }
            if (!WriteAll(pieces[i]) || (i < 2 && !Pause(faults.SplitDelayMs))) {
                return false;
            }
        }
        return true;
    }
    return WriteAll(frame);
}

// Bytes outside a frame are line noise; a frame is STX, the command, ETX.
void SimSerialPort::Take(const char* data, size_t size) {
    for (size_t i = 0; i < size && !m_vanished.load(); ++i) {
        const char c = data[i];
        if (c == kSimStx) {
            m_frame.clear();
            m_inFrame = true;
        } else if (!m_inFrame) {
            continue;
        } else if (c == kSimEtx) {
            m_inFrame = false;
            if (!Answer(m_frame)) {
                return;
            }
        } else if (m_frame.size() < kFrameLimit) {
            m_frame.push_back(c);
        } else {
            m_inFrame = false;
        }
    }
}

void SimSerialPort::Run() {
    Serve();
    std::lock_guard lock(m_mutex);
    m_running = false;
    m_vanishDone.notify_all();
}

void SimSerialPort::Serve() {
    std::array<char, 4096> buffer{};
    while (!m_stop.load()) {
        if (m_vanishWanted.load()) {
            CloseMaster();
            return;
        }
        std::array<pollfd, 2> fds{{{m_master.Get(), POLLIN, 0}, {m_wakeRead.Get(), POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            char drain[16];
            while (::read(m_wakeRead.Get(), drain, sizeof drain) > 0) {
            }
            continue;
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        const ssize_t n = ::read(m_master.Get(), buffer.data(), buffer.size());
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            return;
        }
        if (m_echo.load()) {
            if (!WriteAll(std::string(buffer.data(), static_cast<size_t>(n)))) {
                return;
            }
            continue;
        }
        Take(buffer.data(), static_cast<size_t>(n));
        if (m_vanished.load()) {
            return;
        }
    }
}
