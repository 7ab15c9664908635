#include "SimTcpServer.h"
#include "SimUnit.h"
#include "protocol/Numbers.h"
#include "support/Fakes.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using Running = std::map<int, int>;

const char* const kNoModule = "++ Error: No Tessel II module connected to be monitored";

// A unit page in the first tab of a system window, connected over TCP to a simulated unit;
// its three monitoring timers fire only when a test says so.
class MonitoredPage {
protected:
    MonitoredPage() {
        system.Units[0] = &page;
        page.SystemWindow = &system;
        system.TabCtrl.AddPage("RKM5 No.1\nTesselSerNr:", &page, 0);
        system.TabCtrl.SelectPage(0);
        page.SelectedIf = "TCP";
        page.SerNr = "777";
        page.IpAdr = "127.0.0.1";
        page.IpPort = server.Port();
    }
    ~MonitoredPage() { page.SwitchOffAndDisconnect(); }

    bool Connect() {
        page.ConnectTcp();
        if (page.Link == nullptr) {
            ADD_FAILURE() << "the connect failed";
            return false;
        }
        unit.ClearReceivedCommands();
        return true;
    }
    FakeTimers& Timers() { return *fs.timers.Created[0]; }
    const Lines& Log() const { return page.Controls.LogEntries; }
    bool Logged(const std::string& line) const {
        return std::find(Log().begin(), Log().end(), line) != Log().end();
    }
    // The log lines added since `from` entries.
    Lines Since(std::size_t from) const { return Lines(Log().begin() + from, Log().end()); }

    // Every box the monitoring fills, with its enable state.
    std::vector<bool> ReadingEnables() const {
        std::vector<bool> enabled;
        for (const ChannelControls& panel : page.Controls.Channels) {
            enabled.push_back(panel.IsEnabled(PanelControl::Temperature));
            enabled.push_back(panel.IsEnabled(PanelControl::TesselTemperature));
            enabled.push_back(panel.IsEnabled(PanelControl::Voltage));
        }
        enabled.push_back(page.Controls.InputVoltageEnabled);
        enabled.push_back(page.Controls.AnalogVoltageEnabled);
        enabled.push_back(page.Controls.LastErrorEnabled);
        return enabled;
    }
    void SetReadingEnables(bool enabled) {
        for (ChannelControls& panel : page.Controls.Channels) {
            panel.SetEnabled(PanelControl::Temperature, enabled);
            panel.SetEnabled(PanelControl::TesselTemperature, enabled);
            panel.SetEnabled(PanelControl::Voltage, enabled);
        }
        page.Controls.InputVoltageEnabled = enabled;
        page.Controls.AnalogVoltageEnabled = enabled;
        page.Controls.LastErrorEnabled = enabled;
    }

    SimUnit unit;
    SimTcpServer server{unit};
    FakeServices fs;
    CTabDlg system;
    CLumatrelDlg page{fs.Services()};
};

class Monitoring : public MonitoredPage, public ::testing::Test {};

TEST_F(Monitoring, AConnectStartsTheThreeTimers) {
    SetReadingEnables(false);
    ASSERT_TRUE(Connect());
    EXPECT_EQ(Timers().Running, (Running{{1, 3000}, {2, 3000}, {3, 3000}}));
    const auto started =
        std::find(Log().begin(), Log().end(), ">> Monitoring temperature conditions is started");
    ASSERT_NE(started, Log().end());
    ASSERT_GE(Log().end() - started, 3);
    EXPECT_EQ(*(started + 1), ">> Monitoring voltage conditions is started");
    EXPECT_EQ(*(started + 2), ">> Monitoring error conditions is started");
    EXPECT_EQ(ReadingEnables(), std::vector<bool>(15, true));
}

TEST_F(Monitoring, TicksBringTheReadingsToTheControlsAndLogNothing) {
    ASSERT_TRUE(Connect());
    SimChannel lit = unit.Channel(0);
    lit.On = true;
    lit.Current = 1000;
    unit.SetChannel(0, lit);
    page.Controls.Channels[0].CurrentEdit = "999"; // the operator is typing
    const std::size_t logged = Log().size();

    Timers().Fire(1);
    const std::string first = page.Controls.Channels[0].Temperature;
    Timers().Fire(1);
    const std::string second = page.Controls.Channels[0].Temperature;
    EXPECT_GT(ReadInteger(second), ReadInteger(first)) << "a lit channel warms up";
    EXPECT_EQ(page.Controls.Channels[1].Temperature, "25");
    EXPECT_EQ(page.Controls.Channels[1].TesselTemperature, "24");
    EXPECT_EQ(page.Controls.Channels[0].TesselTemperature, page.TesselTemperatureText[0]);

    Timers().Fire(2);
    EXPECT_GT(ReadInteger(page.Controls.Channels[0].Voltage), 30000);
    EXPECT_EQ(page.Controls.Channels[1].Voltage, "0");
    EXPECT_EQ(page.Controls.InputVoltage, "24000");
    EXPECT_EQ(page.Controls.AnalogVoltage, "0");

    Timers().Fire(3);
    EXPECT_EQ(page.Controls.LastError, "Code 0, \"no error state\"");

    EXPECT_EQ(unit.ReceivedCommands(), (Lines{"TE", "TE", "VT", "ER"}));
    EXPECT_EQ(Log().size(), logged) << "good readings are not logged";
    EXPECT_EQ(page.Controls.Channels[0].CurrentEdit, "999");
    EXPECT_NE(page.Link, nullptr);
}

