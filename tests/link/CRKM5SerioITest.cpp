#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <string>

#include "SimFrames.h"
#include "SimSerialPort.h"
#include "SimUnit.h"
#include "link/CRKM5Rs232IoError.h"
#include "link/CRKM5Serio.h"
#include "link/FormatSystemError.h"
#include "platform/Format.h"
#include "support/PtyPair.h"

namespace {

const std::string kStx = "\x02";
const std::string kEtx = "\x03";

std::string IncompleteMessage(const std::string& port, const std::string& response) {
    return Format("++ Error -1014: Incomplete or no response from RKM5 on %s\nresponse=\"%s\"",
                  port.c_str(), response.c_str());
}

// The error a call threw, or nothing when it returned.
template <typename Call> std::optional<CRKM5Rs232IoError> Thrown(Call call) {
    try {
        call();
    } catch (const CRKM5Rs232IoError& error) {
        return error;
    }
    return std::nullopt;
}

// What an identical, untouched unit answers: the reply the link must deliver.
std::string Expected(const std::string& command) {
    SimUnit twin;
    return twin.Respond(command);
}

TEST(CRKM5SerioOpen, NewLinkIsClosedAndClosingItDoesNothing) {
    CRKM5Serio link;
    EXPECT_EQ(link.IsOpen(), 0);
    EXPECT_EQ(link.Close(), 0);
}

TEST(CRKM5SerioOpen, OpeningAnOpenLinkReturnsZeroWithoutReopening) {
    SimUnit unit;
    SimSerialPort port(unit);
    CRKM5Serio link;
    ASSERT_EQ(link.Open(port.SlavePath(), 115200), 0);
    EXPECT_EQ(link.Open("/dev/lumatrel-no-such-port", 9600), 0);
    EXPECT_EQ(link.m_strPort, port.SlavePath());
    EXPECT_EQ(link.IsOpen(), 1);
}

TEST(CRKM5SerioOpen, MissingDeviceFailsWithTheSystemTextAfterALineBreak) {
    CRKM5Serio link;
    EXPECT_EQ(link.Open("/dev/lumatrel-no-such-port", 115200), -1001);
    EXPECT_EQ(link.m_nError, -1001);
    EXPECT_EQ(link.m_nSysError, ENOENT);
    EXPECT_EQ(link.m_strMessage, "++ Error -1001: Couldn't open port /dev/lumatrel-no-such-port\n" +
                                     FormatSystemError(ENOENT));
    EXPECT_EQ(link.IsOpen(), 0);
}

TEST(CRKM5SerioOpen, PlainNameIsTakenUnderDev) {
    SimUnit unit;
    SimSerialPort port(unit);
    ASSERT_EQ(port.SlavePath().rfind("/dev/", 0), 0u);
    CRKM5Serio link;
    ASSERT_EQ(link.Open(port.SlavePath().substr(5), 115200), 0);
    EXPECT_EQ(link.m_strPort, port.SlavePath());
}

TEST(CRKM5SerioOpen, PortHeldByAnotherLinkIsRefusedUntilItCloses) {
    SimUnit unit;
    SimSerialPort port(unit);
    CRKM5Serio first;
    ASSERT_EQ(first.Open(port.SlavePath(), 115200), 0);
    port.Inject(kStx + "kept" + kEtx);
    CRKM5Serio second;
    EXPECT_EQ(second.Open(port.SlavePath(), 115200), -1001);
    EXPECT_EQ(second.m_nSysError, EWOULDBLOCK);
    EXPECT_EQ(second.IsOpen(), 0);
    std::string reply;
    const auto error = Thrown([&] { first.GetResponse(reply); });
    ASSERT_FALSE(error) << error->m_strMessage;
    EXPECT_EQ(reply, "kept") << "the refused open left the holder's input alone";
    ASSERT_EQ(first.Close(), 0);
    EXPECT_EQ(second.Open(port.SlavePath(), 115200), 0);
}

TEST(CRKM5SerioOpen, UnsupportedBaudRateFailsAndLeavesThePortAsItWas) {
    PtyPair pty;
    const termios before = pty.SlaveSettings();
    CRKM5Serio link;
    EXPECT_EQ(link.Open(pty.SlavePath(), 0), -1003);
    EXPECT_EQ(link.m_strMessage, "++ Error -1003: Couldn't set baud rate or number of bits on " +
                                     pty.SlavePath() + "\n" + FormatSystemError(EINVAL));
    EXPECT_EQ(link.IsOpen(), 0);
    const termios after = pty.SlaveSettings();
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_cc[VMIN], before.c_cc[VMIN]);
    CRKM5Serio again;
    EXPECT_EQ(again.Open(pty.SlavePath(), 115200), 0) << "the failed open kept the port";
}

