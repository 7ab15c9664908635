#include "link/CRKM5TcpIoError.h"
#include "link/CRKM5Tcpio.h"
#include "support/Fakes.h"
#include "support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Steps = std::vector<ScriptedPeer::Step>;

namespace {

Steps LoginThen(Steps more) {
    Steps steps = ScriptedPeer::Login();
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

// Runs one command on a freshly opened link and returns the error GetResponse threw, if any.
struct ExchangeResult {
    int SendResult = 0;
    std::string Reply;
    bool Threw = false;
    CRKM5TcpIoError Error;
};

ExchangeResult ExchangeWith(ScriptedPeer& peer, CRKM5Tcpio& tcp, const std::string& command) {
    ExchangeResult r;
    EXPECT_EQ(tcp.Open("127.0.0.1", peer.Port()), 0) << tcp.m_strMessage;
    try {
        r.SendResult = tcp.SendCmd(command);
        tcp.GetResponse(r.Reply);
    } catch (const CRKM5TcpIoError& e) {
        r.Threw = true;
        r.Error = e;
    }
    return r;
}

} // namespace

class TcpLink : public ::testing::Test {
protected:
    RecordingPause pause;
};

TEST_F(TcpLink, NewLinkIsClosedAndClosingItDoesNothing) {
    CRKM5Tcpio tcp(pause);
    EXPECT_EQ(tcp.IsOpen(), 0);
    EXPECT_EQ(tcp.Close(), 0);
    EXPECT_TRUE(pause.Waits.empty());
}

TEST_F(TcpLink, LogsInWithTheNamesInApostrophesAndExchangesACommand) {
    ScriptedPeer peer(
        LoginThen({ScriptedPeer::ExpectLine(), ScriptedPeer::Send("\x02vr 5,1\x03\r\n>>")}));
    CRKM5Tcpio tcp(pause);
    const ExchangeResult r = ExchangeWith(peer, tcp, "VR");
    ASSERT_FALSE(r.Threw) << r.Error.m_strMessage;
    EXPECT_EQ(r.Reply, "vr 5,1");
    EXPECT_EQ(tcp.m_strMessage, ">> RKM5 Response complete 4, last IO error 0");
    EXPECT_EQ(tcp.IsOpen(), 1);

    EXPECT_EQ(tcp.Close(), 0);
    EXPECT_EQ(tcp.IsOpen(), 0);
    EXPECT_EQ(pause.Waits, std::vector<int>{300});
    peer.Join();
    EXPECT_EQ(peer.Lines(), (std::vector<std::string>{"u", "p", "\x02VR\x03", "q"}));
}

TEST_F(TcpLink, APromptNamingOneUserLogsInWithTheFixedPair) {
    ScriptedPeer peer({ScriptedPeer::Send("RKM5 telnet\r\nlogin as 'service': "),
                       ScriptedPeer::ExpectLine(), ScriptedPeer::Send("password: "),
                       ScriptedPeer::ExpectLine(), ScriptedPeer::Send("\r\nok\r\n>>")});
    CRKM5Tcpio tcp(pause);
    ASSERT_EQ(tcp.Open("127.0.0.1", peer.Port()), 0) << tcp.m_strMessage;
    EXPECT_EQ(tcp.m_strMessage, ">> Sucessfully logged in on RKM5 telent session");
    tcp.Close();
    peer.Join();
    const std::vector<std::string> lines = peer.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "admin");
    EXPECT_EQ(lines[1], "plovermast");
}

TEST_F(TcpLink, AGreetingThatNeverComesIsNoError) {
    ScriptedPeer peer({ScriptedPeer::Send("Login as 'u' password 'p': "),
                       ScriptedPeer::ExpectLine(), ScriptedPeer::Send("Password: "),
                       ScriptedPeer::ExpectLine()});
    CRKM5Tcpio tcp(pause);
    EXPECT_EQ(tcp.Open("127.0.0.1", peer.Port()), 0) << tcp.m_strMessage;
    EXPECT_EQ(tcp.IsOpen(), 1);
}

struct PromptCase {
    const char* Name;
    const char* Prompt;
};

class TcpLoginRefused : public TcpLink, public ::testing::WithParamInterface<PromptCase> {};

