#include "link/CRKM5Tcpio.h"

#include "link/CRKM5TcpIoError.h"
#include "link/StaleBytes.h"
#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/Pause.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr int kPolls = 1000;
constexpr int kPollMs = 10;
constexpr int kConnectLimitMs = 5000;
constexpr size_t kNameLimit = 30;

bool EndsWith(const char* data, int count, const char* tail, int tailLen) {
    return count >= tailLen && std::memcmp(data + count - tailLen, tail, tailLen) == 0;
}

// The pieces of a text between apostrophes; runs of apostrophes separate once.
std::vector<std::string> SplitAtApostrophes(const char* text) {
    std::vector<std::string> pieces;
    std::string piece;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\'') {
            if (!piece.empty()) {
                pieces.push_back(piece);
                piece.clear();
            }
        } else {
            piece += *p;
        }
    }
    if (!piece.empty()) {
        pieces.push_back(piece);
    }
    return pieces;
}

void CopyName(char (&dest)[34], const std::string& name) {
    const size_t n = std::min(name.size(), kNameLimit);
    std::memcpy(dest, name.data(), n);
    dest[n] = '\0';
}

} // namespace

CRKM5Tcpio::CRKM5Tcpio(Pause& pause) : m_pause(pause) {}

CRKM5Tcpio::~CRKM5Tcpio() {
    Close();
}

void CRKM5Tcpio::CloseSocket() {
    m_socket.Reset();
    m_bLayerStarted = false;
    m_bOpen = 0;
}

int CRKM5Tcpio::FailOpen(int code, std::string message) {
    m_strMessage = std::move(message);
    CloseSocket();
    return code;
}

bool CRKM5Tcpio::WaitFor(short events, int timeoutMs) {
    pollfd pfd{m_socket.Get(), events, 0};
    return ::poll(&pfd, 1, timeoutMs) > 0;
}

namespace {

std::optional<std::uint32_t> SystemResolve(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    const std::uint32_t address =
        reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return address;
}

} // namespace

std::optional<std::uint32_t> CRKM5Tcpio::ResolveBy(const std::string& name,
                                                   std::chrono::steady_clock::time_point deadline) {
    // The lookup runs on its own thread so that a resolver that does not answer costs no more
    // than the connect's bound; the state it fills is shared, so a late answer harms nothing.
    struct Lookup {
        std::mutex Mutex;
        std::condition_variable Done;
        bool Finished = false;
        std::optional<std::uint32_t> Address;
    };
    auto lookup = std::make_shared<Lookup>();
    NameResolver resolve = m_resolver ? m_resolver : NameResolver(SystemResolve);
    try {
        std::thread([lookup, resolve = std::move(resolve), name] {
            std::optional<std::uint32_t> address = resolve(name);
            std::lock_guard lock(lookup->Mutex);
            lookup->Address = address;
            lookup->Finished = true;
            lookup->Done.notify_all();
        }).detach();
    } catch (const std::system_error& error) {
        m_nLastError = error.code().value();
        return std::nullopt;
    }
    std::unique_lock lock(lookup->Mutex);
    if (!lookup->Done.wait_until(lock, deadline, [&] { return lookup->Finished; })) {
        m_nLastError = ETIMEDOUT;
        return std::nullopt;
    }
    if (!lookup->Address) {
        m_nLastError = EHOSTUNREACH;
    }
    return lookup->Address;
}

