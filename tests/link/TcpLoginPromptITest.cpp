// Which user name and password the TCP link takes from the login prompt a unit sends.
#include "link/CRKM5Tcpio.h"
#include "support/Fakes.h"
#include "support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct PromptRow {
    const char* Name;
    const char* Prompt;
    const char* User;     // the first line the unit receives
    const char* Password; // the second
};

// Rows by the number of pieces the prompt splits into at its apostrophes: one or two pieces
// give the fixed service login, four give the names in the first two pairs of apostrophes.
const PromptRow kPromptRows[] = {
    {"OneQuotedNameAloneInThePrompt", "'rkm5': ", "admin", "plovermast"},
    {"OneQuotedNameAloneWithALineEnd", "'rkm5'\r\n", "admin", "plovermast"},
    {"OneNameAfterAnOpeningApostrophe", "'rkm5: ", "admin", "plovermast"},
    {"TextThenOneQuotedName", "RKM5 telnet\r\nlogin as 'service': ", "admin", "plovermast"},
    {"TwoNamesRunTogetherAreTwoPieces", "'rkm5''light': ", "admin", "plovermast"},
    {"TwoQuotedNames", "Login as 'rkm5' password 'light': ", "rkm5", "light"},
    {"FifthPieceIgnored", "Login as 'rkm5' password 'light' now: ", "rkm5", "light"},
};

class TcpLoginPrompts : public ::testing::TestWithParam<PromptRow> {
protected:
    RecordingPause pause;
};

TEST_P(TcpLoginPrompts, LogInWithTheNamesThePromptGives) {
    const PromptRow& row = GetParam();
    ScriptedPeer peer({ScriptedPeer::Send(row.Prompt), ScriptedPeer::ExpectLine(),
                       ScriptedPeer::Send("Password: "), ScriptedPeer::ExpectLine(),
                       ScriptedPeer::Send("\r\nRKM5 ready\r\n>>")});
    CRKM5Tcpio tcp(pause);
    ASSERT_EQ(tcp.Open("127.0.0.1", peer.Port()), 0) << tcp.m_strMessage;
    EXPECT_EQ(tcp.m_strMessage, ">> Sucessfully logged in on RKM5 telent session");
    EXPECT_EQ(tcp.IsOpen(), 1);
    tcp.Close();
    peer.Join();
    const std::vector<std::string> lines = peer.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], row.User);
    EXPECT_EQ(lines[1], row.Password);
}

INSTANTIATE_TEST_SUITE_P(Prompts, TcpLoginPrompts, ::testing::ValuesIn(kPromptRows),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
