// Bytes on the TCP link that belong to no reply never pass for the reply to a later command.
#include "SimFrames.h"
#include "SimTcpServer.h"
#include "SimUnit.h"
#include "link/CRKM5TcpIoError.h"
#include "link/CRKM5Tcpio.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// What an identical, untouched unit answers: the reply the link must deliver.
std::string Expected(const std::string& command) {
    SimUnit twin;
    return twin.Respond(command);
}

class TcpStaleBytes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(tcp.Open("127.0.0.1", server.Port()), 0) << tcp.m_strMessage;
    }

    // Sends each command in turn, as fast as the link allows, and checks each reply.
    void ExpectOwnReplies(const std::vector<std::string>& commands) {
        for (const std::string& command : commands) {
            SCOPED_TRACE(command);
            std::string reply;
            try {
                tcp.SendCmd(command);
                tcp.GetResponse(reply);
            } catch (const CRKM5TcpIoError& e) {
                FAIL() << e.m_strMessage;
            }
            EXPECT_EQ(reply, Expected(command));
        }
    }

    SimUnit unit;
    SimTcpServer server{unit};
    RecordingPause pause;
    CRKM5Tcpio tcp{pause};
};

struct FaultRow {
    const char* Name;
    std::function<void(SimFaults&)> Set;
};

class TcpStaleBytesFaults : public TcpStaleBytes, public ::testing::WithParamInterface<FaultRow> {};

TEST_P(TcpStaleBytesFaults, LeaveEveryReplyToItsCommand) {
    SimFaults faults;
    GetParam().Set(faults);
    unit.SetFaults(faults);
    ExpectOwnReplies({"VR", "ID", "MO", "IF", "ER"});
    EXPECT_EQ(unit.ReceivedCommands(), (std::vector<std::string>{"VR", "ID", "MO", "IF", "ER"}));
}

INSTANTIATE_TEST_SUITE_P(Faults, TcpStaleBytesFaults,
                         ::testing::Values(
                             // The ">>" comes after the next command has gone out.
                             FaultRow{"PromptLate",
                                      [](SimFaults& f) {
                                          f.PromptInSeparateSegment = true;
                                          f.PromptDelayMs = 30;
                                      }},
                             // The ">>" follows at once, in whichever read it lands.
                             FaultRow{"PromptInItsOwnSegmentAtOnce",
                                      [](SimFaults& f) {
                                          f.PromptInSeparateSegment = true;
                                          f.PromptDelayMs = 0;
                                      }},
                             FaultRow{"StrayFrameBehindEachReply",
                                      [](SimFaults& f) { f.StaleBytesAfterReply = true; }},
                             FaultRow{"SplitReplyWithLatePrompt",
                                      [](SimFaults& f) {
                                          f.SplitReply = true;
                                          f.SplitDelayMs = 20;
                                          f.PromptInSeparateSegment = true;
                                          f.PromptDelayMs = 30;
                                      }}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TcpStaleBytes, AFrameWaitingBeforeTheCommandIsDiscarded) {
    // As if a reply had come in after its command was given up, or the unit spoke unasked.
    ASSERT_TRUE(server.Inject(kSimStrayFrame + "\r\n>>"));
    ExpectOwnReplies({"ID"});
    ASSERT_TRUE(server.Inject(">>"));
    ExpectOwnReplies({"VR"});
}

TEST_F(TcpStaleBytes, APromptAloneWhenNoneIsOwedStillFails) {
    // The reply came with its own prompt, so a second one is no late prompt but a broken
    // reply.
    ExpectOwnReplies({"VR"});
    SimFaults faults;
    faults.Silent = true;
    unit.SetFaults(faults);
    tcp.SendCmd("ID");
    ASSERT_TRUE(server.Inject(">>"));
    std::string reply;
    try {
        tcp.GetResponse(reply);
        FAIL() << "no error thrown";
    } catch (const CRKM5TcpIoError& e) {
        EXPECT_EQ(e.m_nError, -4012);
    }
}

} // namespace
