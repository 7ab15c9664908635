#include "support/ScriptedPeer.h"
#include "support/SimulatedPage.h"

#include <algorithm>
#include <string>
#include <vector>

using Commands = std::vector<std::string>;

namespace {

constexpr const char* kNotConnected = "++ Error: No host connection to RKM5 device active.";

struct CurrentCase {
    const char* Name;
    int Channel;
    bool M35;
    int Assignment;
    int Setpoint;
    const char* Command;
};

class ApplyCurrentForms : public SimulatedPage,
                          public ::testing::WithParamInterface<CurrentCase> {};

} // namespace

TEST_P(ApplyCurrentForms, SendsAndLogsTheChannelsCommand) {
    const CurrentCase& row = GetParam();
    Connect();
    page.IsM35 = row.M35;
    page.ChannelAssignment = row.Assignment;
    const std::size_t c = static_cast<std::size_t>(row.Channel);
    page.Controls.Channels[c].CurrentEdit = std::to_string(row.Setpoint);
    const std::size_t before = LogSize();

    page.ApplyCurrent(row.Channel);

    EXPECT_EQ(unit.ReceivedCommands(), Commands{row.Command});
    ASSERT_GT(LogSize(), before);
    EXPECT_EQ(page.Controls.LogEntries[before], std::string("Sending: ") + row.Command);
    EXPECT_EQ(page.CurrentSetpoint[c], row.Setpoint);
    EXPECT_EQ(page.Controls.Channels[c].SliderPos, row.Setpoint);
    EXPECT_EQ(page.Controls.Channels[c].CurrentEdit, std::to_string(row.Setpoint));
    EXPECT_TRUE(fs.prompter.Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Channels, ApplyCurrentForms,
    ::testing::Values(CurrentCase{"ChannelAOfAnM35UnitNamesNoChannel", 0, true, 0, 500, "IY 500"},
                      CurrentCase{"ChannelAOtherwiseUsesE", 0, false, 0, 500, "IY E 500"},
                      CurrentCase{"ChannelBOfAnM35UnitUsesF", 1, true, 0, 500, "IY F 500"},
                      CurrentCase{"ChannelCUsesG", 2, false, 0, 1234, "IY G 1234"},
                      CurrentCase{"ManualAssignmentStillUsesH", 3, false, 1, 1800, "IY H 1800"},
                      CurrentCase{"ManualAssignmentStillUsesE", 0, false, 1, 200, "IY E 200"}),
    [](const auto& info) { return std::string(info.param.Name); });

namespace {

struct SwitchCase {
    const char* Name;
    int Channel;
    int Assignment;
    bool On;
    const char* Command;
    const char* LogLine;
};

class SwitchForms : public SimulatedPage, public ::testing::WithParamInterface<SwitchCase> {};

} // namespace

TEST_P(SwitchForms, SendsTheBoxStateWithTheAssignmentsLetter) {
    const SwitchCase& row = GetParam();
    Connect();
    page.ChannelAssignment = row.Assignment;
    page.Controls.Channels[static_cast<std::size_t>(row.Channel)].OnOff = row.On;
    const std::size_t before = LogSize();

    page.SwitchChannel(row.Channel);

    EXPECT_EQ(unit.ReceivedCommands(), Commands{row.Command});
    const auto logged = LogSince(before);
    ASSERT_GE(logged.size(), 2u);
    EXPECT_EQ(logged.front(), row.LogLine);
    // The reply closes the operation's lines as it came.
    std::string reply = row.Command;
    reply[0] = 'l';
    reply[1] = 'c';
    EXPECT_EQ(logged.back(), reply);
    EXPECT_EQ(unit.Channel(row.Channel % 4).On, row.On);
}

INSTANTIATE_TEST_SUITE_P(
    Channels, SwitchForms,
    ::testing::Values(
        SwitchCase{"ChannelCOnManual", 2, 1, true, "LC C 1", "LED 3 switched on, Send: LC C 1"},
        SwitchCase{"ChannelCOnAutomatic", 2, 0, true, "LC G 1", "LED 3 switched on, Send: LC G 1"},
        SwitchCase{"ChannelAOffAutomatic", 0, 0, false, "LC E 0",
                   "LED 1 switched off, Send: LC E 0"},
        SwitchCase{"ChannelDOffManual", 3, 1, false, "LC D 0", "LED 4 switched off, Send: LC D 0"},
        SwitchCase{"ChannelBOnManual", 1, 1, true, "LC B 1", "LED 2 switched on, Send: LC B 1"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SimulatedPage, ApplyWithoutALinkLogsOnceAndLeavesTheSliderAlone) {
    page.Controls.Channels[1].CurrentEdit = "900";
    const std::size_t before = LogSize();
    page.ApplyCurrent(1);
    EXPECT_EQ(LogSince(before), Commands{kNotConnected});
    EXPECT_EQ(page.Controls.Channels[1].SliderPos, 200);
    // The log line shows the members again, so the box returns to the set-point.
    EXPECT_EQ(page.CurrentSetpoint[1], 200);
}

TEST_F(SimulatedPage, AllChannelsWithoutALinkLogFourTimesAndKeepTheBoxes) {
    const std::size_t before = LogSize();
    page.AllChannelsOn();
    EXPECT_EQ(LogSince(before), Commands(4, kNotConnected));
    for (const ChannelControls& ch : page.Controls.Channels) {
        EXPECT_TRUE(ch.OnOff);
    }
}

TEST_F(SimulatedPage, ACurrentOutsideTheRangeLabelsIsRefusedAndNothingSent) {
    Connect();
    page.Controls.Channels[2].CurrentEdit = "150";
    const std::size_t before = LogSize();
    page.ApplyCurrent(2);
    EXPECT_EQ(fs.prompter.Messages, Commands{"Enter an integer between 200 and 1800."});
    EXPECT_TRUE(unit.ReceivedCommands().empty());
    EXPECT_EQ(LogSize(), before);
    EXPECT_EQ(page.Controls.Channels[2].SliderPos, 200);
}

TEST_F(SimulatedPage, ARefusedCurrentBoxDoesNotStopASwitch) {
    Connect();
    page.Controls.Channels[0].CurrentEdit = "many";
    page.Controls.Channels[1].OnOff = true;
    page.SwitchChannel(1);
    EXPECT_EQ(fs.prompter.Messages, Commands{"Enter an integer."});
    EXPECT_EQ(unit.ReceivedCommands(), Commands{"LC F 1"});
}

TEST_F(SimulatedPage, ReleasingTheSliderTakesItsPositionAndSendsNothing) {
    Connect();
    page.Controls.Channels[1].SetSliderPos(1000);
    const std::size_t before = LogSize();
    page.OnCurrentSliderReleased(1);
    EXPECT_EQ(page.CurrentSetpoint[1], 1000);
    EXPECT_EQ(page.Controls.Channels[1].CurrentEdit, "1000");
    EXPECT_EQ(LogSize(), before);
    EXPECT_TRUE(unit.ReceivedCommands().empty());
}

TEST_F(SimulatedPage, AllChannelOperationsSendFourCommandsFromAToD) {
    Connect();
    page.AllChannelsOn();
    page.AllChannelsOff();
    page.ChannelAssignment = 1;
    page.Controls.Channels[1].OnOff = true;
    page.Controls.Channels[3].OnOff = true;
    // Any state but 0 and 1 sends the boxes as they stand.
    page.SwitchAllChannels(2);
    page.SwitchAllChannels(1);
    EXPECT_EQ(
        unit.ReceivedCommands(),
        (Commands{"LC E 1", "LC F 1", "LC G 1", "LC H 1", "LC E 0", "LC F 0", "LC G 0", "LC H 0",
                  "LC A 0", "LC B 1", "LC C 0", "LC D 1", "LC A 1", "LC B 1", "LC C 1", "LC D 1"}));
    for (int c = 0; c < 4; ++c) {
        EXPECT_TRUE(unit.Channel(c).On);
        EXPECT_TRUE(page.Controls.Channels[static_cast<std::size_t>(c)].OnOff);
    }
}

TEST_F(SimulatedPage, TheTesselViewRefusesAllChannelsOnAPageWithoutTheMasterTessel) {
    Connect();
    system.ViewMode = 1;
    page.AllChannelsOn();
    page.AllChannelsOff();
    EXPECT_EQ(fs.prompter.Messages,
              (Commands{"Switch on Channels only possible with MasterTessel",
                        "Switch off Channels only possible with MasterTessel"}));
    EXPECT_TRUE(unit.ReceivedCommands().empty());
    for (const ChannelControls& ch : page.Controls.Channels) {
        EXPECT_FALSE(ch.OnOff);
    }

    page.HoldsMasterTessel = true;
    page.AllChannelsOn();
    EXPECT_EQ(unit.ReceivedCommands(), (Commands{"LC E 1", "LC F 1", "LC G 1", "LC H 1"}));
    // The system window's own action has its own rule: no check here.
    page.HoldsMasterTessel = false;
    unit.ClearReceivedCommands();
    page.SwitchAllChannels(0);
    EXPECT_EQ(unit.ReceivedCommands(), (Commands{"LC E 0", "LC F 0", "LC G 0", "LC H 0"}));
}

TEST(ChannelControl, ALinkLostInTheMiddleLeavesTheLaterChannelsUnsent) {
    FakeServices fs;
    CTabDlg system;
    CLumatrelDlg page(fs.Services());
    system.Units[0] = &page;
    page.SystemWindow = &system;
    system.TabCtrl.AddPage("RKM5 No.1\nTesselSerNr:", &page, 0);
    system.TabCtrl.SelectPage(0);
    page.SerNr = "777";
    std::vector<ScriptedPeer::Step> steps = ScriptedPeer::Login();
    steps.push_back(ScriptedPeer::ExpectLine());
    steps.push_back(ScriptedPeer::Send("\x02lc E 1\x03\r\n>>"));
    steps.push_back(ScriptedPeer::ExpectLine());
    steps.push_back(ScriptedPeer::Close());
    ScriptedPeer peer(steps);
    auto* tcp = new CRKM5Tcpio(fs.pause);
    ASSERT_EQ(tcp->Open("127.0.0.1", peer.Port()), 0) << tcp->m_strMessage;
    page.Link = page.TcpLink = tcp;
    page.IsConnected = 1;
    const std::size_t before = page.Controls.LogEntries.size();

    page.AllChannelsOn();

    EXPECT_EQ(page.Link, nullptr);
    const Commands logged(page.Controls.LogEntries.begin() + static_cast<std::ptrdiff_t>(before),
                          page.Controls.LogEntries.end());
    ASSERT_GE(logged.size(), 7u);
    EXPECT_EQ(logged[0], "LED 1 switched on, Send: LC E 1");
    EXPECT_EQ(std::count(logged.begin(), logged.end(), "lc E 1"), 1);
    const auto second = std::find(logged.begin(), logged.end(), "LED 2 switched on, Send: LC F 1");
    ASSERT_NE(second, logged.end());
    EXPECT_NE(std::find(second, logged.end(), "  Exception: IO-error on Tcp interface"),
              logged.end());
    EXPECT_EQ(Commands(logged.end() - 2, logged.end()), Commands(2, kNotConnected));
    EXPECT_EQ(fs.prompter.Messages, Commands{"TCP connection lost RKM5 SerialNumber: 777"});
    // The lost connection cleared the boxes; the later channels found no link to send on.
    for (const ChannelControls& ch : page.Controls.Channels) {
        EXPECT_FALSE(ch.OnOff);
    }
}