TEST(CRKM5SerioOpen, RawEightBitsAtTheRateKeepingStopBitsAndFlowControlThenRestored) {
    PtyPair pty;
    termios own = pty.SlaveSettings();
    ::cfsetispeed(&own, B9600);
    ::cfsetospeed(&own, B9600);
    own.c_cflag = (own.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS7 | CSTOPB;
    own.c_iflag |= IXON | IXOFF | ICRNL | ISTRIP;
    own.c_oflag |= OPOST;
    own.c_lflag |= ECHO | ICANON | ISIG;
    own.c_cc[VMIN] = 1;
    own.c_cc[VTIME] = 5;
    pty.SetSlaveSettings(own);
    own = pty.SlaveSettings();

    CRKM5Serio link;
    ASSERT_EQ(link.Open(pty.SlavePath(), 115200), 0);
    const termios open = pty.SlaveSettings();
    EXPECT_EQ(::cfgetospeed(&open), static_cast<speed_t>(B115200));
    EXPECT_EQ(open.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_NE(open.c_cflag & CSTOPB, 0u) << "stop bits are the port's own";
    EXPECT_EQ(open.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF))
        << "flow control is the port's own";
    EXPECT_EQ(open.c_iflag & (ICRNL | ISTRIP), 0u);
    EXPECT_EQ(open.c_oflag & OPOST, 0u);
    EXPECT_EQ(open.c_lflag & (ECHO | ICANON | ISIG), 0u);
    EXPECT_EQ(open.c_cc[VMIN], 0);
    EXPECT_EQ(open.c_cc[VTIME], 0);

    ASSERT_EQ(link.Close(), 0);
    const termios closed = pty.SlaveSettings();
    EXPECT_EQ(::cfgetospeed(&closed), ::cfgetospeed(&own));
    EXPECT_EQ(closed.c_cflag, own.c_cflag);
    EXPECT_EQ(closed.c_iflag, own.c_iflag);
    EXPECT_EQ(closed.c_oflag, own.c_oflag);
    EXPECT_EQ(closed.c_lflag, own.c_lflag);
    EXPECT_EQ(closed.c_cc[VMIN], 1);
    EXPECT_EQ(closed.c_cc[VTIME], 5);
}

// The bytes a unit puts on the line after the command, and what the link makes of them.
struct ReplyCase {
    const char* name;
    std::string line;
    bool ok;
    std::string text; // the reply, or the response text the failure message carries
};

class CRKM5SerioReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(CRKM5SerioReply, ReadsTheFrameOrFails) {
    const ReplyCase& row = GetParam();
    PtyPair pty;
    CRKM5Serio link;
    ASSERT_EQ(link.Open(pty.SlavePath(), 115200), 0);
    ASSERT_EQ(link.SendCmd("IF"), 0);
    ASSERT_EQ(pty.ReadFrame(), kStx + "IF" + kEtx) << "a bare frame, no line end";
    pty.Write(row.line);
    std::string reply = "old";
    const auto error = Thrown([&] { link.GetResponse(reply); });
    if (row.ok) {
        ASSERT_FALSE(error) << error->m_strMessage;
        EXPECT_EQ(reply, row.text);
        return;
    }
    ASSERT_TRUE(error);
    EXPECT_EQ(error->m_nError, -1014);
    EXPECT_EQ(error->m_nSysError, 0);
    EXPECT_EQ(error->m_strMessage, IncompleteMessage(pty.SlavePath(), row.text));
    EXPECT_EQ(link.m_strMessage, error->m_strMessage);
    EXPECT_EQ(reply, row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CRKM5SerioReply,
    ::testing::Values(
        ReplyCase{"PlainFrame", kStx + "vr 5,1" + kEtx, true, "vr 5,1"},
        ReplyCase{"EmptyFrameIsAnEmptyReply", kStx + kEtx, true, ""},
        ReplyCase{"BytesBehindTheEtxAreDropped", kStx + "id 1" + kEtx + "junk", true, "id 1"},
        ReplyCase{"FiveHundredElevenCharactersFit", kStx + std::string(511, 'a') + kEtx, true,
                  std::string(511, 'a')},
        ReplyCase{"EightBitTextArrivesAsUtf8", kStx + "te 25\xb0" + kEtx, true, "te 25\u00b0"},
        ReplyCase{"FirstByteNotStxFailsWithEmptyResponse", "x" + kStx + "vr 5,1" + kEtx, false, ""},
        ReplyCase{"NoEtxWithinFiveHundredElevenFailsWithThem", kStx + std::string(600, 'b'), false,
                  std::string(511, 'b')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CRKM5SerioCommand, LongestCommandFitsTheFrameAndOneMoreIsRefusedUnsent) {
    PtyPair pty;
    CRKM5Serio link;
    ASSERT_EQ(link.Open(pty.SlavePath(), 115200), 0);
    const std::string longest(253, 'L');
    ASSERT_EQ(link.SendCmd(longest), 0);
    EXPECT_EQ(pty.ReadFrame(), kStx + longest + kEtx);

    const auto error = Thrown([&] { link.SendCmd(std::string(254, 'L')); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->m_nError, -1007);
    EXPECT_EQ(error->m_strMessage, "++ Error -1007: Failed on WriteFile to " + pty.SlavePath() +
                                       ", num bytes written 0\n" + FormatSystemError(EMSGSIZE));
    EXPECT_FALSE(pty.ClientSentSomething());
}

TEST(CRKM5SerioCommand, NotOpenLinkThrowsForSendAndReceive) {
    CRKM5Serio link;
    const auto send = Thrown([&] { link.SendCmd("IF"); });
    ASSERT_TRUE(send);
    EXPECT_EQ(send->m_nError, -1008);
    EXPECT_EQ(send->m_nSysError, 0);
    EXPECT_EQ(send->m_strMessage, "++ Error -1008: Cannot do a SendCmd, Device  not opened");
    std::string reply;
    const auto receive = Thrown([&] { link.GetResponse(reply); });
    ASSERT_TRUE(receive);
    EXPECT_EQ(receive->m_nError, -1008);
    EXPECT_EQ(receive->m_strMessage, "++ Error -1008: Cannot do a ReadFile, Divice  not opened");
}

TEST(CRKM5SerioCommand, WriteTheLineDoesNotTakeTimesOutAndNothingStaysQueued) {
    PtyPair pty;
    pty.SetSlaveSettings([&] {
        termios t = pty.SlaveSettings();
        t.c_iflag |= IXON;
        return t;
    }());
    auto link = std::make_unique<CRKM5Serio>();
    ASSERT_EQ(link->Open(pty.SlavePath(), 115200), 0);
    ASSERT_EQ(::tcflow(pty.SlaveHold(), TCOOFF), 0); // as if the unit had sent XOFF
    const auto error = Thrown([&] { link->SendCmd("IF"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->m_nError, -1006);
    EXPECT_EQ(error->m_strMessage,
              "++ Error -1006: WriteFile timed out\n" + FormatSystemError(EAGAIN));
    link.reset();
    ASSERT_EQ(::tcflow(pty.SlaveHold(), TCOON), 0);
    EXPECT_FALSE(pty.ClientSentSomething()) << "the unsent frame was discarded";
    CRKM5Serio again;
    EXPECT_EQ(again.Open(pty.SlavePath(), 115200), 0);
}

class CRKM5SerioSim : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(link.Open(port.SlavePath(), 115200), 0); }

    std::optional<CRKM5Rs232IoError> Exchange(const std::string& command, std::string& reply) {
        return Thrown([&] {
            link.SendCmd(command);
            link.GetResponse(reply);
        });
    }

    void SetFaults(void (*change)(SimFaults&)) {
        SimFaults faults = unit.Faults();
        change(faults);
        unit.SetFaults(faults);
    }

    SimUnit unit;
    SimSerialPort port{unit};
    CRKM5Serio link;
};

TEST_F(CRKM5SerioSim, ExchangeDeliversTheUnitsReply) {
    std::string reply;
    const auto error = Exchange("VR", reply);
    ASSERT_FALSE(error) << error->m_strMessage;
    EXPECT_EQ(reply, Expected("VR"));
    EXPECT_EQ(unit.ReceivedCommands(), std::vector<std::string>{"VR"});
}

TEST_F(CRKM5SerioSim, ReplySplitOverChunksIsJoined) {
    SetFaults([](SimFaults& f) {
        f.SplitReply = true;
        f.SplitDelayMs = 30;
    });
    std::string reply;
    const auto error = Exchange("IF", reply);
    ASSERT_FALSE(error) << error->m_strMessage;
    EXPECT_EQ(reply, Expected("IF"));
}

TEST_F(CRKM5SerioSim, StaleBytesAreDiscardedBeforeTheNextCommand) {
    port.Inject(kStx + "stale" + kEtx);
    std::string reply;
    const auto error = Exchange("ID", reply);
    ASSERT_FALSE(error) << error->m_strMessage;
    EXPECT_EQ(reply, Expected("ID"));
}

TEST_F(CRKM5SerioSim, StrayFrameAfterEachReplyNeverPassesForTheNextReply) {
    SetFaults([](SimFaults& f) { f.StaleBytesAfterReply = true; });
    for (const char* command : {"VR", "ID", "MO"}) {
        std::string reply;
        const auto error = Exchange(command, reply);
        ASSERT_FALSE(error) << error->m_strMessage;
        EXPECT_EQ(reply, Expected(command));
    }
}

TEST_F(CRKM5SerioSim, ReplyWithoutStxFailsWithEmptyResponse) {
    SetFaults([](SimFaults& f) { f.ReplyWithoutStx = true; });
    std::string reply;
    const auto error = Exchange("VR", reply);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->m_nError, -1014);
    EXPECT_EQ(error->m_strMessage, IncompleteMessage(port.SlavePath(), ""));
}

TEST_F(CRKM5SerioSim, OversizedReplyFailsWithItsFirst511Characters) {
    SetFaults([](SimFaults& f) { f.OversizedReply = true; });
    std::string reply;
    const auto error = Exchange("VR", reply);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->m_nError, -1014);
    EXPECT_EQ(error->m_strMessage,
              IncompleteMessage(port.SlavePath(), SimOversizedText(Expected("VR")).substr(0, 511)));
}

TEST_F(CRKM5SerioSim, SilentUnitFailsOnceTheIdlePollsAreUsedUp) {
    SetFaults([](SimFaults& f) { f.Silent = true; });
    std::string reply;
    const auto error = Exchange("VR", reply);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->m_nError, -1014);
    EXPECT_EQ(error->m_strMessage, IncompleteMessage(port.SlavePath(), ""));
}

TEST_F(CRKM5SerioSim, DeviceVanishingMidReplyFailsTheRead) {
    SetFaults([](SimFaults& f) { f.CloseMidReply = true; });
    std::string reply;
    const auto error = Exchange("IF", reply);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->m_nError, -1012);
    EXPECT_EQ(error->m_nSysError, EIO);
    EXPECT_EQ(error->m_strMessage, "++ Error -1012: Failed on ReadFile to " + port.SlavePath() +
                                       ", num bytes written 0\n" + FormatSystemError(EIO));
    EXPECT_TRUE(port.Vanished());
    EXPECT_EQ(link.Close(), 0);
}

TEST_F(CRKM5SerioSim, DeviceGoneBeforeTheCommandFailsTheRead) {
    port.Vanish();
    std::string reply;
    const auto error = Exchange("VR", reply);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->m_nError, -1012);
    EXPECT_EQ(error->m_nSysError, EIO);
}

} // namespace