bool CRKM5Tcpio::ConnectBounded(const std::string& address, int port) {
    // Looking the name up and connecting share one bound, so an unanswered unit or name costs
    // at most five seconds instead of the system's two-minute retry.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kConnectLimitMs);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
        // Not a dotted address: take the name's first IPv4 address.
        if (address.empty()) {
            m_nLastError = EHOSTUNREACH;
            return false;
        }
        const std::optional<std::uint32_t> resolved = ResolveBy(address, deadline);
        if (!resolved) {
            return false;
        }
        sa.sin_addr.s_addr = *resolved;
    }
    const int flags = ::fcntl(m_socket.Get(), F_GETFL, 0);
    if (flags < 0 || ::fcntl(m_socket.Get(), F_SETFL, flags | O_NONBLOCK) < 0) {
        m_nLastError = errno;
        return false;
    }
    if (::connect(m_socket.Get(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) {
        m_nLastError = 0;
        return true;
    }
    if (errno != EINPROGRESS) {
        m_nLastError = errno;
        return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (!WaitFor(POLLOUT, std::max<int>(0, static_cast<int>(left.count())))) {
        m_nLastError = ETIMEDOUT;
        return false;
    }
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::getsockopt(m_socket.Get(), SOL_SOCKET, SO_ERROR, &soError, &len) != 0) {
        soError = errno;
    }
    m_nLastError = soError;
    return soError == 0;
}

int CRKM5Tcpio::Open(const std::string& address, int port) {
    if (m_bOpen != 0) {
        return 0;
    }
    if (m_timer.Init(m_dResolutionUs) != 0) {
        return FailOpen(-4024, "-> No high resolution performance counter in this system.");
    }
    m_bLayerStarted = true;
    m_strAddress = address;
    const std::string bytes = ToCp1252(address);
    const size_t n = std::min(bytes.size(), sizeof m_szAddress - 1);
    std::memcpy(m_szAddress, bytes.data(), n);
    m_szAddress[n] = '\0';

    m_socket.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!m_socket.Valid()) {
        m_nLastError = errno;
        return FailOpen(-4016, Format("++ Could not create socket, error code %d", m_nLastError));
    }
    if (!ConnectBounded(bytes, port)) {
        return FailOpen(-4018, Format("++ Could not connect to RKM on %s, error code %d",
                                      m_strAddress.c_str(), m_nLastError));
    }
    const int flags = ::fcntl(m_socket.Get(), F_GETFL, 0);
    const int rc = flags < 0 ? -1 : ::fcntl(m_socket.Get(), F_SETFL, flags | O_NONBLOCK);
    if (rc < 0) {
        m_nLastError = errno;
        return FailOpen(-4017, Format("++ ioctlsocket failed with error: %ld errorCode %ld\n",
                                      static_cast<long>(rc), static_cast<long>(m_nLastError)));
    }

    int count = 0;
    int res = ReceiveData(m_recvBuf, m_nBufSize, count, 5000);
    if (res != 0) {
        return FailOpen(
            -4019, Format("++ Error %d: reading telnet login prompt failed with error code %ld",
                          res, static_cast<long>(m_nLastError)));
    }
    const std::vector<std::string> pieces = SplitAtApostrophes(m_recvBuf);
    const bool quoted = std::strchr(m_recvBuf, '\'') != nullptr;
    if (pieces.empty() || !quoted || pieces.size() == 3) {
        // Nothing to log in with, a prompt that quotes no name, or a user name without its
        // password.
        return FailOpen(-4019,
                        Format("++ Error %d: Username/Passwrd too long, telnet login failed", 0));
    }
    if (pieces.size() <= 2) {
        // One name in apostrophes, alone or after other text, stands for the service login.
        CopyName(m_szUser, "admin");
        CopyName(m_szPassword, "plovermast");
    } else {
        CopyName(m_szUser, pieces[1]);
        CopyName(m_szPassword, pieces[3]);
    }

    count = static_cast<int>(std::strlen(m_szUser));
    res = SendData(m_szUser, 32, count, 2000);
    if (res != 0) {
        return FailOpen(
            -4022,
            Format("++ Error %d: sending user name for telnet login, failed with error code %ld",
                   res, static_cast<long>(m_nLastError)));
    }
    res = ReceiveData(m_recvBuf, m_nBufSize, m_nCount, 5000);
    if (res != 0) {
        return FailOpen(
            -4020, Format("++ Error %d: reading telnet password prompt, failed with error code %ld",
                          res, static_cast<long>(m_nLastError)));
    }
    count = static_cast<int>(std::strlen(m_szPassword));
    res = SendData(m_szPassword, 32, count, 2000);
    if (res != 0) {
        return FailOpen(
            -4023,
            Format("++ Error %d: sending password for telnet login, failed with error code %ld",
                   res, static_cast<long>(m_nLastError)));
    }
    res = ReceiveData(m_recvBuf, m_nBufSize, m_nCount, 2000);
    if (res != 0 && res != -4002) {
        return FailOpen(
            -4021, Format("++ Error %d: reading telnet password prompt, failed with error code %ld",
                          res, static_cast<long>(m_nLastError)));
    }
    // A greeting that ended at its line end still owes the prompt behind it.
    m_bPromptOwed = res == 0 && m_lastCut == Cut::LineEnd;
    m_bOpen = 1;
    m_strMessage = ">> Sucessfully logged in on RKM5 telent session";
    return 0;
}

