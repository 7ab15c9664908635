// lumatrel-cli against units played by the test itself, each with a habit of its own on the
// wire: the login prompt it sends, when its prompt follows a reply, the rate of its serial
// line, when it answers the discovery enquiry, and what its replies carry.
#include "SimFrames.h"
#include "SimUnit.h"
#include "support/CliRun.h"
#include "support/Fakes.h"
#include "support/LineSpeed.h"
#include "support/PtyPair.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using Texts = std::vector<std::string>;

namespace {

// Everything the peers wait for is bounded, so a broken run fails instead of hanging.
constexpr int kWaitMs = 15000;

std::string Target(std::uint16_t port) {
    return "127.0.0.1:" + std::to_string(port);
}

// A telnet-style unit on loopback for one session, with the habits given. Its replies are a
// simulated unit's, but for the texts the habits put in.
class TelnetPeer {
public:
    struct Habits {
        std::string Prompt = "Login as 'u' password 'p': ";
        std::string User = "u"; // the login the unit accepts
        std::string Password = "p";
        int LatePromptMs = -1; // the ">>" follows the reply's CR LF this late, on its own
        std::function<std::optional<std::string>(const std::string& command)> Reply;
    };

    explicit TelnetPeer(Habits habits) : m_habits(std::move(habits)) {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sa;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
            ::listen(m_listen, 1) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
            ADD_FAILURE() << "TelnetPeer: no listener";
        }
        m_port = ntohs(sa.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    TelnetPeer(const TelnetPeer&) = delete;
    TelnetPeer& operator=(const TelnetPeer&) = delete;
    ~TelnetPeer() {
        m_thread.join();
        ::close(m_listen);
    }

    std::uint16_t Port() const { return m_port; }
    Texts Login() const {
        std::lock_guard lock(m_mutex);
        return m_login;
    }

private:
    bool Next(int fd, SimInputBuffer& input, SimInput& next) {
        for (;;) {
            if (auto ready = input.Next()) {
                next = std::move(*ready);
                return true;
            }
            pollfd pfd{fd, POLLIN, 0};
            char buffer[1024];
            if (::poll(&pfd, 1, kWaitMs) != 1) {
                return false;
            }
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return false;
            }
            input.Append(buffer, static_cast<std::size_t>(n));
        }
    }
    static void Send(int fd, const std::string& bytes) {
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

    void Run() {
        pollfd lp{m_listen, POLLIN, 0};
        if (::poll(&lp, 1, kWaitMs) != 1) {
            return;
        }
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        SimInputBuffer input;
        SimInput user;
        SimInput password;
        Send(fd, m_habits.Prompt);
        if (Next(fd, input, user)) {
            Send(fd, "Password: ");
            if (Next(fd, input, password)) {
                std::lock_guard lock(m_mutex);
                m_login = {user.text, password.text};
            }
        }
        if (user.text != m_habits.User || password.text != m_habits.Password) {
            Send(fd, "\r\nLogin incorrect\r\n");
            ::close(fd);
            return;
        }
        Send(fd, "\r\nRKM5 ready\r\n>>");
        for (SimInput next; Next(fd, input, next);) {
            if (next.kind == SimInput::Kind::Line) {
                if (next.text == "q") {
                    Send(fd, "bye\r\n");
                    break;
                }
                continue;
            }
            std::string text = m_unit.Respond(next.text);
            if (m_habits.Reply) {
                text = m_habits.Reply(next.text).value_or(text);
            }
            const std::string reply = kSimStx + text + kSimEtx + "\r\n";
            if (m_habits.LatePromptMs < 0) {
                Send(fd, reply + ">>");
                continue;
            }
            Send(fd, reply);
            std::this_thread::sleep_for(std::chrono::milliseconds(m_habits.LatePromptMs));
            Send(fd, ">>");
        }
        ::close(fd);
    }

    Habits m_habits;
    SimUnit m_unit;
    int m_listen = -1;
    std::uint16_t m_port = 0;
    mutable std::mutex m_mutex;
    Texts m_login;
    std::thread m_thread;
};

// A serial unit on a pseudo-terminal that answers each frame, noting the line's rate as the
// first command arrives.
class SerialPeer {
public:
    SerialPeer() : m_thread([this] { Run(); }) {}
    SerialPeer(const SerialPeer&) = delete;
    SerialPeer& operator=(const SerialPeer&) = delete;
    ~SerialPeer() {
        m_stop = true;
        m_thread.join();
    }
    const std::string& Path() const { return m_pty.SlavePath(); }
    unsigned RateAtFirstCommand() const { return m_rate.load(); }

private:
    void Run() {
        std::string frame;
        while (!m_stop) {
            pollfd pfd{m_pty.Master(), POLLIN, 0};
            if (::poll(&pfd, 1, 50) != 1) {
                continue;
            }
            char byte = 0;
            if (::read(m_pty.Master(), &byte, 1) != 1) {
                continue;
            }
            if (byte == kSimStx) {
                frame.clear();
            } else if (byte == kSimEtx) {
                if (m_rate.load() == 0) {
                    m_rate = LineOutputSpeed(m_pty.SlaveHold());
                }
                m_pty.Write(kSimStx + m_unit.Respond(frame) + kSimEtx);
            } else {
                frame.push_back(byte);
            }
        }
    }

