#include "link/CRKM5Serio.h"

#include "link/CRKM5Rs232IoError.h"
#include "link/FormatSystemError.h"
#include "link/PortPermissionHint.h"
#include "link/SerialPortName.h"
#include "link/SerialSpeed.h"
#include "link/StaleBytes.h"
#include "platform/CodePage.h"
#include "platform/Format.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>

namespace {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr int kPollMs = 100;        // the longest wait between two looks at the port
constexpr int kIdlePolls = 50;      // empty looks allowed for the whole reply
constexpr int kChunkMax = 512;      // bytes taken from the port at a time
constexpr size_t kTextMax = 511;    // reply text that fits the receive buffer
constexpr size_t kCommandMax = 253; // command text that fits the frame buffer with STX, ETX, NUL
constexpr int kWriteLimitMs = 1000;
constexpr int kReadLimitMs = 2000;

struct BaudEntry {
    int rate;
    speed_t speed;
};

constexpr BaudEntry kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

std::optional<speed_t> SpeedFor(int rate) {
    for (const BaudEntry& entry : kBaudRates) {
        if (entry.rate == rate) {
            return entry.speed;
        }
    }
    return std::nullopt;
}

// Raw bytes in both directions. Parity, stop bits and flow control are the port's own and
// are left alone; the receiver is switched on and the modem lines ignored, as a COM port
// behaves without being told.
void MakeRaw(termios& t) {
    t.c_iflag &=
        ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IMAXBEL);
#ifdef IUCLC
    t.c_iflag &= ~static_cast<tcflag_t>(IUCLC);
#endif
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
}

int ElapsedMs(std::chrono::steady_clock::time_point since) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - since)
                                .count());
}

bool WouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

} // namespace

CRKM5Serio::~CRKM5Serio() {
    Close();
}

int CRKM5Serio::FailOpen(int code, int sysError, std::string message) {
    m_nError = code;
    m_nSysError = sysError;
    m_strMessage = std::move(message);
    int ignored = 0;
    ReleasePort(ignored);
    return code;
}

void CRKM5Serio::Throw(int code, int sysError, std::string message) {
    m_nError = code;
    m_nSysError = sysError;
    m_strMessage = std::move(message);
    throw CRKM5Rs232IoError{m_nError, m_nSysError, m_strMessage};
}

void CRKM5Serio::FailResponse(std::string& reply, const std::string& collected) {
    reply = FromCp1252(collected);
    Throw(-1014, 0,
          Format("++ Error %d: Incomplete or no response from RKM5 on %s\nresponse=\"%s\"", -1014,
                 m_strPort.c_str(), reply.c_str()));
}

// Gives the port back as it was found: settings restored, exclusivity dropped, the lock
// released with the descriptor. Unsent output is discarded first, so that closing does not
// wait for a line that no longer drains. Returns close's result, with its errno in error.
int CRKM5Serio::ReleasePort(int& error) {
    error = 0;
    if (!m_port.Valid()) {
        return 0;
    }
    // A port that another holder has stays untouched: its queues and settings are theirs.
    if (m_bExclusive) {
        ::tcflush(m_port.Get(), TCIOFLUSH);
        if (m_bSettingsChanged) {
            ::tcsetattr(m_port.Get(), TCSANOW, &m_savedSettings);
        }
        ::ioctl(m_port.Get(), TIOCNXCL);
    }
    m_bSettingsChanged = false;
    m_bExclusive = false;
    const int rc = m_port.Reset();
    error = rc != 0 ? errno : 0;
    return rc;
}

void CRKM5Serio::WaitForInput(int timeoutMs) {
    if (!m_port.Valid()) {
        return;
    }
    pollfd pfd{m_port.Get(), POLLIN, 0};
    ::poll(&pfd, 1, timeoutMs);
}

