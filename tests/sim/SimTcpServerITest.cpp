#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "SimTcpServer.h"
#include "SimUnit.h"

namespace {

const std::string kStx = "\x02";
const std::string kEtx = "\x03";

// A bare loopback client that sees exactly the bytes the simulated unit sends. Every wait is
// bounded so that a broken server fails the test instead of hanging it.
class RawClient {
public:
    explicit RawClient(std::uint16_t port) {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected =
            ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;
    ~RawClient() { ::close(m_fd); }

    bool Connected() const { return m_connected; }

    void Send(const std::string& data) {
        ASSERT_EQ(::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(data.size()));
    }

    // One recv: what arrived, "" at end of stream. Sets m_closed at end of stream.
    std::string ReadSome() {
        pollfd fd{m_fd, POLLIN, 0};
        if (::poll(&fd, 1, 10000) != 1) {
            ADD_FAILURE() << "nothing arrived";
            m_closed = true;
            return {};
        }
        char buffer[2048];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            m_closed = true;
            return {};
        }
        return std::string(buffer, static_cast<std::size_t>(n));
    }

    // Everything up to and including suffix, or up to the end of the stream, continuing
    // after the data already read.
    std::string ReadUntil(const std::string& suffix, std::string data = {}) {
        while (!m_closed &&
               (data.size() < suffix.size() ||
                data.compare(data.size() - suffix.size(), suffix.size(), suffix) != 0)) {
            data += ReadSome();
        }
        return data;
    }

    std::string ReadToEnd() {
        std::string data;
        while (!m_closed) {
            data += ReadSome();
        }
        return data;
    }

    bool Closed() const { return m_closed; }

    // Logs in with the given credentials; returns what followed the password.
    std::string Login(const std::string& user, const std::string& password) {
        m_prompt = ReadUntil(": ");
        Send(user + "\r\n");
        EXPECT_EQ(ReadUntil(": "), "Password: ");
        Send(password + "\r\n");
        return ReadUntil("\r\n>>");
    }
    const std::string& Prompt() const { return m_prompt; }