TEST_F(Monitoring, ATemperatureStatusPartIsLoggedAndTheReadingsStillTaken) {
    ASSERT_TRUE(Connect());
    unit.SetErrorCode(204);
    const std::size_t logged = Log().size();
    Timers().Fire(1);
    EXPECT_EQ(Since(logged), Lines{"++ Error: Code 204, \"warning temperature exeeds limits\""});
    EXPECT_EQ(page.Controls.Channels[3].Temperature, "25");
}

TEST_F(Monitoring, TheMenuSwitchesStartAndStopTheirTimers) {
    page.MonitorTemperature = 0;
    page.MonitorVoltage = 0;
    page.MonitorError = 0;
    page.ToggleMonitorTemperature(); // no link yet: only the switch changes
    EXPECT_EQ(page.MonitorTemperature, 1);
    EXPECT_EQ(Log().back(), "++ Error: No host connection to RKM5 device active.");
    EXPECT_TRUE(Timers().Running.empty());

    ASSERT_TRUE(Connect());
    EXPECT_EQ(Timers().Running, (Running{{1, 3000}}));
    EXPECT_TRUE(Logged(">> Monitoring voltage conditions is stopped"));
    EXPECT_TRUE(Logged(">> Monitoring error conditions is stopped"));
    EXPECT_TRUE(page.Controls.Channels[2].IsEnabled(PanelControl::TesselTemperature));
    EXPECT_FALSE(page.Controls.Channels[2].IsEnabled(PanelControl::Voltage));
    EXPECT_FALSE(page.Controls.InputVoltageEnabled);
    EXPECT_FALSE(page.Controls.LastErrorEnabled);

    std::size_t logged = Log().size();
    page.ToggleMonitorTemperature();
    EXPECT_EQ(page.MonitorTemperature, 0);
    EXPECT_TRUE(Timers().Running.empty());
    EXPECT_EQ(Since(logged), (Lines{">> Monitoring temperature conditions is stopped",
                                    ">> Monitoring voltage conditions is stopped",
                                    ">> Monitoring error conditions is stopped"}));
    EXPECT_FALSE(page.Controls.Channels[0].IsEnabled(PanelControl::Temperature));

    logged = Log().size();
    page.ToggleMonitorVoltage();
    EXPECT_EQ(Timers().Running, (Running{{2, 3000}}));
    EXPECT_EQ(Since(logged)[1], ">> Monitoring voltage conditions is started");
    EXPECT_TRUE(page.Controls.AnalogVoltageEnabled);
    page.ToggleMonitorError();
    EXPECT_EQ(Timers().Running, (Running{{2, 3000}, {3, 3000}}));
}

TEST_F(Monitoring, WithoutModulesNothingIsPolledButTheFieldsAreEnabled) {
    unit.SetLayout({0, 0, 0, 0});
    SetReadingEnables(false);
    const std::size_t before = Log().size();
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(Timers().Running.empty());
    const Lines added = Since(before);
    EXPECT_EQ(std::count(added.begin(), added.end(), kNoModule), 3);
    EXPECT_EQ(ReadingEnables(), std::vector<bool>(15, true));
    EXPECT_EQ(page.Controls.Channels[0].Caption, "");
}

struct ErrorRow {
    const char* Name;
    const char* Token; // how the unit begins its answer to "ER"
    int Code;
    const char* Field;   // the last-error field afterwards
    const char* LogLine; // nullptr: nothing logged
    const char* Summary; // the module view's status line afterwards
};

// Failure messages name the row.
void PrintTo(const ErrorRow& row, std::ostream* os) {
    *os << row.Name;
}

class ErrorReplies : public MonitoredPage, public ::testing::TestWithParam<ErrorRow> {};