int CRKM5Serio::Open(const std::string& portName, int baudRate) {
    if (m_bOpen != 0) {
        return 0;
    }
    m_nError = 0;
    m_strPort = SerialDevicePath(portName);
    const char* port = m_strPort.c_str();

    m_port.Reset(::open(port, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!m_port.Valid()) {
        const int error = errno;
        std::string message = Format("++ Error %d: Couldn't open port %s\n%s", -1001, port,
                                     FormatSystemError(error).c_str());
        struct stat device {};
        const std::string hint =
            PortPermissionHint(error, ::stat(port, &device) == 0 ? &device : nullptr);
        if (!hint.empty()) {
            message += "\n" + hint;
        }
        return FailOpen(-1001, error, std::move(message));
    }
    // The lock first: TIOCEXCL would otherwise be set on a port that another holder owns.
    if (::flock(m_port.Get(), LOCK_EX | LOCK_NB) != 0 || ::ioctl(m_port.Get(), TIOCEXCL) != 0) {
        const int error = errno;
        return FailOpen(-1001, error,
                        Format("++ Error %d: Couldn't open port %s\n%s", -1001, port,
                               FormatSystemError(error).c_str()));
    }
    m_bExclusive = true;

    termios settings{};
    if (::tcgetattr(m_port.Get(), &settings) != 0) {
        const int error = errno;
        return FailOpen(-1004, error,
                        Format("++ Error %d: Couldn't set timeout values for %s\n%s", -1004, port,
                               FormatSystemError(error).c_str()));
    }
    m_savedSettings = settings;

    // A read returns at once with what is there; the waiting is done with poll.
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    m_bSettingsChanged = true;
    if (::tcsetattr(m_port.Get(), TCSANOW, &settings) != 0) {
        const int error = errno;
        return FailOpen(-1002, error,
                        Format("++ Error %d: Couldn't set timeout values for %s\n%s", -1002, port,
                               FormatSystemError(error).c_str()));
    }

    const std::optional<speed_t> speed = SpeedFor(baudRate);
    int error = EINVAL;
    bool set = false;
    if (baudRate > 0) {
        MakeRaw(settings);
        bool taken = false;
        if (speed) {
            taken = ::cfsetispeed(&settings, *speed) == 0 &&
                    ::cfsetospeed(&settings, *speed) == 0 &&
                    ::tcsetattr(m_port.Get(), TCSANOW, &settings) == 0;
            error = taken ? 0 : errno;
        } else if (::tcsetattr(m_port.Get(), TCSANOW, &settings) != 0) {
            error = errno;
        } else {
            // No Bnnn constant for this rate: the kernel takes it as a number.
            error = SetAnyBaudRate(m_port.Get(), static_cast<unsigned>(baudRate));
            taken = error == 0;
        }
        if (taken) {
            // tcsetattr succeeds when any part was taken; a driver that cannot do the rate
            // or the byte size keeps its old values, which only reading back reveals.
            termios applied{};
            if (::tcgetattr(m_port.Get(), &applied) != 0) {
                error = errno;
            } else {
                set = ReadBaudRate(m_port.Get()) == static_cast<unsigned>(baudRate) &&
                      (applied.c_cflag & CSIZE) == CS8;
                error = set ? 0 : EINVAL;
            }
        }
    }
    if (!set) {
        return FailOpen(-1003, error,
                        Format("++ Error %d: Couldn't set baud rate or number of bits on %s\n%s",
                               -1003, port, FormatSystemError(error).c_str()));
    }
    m_bOpen = 1;
    return 0;
}

int CRKM5Serio::Close() {
    m_nError = 0;
    m_nSysError = 0;
    if (m_bOpen == 0 || !m_port.Valid()) {
        return 0;
    }
    // Linux releases the descriptor even when close reports an error, so the port counts as
    // closed either way: closing the number again could hit a descriptor reused meanwhile.
    int error = 0;
    const int rc = ReleasePort(error);
    m_bOpen = 0;
    if (rc != 0) {
        m_nError = -1005;
        m_nSysError = error;
        m_strMessage = Format("++ Error %d: Couldn't close port %s properly\n%s", -1005,
                              m_strPort.c_str(), FormatSystemError(error).c_str());
        return -1005;
    }
    return 0;
}

int CRKM5Serio::SendCmd(const std::string& command) {
    if (m_bOpen == 0 || !m_port.Valid()) {
        Throw(-1008, 0,
              Format("++ Error %d: Cannot do a SendCmd, Device %s not opened", -1008,
                     m_strPort.c_str()));
    }
    const int fd = m_port.Get();
    // Flush what an earlier reply left behind, so that it cannot pass for this one's; what
    // is already there is read first, for the trace.
    int waiting = 0;
    while (::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0) {
        const ssize_t n =
            ::read(fd, m_rxBuf, std::min(static_cast<size_t>(waiting), sizeof m_rxBuf));
        if (n <= 0) {
            break;
        }
        TraceStaleBytes(m_strPort, std::string_view(m_rxBuf, static_cast<size_t>(n)));
    }
    ::tcflush(fd, TCIOFLUSH);

    const std::string text = ToCp1252(command);
    if (text.size() > kCommandMax) {
        Throw(-1007, EMSGSIZE,
              Format("++ Error %d: Failed on WriteFile to %s, num bytes written %d\n%s", -1007,
                     m_strPort.c_str(), 0, FormatSystemError(EMSGSIZE).c_str()));
    }
    m_txBuf[0] = kStx;
    std::memcpy(m_txBuf + 1, text.data(), text.size());
    m_txBuf[text.size() + 1] = kEtx;
    m_txBuf[text.size() + 2] = '\0';
    const size_t length = text.size() + 2;

    ssize_t n = ::write(fd, m_txBuf, length);
    if (n == static_cast<ssize_t>(length)) {
        return 0;
    }
    if (n < 0 && !WouldBlock(errno)) {
        // As with a COM port, a write refused outright is not reported here; the reply that
        // never comes ends the exchange in GetResponse.
        return 0;
    }
    // The write is pending: the rest goes out as the line takes it, within the write limit.
    size_t written = n > 0 ? static_cast<size_t>(n) : 0;
    const auto start = std::chrono::steady_clock::now();
    while (written < length) {
        const int left = kWriteLimitMs - ElapsedMs(start);
        pollfd pfd{fd, POLLOUT, 0};
        const int ready = left > 0 ? ::poll(&pfd, 1, left) : 0;
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            Throw(-1006, EAGAIN,
                  Format("++ Error %d: WriteFile timed out\n%s", -1006,
                         FormatSystemError(EAGAIN).c_str()));
        }
        n = ::write(fd, m_txBuf + written, length - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
            continue;
        }
        const int error = n < 0 ? errno : EIO;
        if (n < 0 && WouldBlock(error)) {
            continue;
        }
        Throw(-1007, error,
              Format("++ Error %d: Failed on WriteFile to %s, num bytes written %d\n%s", -1007,
                     m_strPort.c_str(), static_cast<int>(written),
                     FormatSystemError(error).c_str()));
    }
    return 0;
}

