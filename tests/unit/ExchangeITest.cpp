#include "link/CRKM5Tcpio.h"
#include "support/Fakes.h"
#include "support/ScriptedPeer.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Steps = std::vector<ScriptedPeer::Step>;

namespace {

// A unit page in a system window with a second unit's tab selected, connected to a peer.
class ConnectedPage : public ::testing::Test {
protected:
    void Connect(Steps afterLogin) {
        Steps steps = ScriptedPeer::Login();
        steps.insert(steps.end(), afterLogin.begin(), afterLogin.end());
        peer = std::make_unique<ScriptedPeer>(steps);
        system.Units[0] = &page;
        system.Units[1] = &other;
        system.UnitCount = 2;
        page.SystemWindow = &system;
        other.SystemWindow = &system;
        system.TabCtrl.AddPage("RKM5 No.1\nTesselSerNr:", &page, 1);
        system.TabCtrl.AddPage("RKM5 No.2\nTesselSerNr:", &other, 0);
        system.TabCtrl.SelectPage(1);

        auto* tcp = new CRKM5Tcpio(fs.pause);
        ASSERT_EQ(tcp->Open("127.0.0.1", peer->Port()), 0) << tcp->m_strMessage;
        page.TcpLink = tcp;
        page.Link = tcp;
        page.IsConnected = 1;
        page.SerNr = "12345";
        page.InterfaceText = "TCP";
        page.TesselSerNrText[0] = "0815";
        system.ChannelMap.RegisterModuleKey(815);
        page.Controls.Channels[2].OnOff = true;
        for (int id : {1, 2, 3}) {
            page.Timers().StartTimer(id, 3000);
        }
    }

    void TearDown() override {
        delete page.Link;
        page.Link = nullptr;
    }

    FakeServices fs;
    CTabDlg system;
    CLumatrelDlg page{fs.Services()};
    CLumatrelDlg other{fs.Services()};
    std::unique_ptr<ScriptedPeer> peer;
};

// Each of the two resets recomputes the assignment of no modules, then ends the connection.
const std::vector<std::string> kDisconnectLines = {">> No Channel connected",
                                                   ">> Info: Disconnect complete",
                                                   "     ------------------------------",
                                                   ">> No Channel connected",
                                                   ">> Info: Disconnect complete",
                                                   "     ------------------------------"};

} // namespace

TEST_F(ConnectedPage, AReplyReachesTheCallerWithoutItsFraming) {
    Connect({ScriptedPeer::ExpectLine(), ScriptedPeer::Send("\x02vr 5,1\x03\r\n>>")});
    std::string reply;
    page.ExchangeCommand("VR", reply, 0);
    EXPECT_EQ(reply, "vr 5,1");
    EXPECT_NE(page.Link, nullptr);
    EXPECT_EQ(page.IsConnected, 1);
    EXPECT_TRUE(fs.prompter.Messages.empty());
}

struct LossCase {
    const char* Name;
    int Variant; // 0 command, 1 temperature, 2 voltage
    const char* ExceptionLine;
};

class LostConnection : public ConnectedPage, public ::testing::WithParamInterface<LossCase> {};

TEST_P(LostConnection, DropsTheLinkAndTellsTheOperator) {
    Connect(
        {ScriptedPeer::ExpectLine(), ScriptedPeer::Send("\x02half a re"), ScriptedPeer::Close()});
    std::string reply;
    const size_t before = page.Controls.LogEntries.size();
    if (GetParam().Variant == 0) {
        page.ExchangeCommand("IF", reply, 0);
    } else if (GetParam().Variant == 1) {
        page.ExchangeTemperature("TE", reply);
    } else {
        page.ExchangeVoltage("VT", reply);
    }

    EXPECT_EQ(page.Link, nullptr);
    EXPECT_EQ(page.TcpLink, nullptr);
    EXPECT_EQ(page.IsConnected, 0);
    std::vector<std::string> expected = {
        "++ IO-Error -4008 thrown: GetResponse failed with error code 0", GetParam().ExceptionLine};
    expected.insert(expected.end(), kDisconnectLines.begin(), kDisconnectLines.end());
    const std::vector<std::string> logged(page.Controls.LogEntries.begin() + before,
                                          page.Controls.LogEntries.end());
    EXPECT_EQ(logged, expected);
    EXPECT_EQ(fs.prompter.Messages,
              std::vector<std::string>{"TCP connection lost RKM5 SerialNumber: 12345"});

    // The unit's own tab is marked, the operator's selection stays where it was.
    EXPECT_EQ(system.TabCtrl.Items[0].Title, "NC:12345");
    EXPECT_EQ(system.TabCtrl.Items[0].Image, 0);
    EXPECT_EQ(system.TabCtrl.Items[1].Title, "RKM5 No.2\nTesselSerNr:");
    EXPECT_EQ(system.TabCtrl.GetCurSel(), 1);

    // Timers stopped, identity cleared, module keys given back, switches cleared.
    const FakeTimers& timers = *fs.timers.Created[0];
    EXPECT_TRUE(timers.Running.empty());
    EXPECT_EQ(std::vector<int>(timers.StopOrder.begin(), timers.StopOrder.begin() + 3),
              (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(page.InterfaceText, "");
    EXPECT_EQ(page.Controls.Interface, "");
    EXPECT_EQ(page.TesselSerNrText[0], "");
    EXPECT_EQ(system.ChannelMap.UsedCount(), 0);
    EXPECT_FALSE(page.Controls.Channels[2].OnOff);
    EXPECT_EQ(page.SerNr, "12345");
}

INSTANTIATE_TEST_SUITE_P(
    Variants, LostConnection,
    ::testing::Values(
        LossCase{"Command", 0, "  Exception: IO-error on Tcp interface"},
        LossCase{"Temperature", 1, "  Exception: IO-error temperature monitoring on Tcp interface"},
        LossCase{"Voltage", 2, "   Exception: IO-error led voltage monitoring on Tcp interface"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ConnectedPage, ALinkClosedByAFailedSendIsGivenUpToo) {
    Connect({});
    std::string reply;
    page.ExchangeCommand(std::string(600, 'X'), reply, 0);
    EXPECT_EQ(page.Link, nullptr);
    ASSERT_FALSE(page.Controls.LogEntries.empty());
    EXPECT_EQ(page.Controls.LogEntries[page.Controls.LogEntries.size() - 8],
              "++ IO-Error -4006 thrown: SendCmd failed with WSA error code 0");
}

TEST(UnitExchange, WithoutALinkNothingIsSentOrLogged) {
    FakeServices fs;
    CLumatrelDlg page(fs.Services());
    page.CurrentSetpoint[1] = 700;
    page.Controls.Channels[1].CurrentEdit = "typed";
    std::string reply = "untouched";
    page.ExchangeCommand("VR", reply, 0);
    EXPECT_EQ(reply, "untouched");
    EXPECT_TRUE(page.Controls.LogEntries.empty());
    EXPECT_TRUE(fs.prompter.Messages.empty());
    EXPECT_EQ(page.Controls.Channels[1].CurrentEdit, "typed");
}