TEST_P(ErrorReplies, SetTheFieldLogAndReport) {
    const ErrorRow& row = GetParam();
    ASSERT_TRUE(Connect());
    system.ViewMode = 1;
    page.TesselGroupSerNr = 4711;
    page.LastErrorText = "earlier";
    page.Controls.LastError = "earlier";
    unit.SetErrorReplyToken(row.Token);
    unit.SetErrorCode(row.Code);
    const std::size_t logged = Log().size();

    Timers().Fire(3);
    EXPECT_EQ(page.Controls.LastError, row.Field);
    EXPECT_EQ(page.LastErrorText, row.Field);
    EXPECT_EQ(Since(logged), row.LogLine != nullptr ? Lines{row.LogLine} : Lines{});
    EXPECT_EQ(system.ErrorSummary, row.Summary);
    EXPECT_NE(page.Link, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ErrorReplies,
    ::testing::Values(
        ErrorRow{"CodeZeroIsShownQuietlyAndStillReported", "er", 0, "Code 0, \"no error state\"",
                 nullptr, "no errors detecte:Tessel 4711 at Rkm5 777"},
        ErrorRow{"ARaisedCodeIsLogged", "er", 205, "Code 205, \"maximum temperature exeeded\"",
                 "++ Error: Code 205, \"maximum temperature exeeded\"",
                 "Error 205 at Tessel 4711 at Rkm5 777"},
        ErrorRow{"AnUnknownCodeIsNamedSo", "er", 999, "999 Unkonwn error code",
                 "++ Error: 999 Unkonwn error code", "Error 999 at Tessel 4711 at Rkm5 777"},
        ErrorRow{"AnUpperCaseTokenIsIgnored", "ER", 205, "earlier", nullptr, "no errors detected"},
        ErrorRow{"ALongerTokenIsIgnored", "err", 205, "earlier", nullptr, "no errors detected"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Monitoring, EveryErrorTickReportsAgainWithoutGrowingTheSummary) {
    ASSERT_TRUE(Connect());
    system.ViewMode = 1;
    page.TesselGroupSerNr = 4711;
    unit.SetErrorCode(204);
    for (int i = 0; i < 3; ++i) {
        Timers().Fire(3);
    }
    // One page: every report is a whole round, so each starts the text afresh.
    EXPECT_EQ(system.ErrorSummary, "Error 204 at Tessel 4711 at Rkm5 777");
    EXPECT_EQ(system.ErrorCount, 0);
    EXPECT_EQ(std::count(Log().begin(), Log().end(),
                         std::string("++ Error: Code 204, \"warning temperature exeeds limits\"")),
              3);
}

struct LostRow {
    const char* Name;
    int Timer;
    const char* ExceptionLine;
};

// Failure messages name the row.
void PrintTo(const LostRow& row, std::ostream* os) {
    *os << row.Name;
}

class LostDuringATick : public MonitoredPage, public ::testing::TestWithParam<LostRow> {};

TEST_P(LostDuringATick, EndsTheConnectionOnceWithItsTexts) {
    const LostRow& row = GetParam();
    ASSERT_TRUE(Connect());
    SimFaults faults;
    faults.CloseMidReply = true;
    unit.SetFaults(faults);

    Timers().Fire(row.Timer);
    EXPECT_EQ(page.Link, nullptr);
    EXPECT_EQ(page.IsConnected, 0);
    EXPECT_TRUE(Timers().Running.empty());
    EXPECT_EQ(fs.prompter.Messages,
              std::vector<std::string>{"TCP connection lost RKM5 SerialNumber: 777"});
    const auto at = std::find(Log().begin(), Log().end(), row.ExceptionLine);
    ASSERT_NE(at, Log().end());
    ASSERT_NE(at, Log().begin());
    EXPECT_FALSE((at - 1)->empty()) << "the transport's message comes first";
    EXPECT_EQ(system.TabCtrl.Items[0].Title, "NC:777");
    EXPECT_EQ(system.ErrorSummary, "no errors detected");

    // The other ticks find no link and do nothing.
    const std::size_t logged = Log().size();
    for (int id : {1, 2, 3}) {
        page.OnMonitorTimer(id);
    }
    EXPECT_EQ(Log().size(), logged);
    EXPECT_EQ(fs.prompter.Messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LostDuringATick,
    ::testing::Values(
        LostRow{"Temperature", 1, "  Exception: IO-error temperature monitoring on Tcp interface"},
        LostRow{"Voltage", 2, "   Exception: IO-error led voltage monitoring on Tcp interface"},
        LostRow{"ErrorStateUsesTheVoltageText", 3,
                "   Exception: IO-error led voltage monitoring on Tcp interface"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