int CRKM5Serio::ReadChunk(char* buffer, int maximum) {
    if (m_bOpen == 0 || !m_port.Valid()) {
        Throw(-1008, 0,
              Format("++ Error %d: Cannot do a ReadFile, Divice %s not opened", -1008,
                     m_strPort.c_str()));
    }
    const int fd = m_port.Get();
    int waiting = 0;
    // A port whose device went away (a pseudo-terminal's master closed, an adapter pulled)
    // is hung up and refuses this question: the read failed at once.
    if (::ioctl(fd, FIONREAD, &waiting) != 0) {
        const int error = errno;
        Throw(-1012, error,
              Format("++ Error %d: Failed on ReadFile to %s, num bytes written %d\n%s", -1012,
                     m_strPort.c_str(), 0, FormatSystemError(error).c_str()));
    }
    if (waiting <= 0 || maximum <= 0) {
        return 0;
    }
    const size_t want = static_cast<size_t>(std::min(maximum, waiting));
    ssize_t n = ::read(fd, buffer, want);
    if (n >= 0) {
        if (n == 0) {
            m_nSysError = errno;
        }
        return static_cast<int>(n);
    }
    if (!WouldBlock(errno)) {
        const int error = errno;
        Throw(-1012, error,
              Format("++ Error %d: Failed on ReadFile to %s, num bytes written %d\n%s", -1012,
                     m_strPort.c_str(), 0, FormatSystemError(error).c_str()));
    }
    // The read is pending: wait for the bytes within the read limit.
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, kReadLimitMs) <= 0) {
        const int error = errno == EINTR ? EINTR : EAGAIN;
        Throw(-1009, error,
              Format("++ Error %d: ReadFile timed out on %s, num bytes read %d\n%s", -1009,
                     m_strPort.c_str(), 0, FormatSystemError(error).c_str()));
    }
    n = ::read(fd, buffer, want);
    if (n > 0) {
        return static_cast<int>(n);
    }
    const int error = n < 0 ? errno : ENODATA;
    Throw(-1011, error,
          Format("++ Error %d: Failed on ReadFile to %s, num bytes written %d\n%s", -1011,
                 m_strPort.c_str(), 0, FormatSystemError(error).c_str()));
}

int CRKM5Serio::GetResponse(std::string& reply) {
    WaitForInput(kPollMs);
    reply.clear();
    std::memset(m_rxBuf, 0, sizeof m_rxBuf);
    int polls = kIdlePolls;
    std::string text;
    bool started = false;
    for (;;) {
        const int got = ReadChunk(m_rxBuf, kChunkMax);
        if (got <= 0) {
            if (polls-- == 0) {
                FailResponse(reply, text);
            }
            WaitForInput(kPollMs);
            continue;
        }
        int i = 0;
        if (!started) {
            if (m_rxBuf[0] != kStx) {
                FailResponse(reply, text);
            }
            started = true;
            i = 1;
        }
        for (; i < got; ++i) {
            if (m_rxBuf[i] == kEtx) {
                // Bytes behind the ETX in the same chunk belong to no reply.
                if (i + 1 < got) {
                    TraceStaleBytes(m_strPort, std::string_view(m_rxBuf + i + 1,
                                                                static_cast<size_t>(got - i - 1)));
                }
                reply = FromCp1252(text);
                return 0;
            }
            if (text.size() == kTextMax) {
                FailResponse(reply, text);
            }
            text.push_back(m_rxBuf[i]);
        }
    }
}