    std::string Exchange(const std::string& command) {
        Send(kStx + command + kEtx + "\r\n");
        return ReadUntil("\r\n>>");
    }

private:
    int m_fd = -1;
    bool m_connected = false;
    bool m_closed = false;
    std::string m_prompt;
};

const std::string kGreeting = "\r\nRKM5 ready\r\n>>";

// Waits until the unit has received count commands.
void AwaitCommands(const SimUnit& unit, std::size_t count) {
    for (int i = 0; i < 1000 && unit.ReceivedCommands().size() < count; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(unit.ReceivedCommands().size(), count);
}

} // namespace

TEST(SimTcpServerITest, LoginFramedExchangeAndQuit) {
    SimUnit unit;
    SimTcpServer server(unit);
    RawClient client(server.Port());
    ASSERT_TRUE(client.Connected());

    EXPECT_EQ(client.Login("rkm5", "light"), kGreeting);
    EXPECT_EQ(client.Prompt(), "Login as 'rkm5' password 'light': ");
    EXPECT_EQ(server.LastUser(), "rkm5");
    EXPECT_EQ(server.LastPassword(), "light");

    // A command arriving in two pieces is still one command.
    client.Send(kStx + "V");
    client.Send("R" + kEtx + "\r\n");
    EXPECT_EQ(client.ReadUntil("\r\n>>"), kStx + "vr 05,01" + kEtx + "\r\n>>");
    // Two commands in one piece get one reply each, in order.
    client.Send(kStx + "ID" + kEtx + "\r\n" + kStx + "IY E 900" + kEtx + "\r\n");
    EXPECT_EQ(client.ReadUntil("\r\n>>"), kStx + "id 1" + kEtx + "\r\n>>");
    EXPECT_EQ(client.ReadUntil("\r\n>>"), kStx + "iy E 900" + kEtx + "\r\n>>");
    EXPECT_EQ(unit.Channel(0).Current, 900);

    client.Send("q\r\n");
    EXPECT_EQ(client.ReadToEnd(), "Goodbye\r\n");
    EXPECT_EQ(server.SessionCount(), 1);
    EXPECT_EQ(unit.ReceivedCommands(), (std::vector<std::string>{"VR", "ID", "IY E 900"}));
}

TEST(SimTcpServerITest, LoginPromptsAndRefusals) {
    struct Row {
        const char* Name;
        SimPrompt Prompt;
        bool RefuseLogin;
        const char* User;
        const char* Password;
        const char* ExpectedPrompt;
        bool Accepted;
    };
    const Row rows[] = {
        {"single name prompt takes the fixed login", SimPrompt::SingleName, false, "admin",
         "plovermast", "Welcome to RKM5\r\nlogin as 'admin': ", true},
        {"single name prompt refuses the named user's own login", SimPrompt::SingleName, false,
         "rkm5", "light", "Welcome to RKM5\r\nlogin as 'admin': ", false},
        {"wrong password is refused", SimPrompt::UserAndPassword, false, "rkm5", "dark",
         "Login as 'rkm5' password 'light': ", false},
        {"refused login fault refuses the right login", SimPrompt::UserAndPassword, true, "rkm5",
         "light", "Login as 'rkm5' password 'light': ", false},
        {"prompt without quotes", SimPrompt::NoQuotes, false, "rkm5", "light", "login: ", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        SimUnit unit;
        SimFaults faults;
        faults.Prompt = row.Prompt;
        faults.RefuseLogin = row.RefuseLogin;
        unit.SetFaults(faults);
        SimTcpServer server(unit);
        RawClient client(server.Port());
        const std::string after = client.Login(row.User, row.Password);
        EXPECT_EQ(client.Prompt(), row.ExpectedPrompt);
        EXPECT_EQ(server.LastUser(), row.User);
        EXPECT_EQ(server.LastPassword(), row.Password);
        if (row.Accepted) {
            EXPECT_EQ(after, kGreeting);
            EXPECT_EQ(client.Exchange("MO"), kStx + "mo 1" + kEtx + "\r\n>>");
        } else {
            EXPECT_EQ(after + client.ReadToEnd(), "\r\nLogin incorrect\r\n");
            EXPECT_TRUE(client.Closed());
        }
    }
}

TEST(SimTcpServerITest, ConnectionFaultsEndTheSessionEarly) {
    struct Row {
        const char* Name;
        std::function<void(SimFaults&)> Set;
        const char* Received; // everything before the server closed
    };
    const Row rows[] = {
        {"refused connections get nothing", [](SimFaults& f) { f.RefuseConnections = true; }, ""},
        {"close during login after the prompt", [](SimFaults& f) { f.CloseDuringLogin = true; },
         "Login as 'rkm5' password 'light': "},
        {"empty prompt", [](SimFaults& f) { f.Prompt = SimPrompt::Empty; }, ": "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        SimUnit unit;
        SimFaults faults;
        row.Set(faults);
        unit.SetFaults(faults);
        SimTcpServer server(unit);
        RawClient client(server.Port());
        if (faults.Prompt == SimPrompt::Empty) {
            // The client gives up on a prompt without a name and closes; so does the unit.
            EXPECT_EQ(client.ReadUntil(": "), row.Received);
            continue;
        }
        EXPECT_EQ(client.ReadToEnd(), row.Received);
        EXPECT_EQ(server.SessionCount(), 1);
    }
}

TEST(SimTcpServerITest, ReplyFaultsShapeTheFrame) {
    const std::string frame = kStx + "vr 05,01" + kEtx + "\r\n>>";
    struct Row {
        const char* Name;
        std::function<void(SimFaults&)> Set;
        std::string Expected;
    };
    const Row rows[] = {
        {"no STX", [](SimFaults& f) { f.ReplyWithoutStx = true; }, "vr 05,01" + kEtx + "\r\n>>"},
        {"no ETX, still the prompt", [](SimFaults& f) { f.ReplyWithoutEtx = true; },
         kStx + "vr 05,01\r\n>>"},
        {"split reply assembles to the whole frame",
         [](SimFaults& f) {
             f.SplitReply = true;
             f.SplitDelayMs = 300;
         },
         frame},
        {"stray frame rides behind the reply in the same segment",
         [](SimFaults& f) { f.StaleBytesAfterReply = true; },
         frame + kStx + "stale" + kEtx + "\r\n>>"},
        {"prompt in a segment of its own",
         [](SimFaults& f) {
             f.PromptInSeparateSegment = true;
             f.PromptDelayMs = 300;
         },
         frame},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        SimUnit unit;
        SimTcpServer server(unit);
        RawClient client(server.Port());
        ASSERT_EQ(client.Login("rkm5", "light"), kGreeting);
        SimFaults faults;
        row.Set(faults);
        unit.SetFaults(faults);
        client.Send(kStx + "VR" + kEtx + "\r\n");
        const std::string first = client.ReadSome();
        if (faults.SplitReply) {
            // The terminators travel with the last segment only.
            EXPECT_EQ(first.find(kEtx), std::string::npos) << "first segment: " << first;
            EXPECT_EQ(first.find("\r\n"), std::string::npos) << "first segment: " << first;
        }
        if (faults.PromptInSeparateSegment) {
            EXPECT_EQ(first, kStx + "vr 05,01" + kEtx + "\r\n");
        }
        EXPECT_EQ(client.ReadUntil("\r\n>>", first), row.Expected);
        // The session goes on after the odd reply.
        unit.SetFaults({});
        EXPECT_EQ(client.Exchange("ID"), kStx + "id 1" + kEtx + "\r\n>>");
    }
}

TEST(SimTcpServerITest, OversizedAndHalfRepliesAndSilence) {
    SimUnit unit;
    SimTcpServer server(unit);
    RawClient client(server.Port());
    ASSERT_EQ(client.Login("rkm5", "light"), kGreeting);

    SimFaults faults;
    faults.OversizedReply = true;
    unit.SetFaults(faults);
    const std::string big = client.Exchange("VR");
    EXPECT_EQ(big.size(), 1u + 600u + 1u + 4u);
    EXPECT_EQ(big.rfind(kStx + "vr 05,01 ", 0), 0u);
    EXPECT_EQ(big.substr(big.size() - 5), kEtx + "\r\n>>");

    // A silent unit reads the command and never answers it; the next command once the unit
    // speaks again gets its own reply and nothing else.
    faults = {};
    faults.Silent = true;
    unit.SetFaults(faults);
    unit.ClearReceivedCommands();
    client.Send(kStx + "VR" + kEtx + "\r\n");
    AwaitCommands(unit, 1);
    unit.SetFaults({});
    EXPECT_EQ(client.Exchange("ID"), kStx + "id 1" + kEtx + "\r\n>>");

    faults = {};
    faults.CloseMidReply = true;
    unit.SetFaults(faults);
    client.Send(kStx + "IF" + kEtx + "\r\n");
    const std::string half = client.ReadToEnd();
    const std::string whole = kStx + "if RKM5,4.1,10001,1" + kEtx + "\r\n>>";
    EXPECT_FALSE(half.empty());
    EXPECT_LT(half.size(), whole.size());
    EXPECT_EQ(whole.rfind(half, 0), 0u) << "half a frame is its beginning";

    // The unit takes the next session once the broken one is over.
    RawClient next(server.Port());
    EXPECT_EQ(next.Login("rkm5", "light"), kGreeting);
    EXPECT_EQ(server.SessionCount(), 2);
}

TEST(SimTcpServerITest, StopEndsAWaitingReplyAndTheListener) {
    SimUnit unit;
    auto server = std::make_unique<SimTcpServer>(unit);
    RawClient client(server->Port());
    ASSERT_EQ(client.Login("rkm5", "light"), kGreeting);
    SimFaults faults;
    faults.ReplyDelayMs = 600000; // far beyond the test's time limit: only a prompt stop ends it
    unit.SetFaults(faults);
    client.Send(kStx + "VR" + kEtx + "\r\n");
    AwaitCommands(unit, 1);

    const std::uint16_t port = server->Port();
    server.reset();
    EXPECT_EQ(client.ReadToEnd(), "");
    RawClient late(port);
    EXPECT_FALSE(late.Connected()) << "nobody listens after the stop";
}

TEST(SimTcpServerITest, InjectedBytesReachTheClientOfTheSessionInProgress) {
    SimUnit unit;
    SimTcpServer server(unit);
    EXPECT_FALSE(server.Inject("early")) << "no session yet";
    RawClient client(server.Port());
    ASSERT_EQ(client.Login("rkm5", "light"), kGreeting);
    ASSERT_TRUE(server.Inject(kStx + "unasked" + kEtx));
    EXPECT_EQ(client.ReadSome(), kStx + "unasked" + kEtx);
    EXPECT_EQ(client.Exchange("ID"), kStx + "id 1" + kEtx + "\r\n>>");
    EXPECT_TRUE(unit.ReceivedCommands() == std::vector<std::string>{"ID"});
}