    PtyPair m_pty;
    SimUnit m_unit;
    std::atomic<bool> m_stop{false};
    std::atomic<unsigned> m_rate{0};
    std::thread m_thread;
};

// Answers one discovery enquiry on the loopback net's broadcast address with the datagrams
// given, each its delay after the enquiry arrived.
class DiscoveryPeer {
public:
    struct Answer {
        int DelayMs;
        std::string Datagram;
    };
    DiscoveryPeer(std::uint16_t port, std::vector<Answer> answers) : m_answers(std::move(answers)) {
        m_listen = Bound("127.255.255.255", port);
        m_reply = Bound("127.0.0.1", 0);
        m_thread = std::thread([this] { Run(); });
    }
    DiscoveryPeer(const DiscoveryPeer&) = delete;
    DiscoveryPeer& operator=(const DiscoveryPeer&) = delete;
    ~DiscoveryPeer() {
        m_thread.join();
        ::close(m_listen);
        ::close(m_reply);
    }

    static std::string UnitAnswer(const std::string& serial, const std::string& address) {
        return "RKM5.x.x.x." + serial + ".x.x\nRKM5\n" + address + "\r\nNC\n";
    }

private:
    static int Bound(const char* address, std::uint16_t port) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(port);
        ::inet_pton(AF_INET, address, &sa.sin_addr);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
            ADD_FAILURE() << "DiscoveryPeer: cannot bind " << address;
        }
        return fd;
    }
    void Run() {
        pollfd pfd{m_listen, POLLIN, 0};
        if (::poll(&pfd, 1, kWaitMs) != 1) {
            return;
        }
        char enquiry[64];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        if (::recvfrom(m_listen, enquiry, sizeof enquiry, 0, reinterpret_cast<sockaddr*>(&from),
                       &len) != 15) {
            return;
        }
        const auto arrived = std::chrono::steady_clock::now();
        for (const Answer& answer : m_answers) {
            std::this_thread::sleep_until(arrived + std::chrono::milliseconds(answer.DelayMs));
            ::sendto(m_reply, answer.Datagram.data(), answer.Datagram.size(), 0,
                     reinterpret_cast<sockaddr*>(&from), len);
        }
    }

    std::vector<Answer> m_answers;
    int m_listen = -1;
    int m_reply = -1;
    std::thread m_thread;
};

} // namespace

TEST(CliUnitPeers, APromptQuotingOneNameAloneLogsInWithTheServiceLogin) {
    TelnetPeer::Habits habits;
    habits.Prompt = "'rkm5': ";
    habits.User = "admin";
    habits.Password = "plovermast";
    TelnetPeer peer(habits);
    const CliRun run = RunCli({"--tcp", Target(peer.Port()), "VR"});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(peer.Login(), (Texts{"admin", "plovermast"}));
    EXPECT_TRUE(run.Printed("Receive < vr 05,01")) << run.Out;
}