TEST_P(TcpLoginRefused, FailsWithTheEmptyPromptMessage) {
    ScriptedPeer peer({ScriptedPeer::Send(GetParam().Prompt)});
    CRKM5Tcpio tcp(pause);
    EXPECT_EQ(tcp.Open("127.0.0.1", peer.Port()), -4019);
    EXPECT_EQ(tcp.m_strMessage, "++ Error 0: Username/Passwrd too long, telnet login failed");
    EXPECT_EQ(tcp.IsOpen(), 0);
    EXPECT_EQ(tcp.Close(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Prompts, TcpLoginRefused,
    ::testing::Values(PromptCase{"EmptyPrompt", ": "}, PromptCase{"NoApostrophes", "login: "},
                      PromptCase{"OnlyApostrophes", "'''\r\n"},
                      PromptCase{"UserWithoutPassword", "user 'u' password: x\r\n"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TcpLink, ARefusedConnectionFailsWithTheConnectMessage) {
    const std::uint16_t port = UnusedLoopbackPort();
    CRKM5Tcpio tcp(pause);
    EXPECT_EQ(tcp.Open("127.0.0.1", port), -4018);
    EXPECT_EQ(tcp.m_strMessage, "++ Could not connect to RKM on 127.0.0.1, error code 111");
    EXPECT_EQ(tcp.IsOpen(), 0);
}

TEST_F(TcpLink, AnEmptyOrUnresolvableAddressFailsLikeARefusedConnection) {
    for (const char* address : {"", "no-such-unit.invalid", "256.1.2.3"}) {
        CRKM5Tcpio tcp(pause);
        EXPECT_EQ(tcp.Open(address, 23), -4018) << address;
        EXPECT_EQ(tcp.m_strMessage.rfind("++ Could not connect to RKM on " + std::string(address) +
                                             ", error code ",
                                         0),
                  0u)
            << tcp.m_strMessage;
    }
}

TEST_F(TcpLink, AnAddressTooLongForTheFieldIsRefusedWithoutOverflow) {
    const std::string address(300, '1');
    CRKM5Tcpio tcp(pause);
    EXPECT_EQ(tcp.Open(address, 23), -4018);
    EXPECT_LT(std::string(tcp.m_szAddress).size(), sizeof tcp.m_szAddress);
}

TEST_F(TcpLink, AHostNameIsResolvedBeforeConnecting) {
    ScriptedPeer peer(ScriptedPeer::Login());
    CRKM5Tcpio tcp(pause);
    EXPECT_EQ(tcp.Open("localhost", peer.Port()), 0) << tcp.m_strMessage;
}

TEST_F(TcpLink, ASilentDeviceTimesOutTheLoginPrompt) {
    ScriptedPeer peer({ScriptedPeer::Pause(6000)});
    CRKM5Tcpio tcp(pause);
    EXPECT_EQ(tcp.Open("127.0.0.1", peer.Port()), -4019);
    EXPECT_EQ(tcp.m_strMessage.rfind("++ Error -4002: reading telnet login prompt failed", 0), 0u)
        << tcp.m_strMessage;
}

// What one reply on the wire, in the segments given, gives the caller of GetResponse.
struct ReplyCase {
    const char* Name;
    std::vector<std::string> Segments;
    const char* Reply; // expected reply text, or nullptr when GetResponse throws
    int Code;          // the thrown code
};

class TcpReplies : public TcpLink, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(TcpReplies, AreAssembledOrRefused) {
    Steps more{ScriptedPeer::ExpectLine()};
    for (const std::string& segment : GetParam().Segments) {
        more.push_back(ScriptedPeer::Send(segment));
        more.push_back(ScriptedPeer::Pause(30));
    }
    ScriptedPeer peer(LoginThen(more));
    CRKM5Tcpio tcp(pause);
    const ExchangeResult r = ExchangeWith(peer, tcp, "IF");
    if (GetParam().Reply != nullptr) {
        ASSERT_FALSE(r.Threw) << r.Error.m_strMessage;
        EXPECT_EQ(r.Reply, GetParam().Reply);
    } else {
        ASSERT_TRUE(r.Threw);
        EXPECT_EQ(r.Error.m_nError, GetParam().Code);
        EXPECT_EQ(r.Error.m_strMessage, "++ IO-Error " + std::to_string(GetParam().Code) +
                                            " thrown: GetResponse failed with error code " +
                                            std::to_string(r.Error.m_nSysError));
        EXPECT_EQ(r.Error.m_strMessage, tcp.m_strMessage);
        EXPECT_TRUE(r.Reply.empty());
        // A failed reply leaves the session to the catcher, which destroys the link.
        EXPECT_EQ(tcp.IsOpen(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Wire, TcpReplies,
    ::testing::Values(
        ReplyCase{"WithLineEndAndPrompt", {"\x02if a,b,1234\x03\r\n>>"}, "if a,b,1234", 0},
        ReplyCase{"PromptWithoutLineEndLosesTwoBytes", {"\x02if x\x03>>"}, "if x", 0},
        ReplyCase{"ColonBlankIsCut", {"\x02if x\x03: "}, "if x", 0},
        ReplyCase{"LineEndOnly", {"\x02if x\x03\r\n"}, "if x", 0},
        ReplyCase{"EmptyReply", {"\x02\x03\r\n>>"}, "", 0},
        ReplyCase{"EtxInSecondSegment", {"\x02if a,", "b\x03\r\n>>"}, "if a,b", 0},
        ReplyCase{
            "LineEndCutByAnEarlierRead", {"\x02line1\r\n", "line2\x03\r\n>>"}, "line1line2", 0},
        ReplyCase{"LineBreakInsideOneRead", {"\x02line1\r\nline2\x03\r\n>>"}, "line1\r\nline2", 0},
        ReplyCase{"CharactersOutsideAsciiAreWindows1252",
                  {"\x02te 25\xB0\x03\r\n>>"},
                  "te 25\xC2\xB0",
                  0},
        ReplyCase{"NoStx", {"if x\x03\r\n>>"}, nullptr, -4012},
        ReplyCase{"PromptAloneIsNoStx", {">>"}, nullptr, -4012},
        ReplyCase{
            "OversizedReply", {"\x02" + std::string(600, 'x') + "\x03\r\n>>"}, nullptr, -4008}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TcpLink, AReplyThatNeverEndsTimesOut) {
    ScriptedPeer peer(LoginThen({ScriptedPeer::ExpectLine(), ScriptedPeer::Send("\x02if x\r\n"),
                                 ScriptedPeer::Pause(4000)}));
    CRKM5Tcpio tcp(pause);
    const ExchangeResult r = ExchangeWith(peer, tcp, "IF");
    ASSERT_TRUE(r.Threw);
    EXPECT_EQ(r.Error.m_nError, -4008);
}

TEST_F(TcpLink, TheSessionEndingMidReplyEndsTheExchange) {
    ScriptedPeer peer(LoginThen(
        {ScriptedPeer::ExpectLine(), ScriptedPeer::Send("\x02if x"), ScriptedPeer::Close()}));
    CRKM5Tcpio tcp(pause);
    const ExchangeResult r = ExchangeWith(peer, tcp, "IF");
    ASSERT_TRUE(r.Threw);
    EXPECT_EQ(r.Error.m_nError, -4008);
}

TEST_F(TcpLink, ACommandTooLongForTheFrameClosesTheLink) {
    ScriptedPeer peer(ScriptedPeer::Login());
    CRKM5Tcpio tcp(pause);
    ASSERT_EQ(tcp.Open("127.0.0.1", peer.Port()), 0);
    try {
        tcp.SendCmd(std::string(508, 'A'));
        FAIL() << "no error thrown";
    } catch (const CRKM5TcpIoError& e) {
        EXPECT_EQ(e.m_nError, -4006);
        EXPECT_EQ(e.m_strMessage, "++ IO-Error -4006 thrown: SendCmd failed with WSA error code 0");
    }
    EXPECT_EQ(tcp.IsOpen(), 0);
    EXPECT_EQ(tcp.Close(), 0);
    EXPECT_TRUE(pause.Waits.empty());
    // The longest command that fits still goes out.
    CRKM5Tcpio longest(pause);
    ScriptedPeer second(LoginThen({ScriptedPeer::ExpectLine()}));
    ASSERT_EQ(longest.Open("127.0.0.1", second.Port()), 0);
    EXPECT_EQ(longest.SendCmd(std::string(507, 'A')), 0);
}

TEST_F(TcpLink, SendingOnAClosedLinkReturnsWithoutThrowing) {
    CRKM5Tcpio tcp(pause);
    EXPECT_EQ(tcp.SendCmd("VR"), -4007);
    EXPECT_TRUE(tcp.m_strMessage.empty());
}

TEST_F(TcpLink, ADeviceThatHangsUpOnQuitMakesCloseFail) {
    ScriptedPeer peer(ScriptedPeer::Login(), /*answerQuit=*/false);
    CRKM5Tcpio tcp(pause);
    ASSERT_EQ(tcp.Open("127.0.0.1", peer.Port()), 0);
    EXPECT_EQ(tcp.Close(), -4027);
    EXPECT_EQ(tcp.m_strMessage, "++ Error -4025: emptying recv queue, error code 0");
    EXPECT_EQ(tcp.IsOpen(), 0);
    EXPECT_EQ(tcp.Close(), 0);
}

TEST_F(TcpLink, DestroyingAnOpenLinkEndsTheSession) {
    ScriptedPeer peer(ScriptedPeer::Login());
    {
        CRKM5Tcpio tcp(pause);
        ASSERT_EQ(tcp.Open("127.0.0.1", peer.Port()), 0);
    }
    peer.Join();
    EXPECT_EQ(peer.Lines().back(), "q");
}