int CRKM5Tcpio::ReceiveData(char* buffer, int size, int& count, int timeoutMs) {
    count = 0;
    m_nLastError = 0;
    m_lastCut = Cut::None;
    m_timer.Start();
    int polls = kPolls;
    for (;;) {
        if (size - count < 1) {
            return -4003;
        }
        const ssize_t got =
            ::recv(m_socket.Get(), buffer + count, static_cast<size_t>(size - count), MSG_DONTWAIT);
        m_nLastError = got < 0 ? errno : 0;
        if (got == 0) {
            return -4025;
        }
        if (got < 0 && m_nLastError != EAGAIN && m_nLastError != EWOULDBLOCK &&
            m_nLastError != EINTR) {
            return -4001;
        }
        if (got > 0) {
            count += static_cast<int>(got);
            if (size - count < 1) {
                return -4003;
            }
            if (EndsWith(buffer, count, "\r\n>>", 4)) {
                m_lastCut = Cut::LineEndAndPrompt;
                count -= 4;
                buffer[count] = '\0';
                return 0;
            }
            if (EndsWith(buffer, count, "\r\n", 2) || EndsWith(buffer, count, ": ", 2) ||
                EndsWith(buffer, count, ">>", 2)) {
                m_lastCut = buffer[count - 1] == '\n'  ? Cut::LineEnd
                            : buffer[count - 1] == ' ' ? Cut::ColonBlank
                                                       : Cut::Prompt;
                count -= 2;
                buffer[count] = '\0';
                return 0;
            }
        }
        // Wait for more data, at most as long as the fixed poll interval.
        WaitFor(POLLIN, kPollMs);
        --polls;
        if (static_cast<std::uint32_t>(m_timer.ElapsedMs()) >=
                static_cast<std::uint32_t>(timeoutMs) ||
            polls <= 0) {
            return -4002;
        }
    }
}

int CRKM5Tcpio::SendData(char* buffer, int size, int& count, int timeoutMs) {
    if (!(count + 2 < size)) {
        return -4006;
    }
    buffer[count] = '\r';
    buffer[count + 1] = '\n';
    count += 2;
    buffer[count] = '\0';
    m_nLastError = 0;
    m_timer.Start();
    int polls = kPolls;
    int sent = 0;
    for (;;) {
        const ssize_t n = ::send(m_socket.Get(), buffer + sent, static_cast<size_t>(count - sent),
                                 MSG_DONTWAIT | MSG_NOSIGNAL);
        m_nLastError = n < 0 ? errno : 0;
        if (n == 0) {
            return -4025;
        }
        if (n < 0 && m_nLastError != EAGAIN && m_nLastError != EWOULDBLOCK &&
            m_nLastError != EINTR) {
            return -4005;
        }
        if (n > 0) {
            sent += static_cast<int>(n);
            if (sent == count) {
                return 0;
            }
        }
        WaitFor(POLLOUT, kPollMs);
        --polls;
        if (static_cast<std::uint32_t>(m_timer.ElapsedMs()) >=
                static_cast<std::uint32_t>(timeoutMs) ||
            polls <= 0) {
            return -4010;
        }
    }
}

int CRKM5Tcpio::SendCmd(const std::string& command) {
    if (m_bOpen == 0) {
        return -4007;
    }
    DiscardWaiting();
    const std::string frame = kStx + ToCp1252(command) + kEtx;
    int count = static_cast<int>(frame.size());
    int res = -4006;
    // A frame that cannot take its CR LF in the send buffer is refused before it is copied.
    if (frame.size() + 2 < sizeof m_sendBuf) {
        std::memcpy(m_sendBuf, frame.data(), frame.size());
        res = SendData(m_sendBuf, static_cast<int>(sizeof m_sendBuf), count, 2000);
    }
    if (res != 0) {
        m_strMessage = Format("++ IO-Error %d thrown: SendCmd failed with WSA error code %ld", res,
                              static_cast<long>(m_nLastError));
        CloseSocket();
        throw CRKM5TcpIoError{res, m_nLastError, m_strMessage};
    }
    return 0;
}

void CRKM5Tcpio::NoteDiscarded(const char* bytes, int count) {
    TraceStaleBytes(m_strAddress, std::string_view(bytes, static_cast<size_t>(count)));
}