TEST(CliUnitPeers, APromptSentLateLeavesEveryReplyWithItsCommand) {
    TelnetPeer::Habits habits;
    habits.LatePromptMs = 30;
    TelnetPeer peer(habits);
    const CliRun run =
        RunCli({"--tcp", Target(peer.Port()), "VR", "ID", "MO", "ER"}, {"LUMATREL_TRACE=1"});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    for (const char* line :
         {"Receive < vr 05,01", "Receive < id 1", "Receive < mo 1", "Receive < er 0"}) {
        EXPECT_TRUE(run.Printed(line)) << line << "\n" << run.Out;
    }
    EXPECT_EQ(run.Out.find("Exception"), std::string::npos) << run.Out;
    EXPECT_NE(run.Err.find("127.0.0.1: 2 stale bytes discarded: >>"), std::string::npos) << run.Err;
}

TEST(CliUnitPeers, ControlCharactersInRepliesArePrintedEscaped) {
    TelnetPeer::Habits habits;
    habits.Reply = [](const std::string& command) -> std::optional<std::string> {
        if (command != "MO") {
            return std::nullopt;
        }
        return "mo 1\x1b]0;owned\x07\r\x1b[2K\x7f";
    };
    TelnetPeer peer(habits);
    const CliRun run = RunCli({"--tcp", Target(peer.Port()), "MO"});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_TRUE(run.Printed("Receive < mo 1\\x1b]0;owned\\x07\\x0d\\x1b[2K\\x7f")) << run.Out;
    EXPECT_EQ(run.Out.find('\x1b'), std::string::npos);
    EXPECT_EQ(run.Out.find('\r'), std::string::npos);
}

class CliSerialRates : public ::testing::TestWithParam<int> {};

TEST_P(CliSerialRates, OpenThePortAtTheRateGiven) {
    SerialPeer peer;
    const CliRun run = RunCli({"--serial", peer.Path() + "@" + std::to_string(GetParam()), "VR"});
    EXPECT_EQ(run.Exit, 0) << run.Out << run.Err;
    EXPECT_TRUE(run.Printed("Receive < vr 05,01")) << run.Out;
    EXPECT_EQ(peer.RateAtFirstCommand(), static_cast<unsigned>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(RatesWithoutAConstant, CliSerialRates,
                         ::testing::Values(56000, 128000, 256000),
                         [](const auto& info) { return std::to_string(info.param); });

TEST(CliUnitPeers, DiscoveryListsALateUnitAfterQuickOnesAndEscapesWhatItPrints) {
    const std::uint16_t port = FreeUdpPort();
    std::vector<DiscoveryPeer::Answer> answers;
    for (int unit = 1; unit <= 5; ++unit) {
        answers.push_back({0, DiscoveryPeer::UnitAnswer("10" + std::to_string(unit),
                                                        "10.0.0." + std::to_string(unit))});
    }
    answers.push_back({5, std::string("\0junkjunkjun", 12)});
    answers.push_back({10, DiscoveryPeer::UnitAnswer("7\x1b[31m7", "10.0.0.7")});
    answers.push_back({650, DiscoveryPeer::UnitAnswer("650", "10.0.0.5")});
    DiscoveryPeer peer(port, answers);

    const CliRun run =
        RunCli({"--discover", "--adapters", "loopback", "--discovery-port", std::to_string(port)});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(
        run.OutLines(),
        (Texts{"101  -  10.0.0.1  -  not connected", "102  -  10.0.0.2  -  not connected",
               "103  -  10.0.0.3  -  not connected", "104  -  10.0.0.4  -  not connected",
               "105  -  10.0.0.5  -  not connected", "7\\x1b[31m7  -  10.0.0.7  -  not connected",
               "650  -  10.0.0.5  -  not connected", "Error Ip-Adresse exists multiple times:",
               "Ip-Adr:10.0.0.5", "    --> SerNr1 : 650", "    --> SerNr2 : 105"}))
        << run.Out;
}