void CRKM5Tcpio::DiscardWaiting() {
    // A unit answers only when asked: whatever waits now is a late reply, a stray frame or
    // the prompt of the last reply, and would otherwise pass for this command's reply.
    for (;;) {
        const ssize_t got = ::recv(m_socket.Get(), m_recvBuf, sizeof m_recvBuf, MSG_DONTWAIT);
        if (got <= 0) {
            // Nothing more, or an end or error that the exchange itself will meet and report.
            break;
        }
        NoteDiscarded(m_recvBuf, static_cast<int>(got));
        // The owed prompt may have been among them.
        if (EndsWith(m_recvBuf, static_cast<int>(got), ">>", 2)) {
            m_bPromptOwed = false;
        }
    }
}

int CRKM5Tcpio::GetResponse(std::string& reply) {
    reply.clear();
    int code = 0;
    int n = 0;
    int res = ReceiveData(m_recvBuf, m_nBufSize, n, 3000);
    // The prompt of the last reply may come only now, alone or in front of this reply.
    const bool alone = n == 0 && m_lastCut == Cut::Prompt;
    const bool leading = n >= 2 && m_recvBuf[0] == '>' && m_recvBuf[1] == '>';
    if (res == 0 && m_bPromptOwed && (alone || leading)) {
        NoteDiscarded(">>", 2);
        if (leading) {
            n -= 2;
            std::memmove(m_recvBuf, m_recvBuf + 2, static_cast<size_t>(n) + 1);
        }
        if (n == 0) {
            res = ReceiveData(m_recvBuf, m_nBufSize, n, 3000);
        }
    }
    m_bPromptOwed = false;
    const char* etx = nullptr;
    if (res != 0) {
        code = -4008;
    } else if (n < 1 || m_recvBuf[0] != kStx) {
        code = -4012;
    } else {
        int further = 99;
        while ((etx = static_cast<const char*>(
                    std::memchr(m_recvBuf + 1, kEtx, static_cast<size_t>(n - 1)))) == nullptr) {
            if (further-- == 0) {
                code = -4026;
                break;
            }
            int more = 0;
            res = ReceiveData(m_recvBuf + n, m_nBufSize - n, more, 3000);
            if (res != 0) {
                code = -4008;
                break;
            }
            n += more;
        }
    }
    if (code != 0) {
        m_strMessage = Format("++ IO-Error %d thrown: GetResponse failed with error code %ld", code,
                              static_cast<long>(m_nLastError));
        throw CRKM5TcpIoError{code, m_nLastError, m_strMessage};
    }
    // The reply ends at its first ETX, as on the serial line: a frame the unit sent behind it
    // in the same segment belongs to no command.
    const int end = static_cast<int>(etx - m_recvBuf);
    const std::string_view behind(etx + 1, static_cast<size_t>(n - end - 1));
    const std::string_view ownEnd = behind.substr(0, 4) == "\r\n>>" ? "\r\n>>" : "";
    if (behind.size() > ownEnd.size()) {
        NoteDiscarded(behind.data() + ownEnd.size(),
                      static_cast<int>(behind.size() - ownEnd.size()));
    }
    m_bPromptOwed = m_lastCut == Cut::LineEnd;
    m_strMessage = Format(">> RKM5 Response complete 4, last IO error %ld", 0L);
    reply = FromCp1252(std::string_view(m_recvBuf + 1, static_cast<size_t>(end - 1)));
    return 0;
}

int CRKM5Tcpio::Close() {
    if (m_bOpen == 0) {
        return 0;
    }
    char quit[10] = "q";
    int count = 1;
    int res = SendData(quit, static_cast<int>(sizeof quit), count, 2000);
    if (res != 0) {
        m_strMessage =
            Format("++ Error %d: failed to end telnet session for (q for quit), error code %ld",
                   res, static_cast<long>(m_nLastError));
        CloseSocket();
        return -4009;
    }
    if (::shutdown(m_socket.Get(), SHUT_WR) != 0) {
        m_nLastError = errno;
        m_strMessage = Format("++ Error %d: failed to shutdown socket, error code %ld", -1,
                              static_cast<long>(m_nLastError));
        CloseSocket();
        return -4011;
    }
    m_nBufSize = 512;
    m_nCount = 0;
    res = ReceiveData(m_recvBuf, 512, m_nCount, 2000);
    if (res != 0 && res != -4002) {
        m_strMessage = Format("++ Error %d: emptying recv queue, error code %ld", res,
                              static_cast<long>(m_nLastError));
        CloseSocket();
        return -4027;
    }
    m_pause.Wait(300);
    CloseSocket();
    return 0;
}
