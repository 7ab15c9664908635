#include "SimTcpServer.h"
#include "SimUnit.h"
#include "link/CRKM5Tcpio.h"
#include "platform/Format.h"
#include "protocol/NextToken.h"
#include "protocol/Readings.h"
#include "support/Fakes.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// A unit page on the selected first tab, its link open to a simulated unit over TCP.
class SimulatedUnit {
public:
    SimulatedUnit() : page(services.Services()) {
        window.Units[0] = &page;
        window.TabCtrl.AddPage("RKM5 No.1\nTesselSerNr:", &page, 1);
        window.TabCtrl.SelectPage(0);
        page.SystemWindow = &window;
    }
    ~SimulatedUnit() {
        delete page.Link;
        page.Link = nullptr;
        page.TcpLink = nullptr;
    }

    // False with the transport's message when the session could not be opened.
    testing::AssertionResult Open() {
        auto* tcp = new CRKM5Tcpio(services.pause);
        page.Link = page.TcpLink = tcp;
        if (tcp->Open("127.0.0.1", server.Port()) != 0) {
            return testing::AssertionFailure() << tcp->m_strMessage;
        }
        page.IsConnected = 1;
        return testing::AssertionSuccess();
    }

    // The log entries added since `before`.
    Strings LogSince(std::size_t before) const {
        const Strings& log = page.Controls.LogEntries;
        return Strings(log.begin() + static_cast<std::ptrdiff_t>(before), log.end());
    }

    SimUnit unit;
    SimTcpServer server{unit};
    FakeServices services;
    CTabDlg window;
    CLumatrelDlg page;
};

// One command through the link: the unit's state before, the reply the link must return,
// and what the interpreter must log and set from it.
struct RoundTripRow {
    const char* Name;
    std::string Command;
    std::function<void(SimUnit&)> Arrange;
    std::string Reply;
    Strings Log;
    std::function<void(const CLumatrelDlg&, const SimUnit&)> Check;
};

const RoundTripRow kRoundTrips[] = {
    {"FirmwareRelease",
     "VR",
     nullptr,
     "vr 05,01",
     {"Firmware version reported: vr 05,01"},
     [](const CLumatrelDlg& p, const SimUnit&) { EXPECT_EQ(p.FirmwareText, "05.01"); }},
    {"SerialNumberFromHardwareInfo",
     "IF",
     nullptr,
     "if RKM5,4.1,10001,1",
     {"Hardware Info: if RKM5,4.1,10001,1"},
     [](const CLumatrelDlg& p, const SimUnit&) { EXPECT_EQ(p.SerNrText, "10001"); }},
    {"ModuleOfAChannel",
     "ILA B",
     [](SimUnit& u) {
         SimChannel channel = u.Channel(1);
         channel.TesselSerNr = 4711;
         channel.ModuleCount = 2;
         u.SetChannel(1, channel);
     },
     "il 04711,2",
     {"Tessel EEPROM-Info part A: il 04711,2"},
     [](const CLumatrelDlg& p, const SimUnit&) {
         EXPECT_EQ(p.TesselSerNrText[1], "4711");
         EXPECT_EQ(p.ModulesInUse[1], 2);
     }},
    {"ModuleCurrentLimits",
     "ILB C",
     [](SimUnit& u) {
         SimChannel channel = u.Channel(2);
         channel.CurrentMax = 1500;
         channel.CurrentMin = 300;
         u.SetChannel(2, channel);
     },
     "il 1500,300",
     {"Tessel II EEPROM-Info part B: il 1500,300"},
     [](const CLumatrelDlg& p, const SimUnit&) {
         EXPECT_EQ(p.CurrentMaxText[2], "1500mA");
         EXPECT_EQ(p.CurrentMinText[2], "300");
     }},
    {"ChannelCurrentSet",
     "IY G 700",
     nullptr,
     "iy G 700",
     {"Current setting value(s) updated according to: iy G 700"},
     [](const CLumatrelDlg& p, const SimUnit& u) {
         EXPECT_EQ(p.CurrentSetpoint[2], 700);
         EXPECT_EQ(u.Channel(2).Current, 700);
         EXPECT_EQ(p.Controls.Channels[2].SliderPos, 700);
     }},
    {"CurrentOutOfRangeCarriesAStatusPart",
     "IY F 5000",
     nullptr,
     "iy F 200;er 102",
     {"++ Error: Code 102, \"parameter out of range\"",
      "Current setting value(s) updated according to: iy F 200;er 102"},
     [](const CLumatrelDlg& p, const SimUnit&) { EXPECT_EQ(p.CurrentSetpoint[1], 200); }},
    {"CurrentReadOut",
     "IY",
     [](SimUnit& u) {
         SimChannel channel = u.Channel(3);
         channel.Current = 1200;
         u.SetChannel(3, channel);
     },
     "iy 200,200,200,1200",
     {"actual values of current for channel A B C D read: iy 200,200,200,1200"},
     [](const CLumatrelDlg& p, const SimUnit&) {
         EXPECT_EQ(p.CurrentSetpoint, (std::array<std::int32_t, 4>{200, 200, 200, 1200}));
     }},
    {"OperatingModeSet",
     "MO 2",
     nullptr,
     "mo 2",
     {"Operation mode set to: PWM Controlled-Mode",
      "New operation mode will come into effect after next power on!"},
     [](const CLumatrelDlg& p, const SimUnit& u) {
         EXPECT_EQ(p.OperatingMode, 2);
         EXPECT_EQ(u.OperatingMode(), 2);
     }},
    {"ErrorState",
     "ER",
     [](SimUnit& u) { u.SetErrorCode(204); },
     "er 204",
     {"++ Error: Code 204, \"warning temperature exeeds limits\""},
     nullptr},
};

class RoundTrips : public testing::TestWithParam<RoundTripRow> {};

TEST_P(RoundTrips, TheInterpreterGetsWhatTheLinkReturns) {
    const RoundTripRow& row = GetParam();
    SimulatedUnit fx;
    if (row.Arrange) {
        row.Arrange(fx.unit);
    }
    ASSERT_TRUE(fx.Open());
    const std::size_t before = fx.page.Controls.LogEntries.size();
    std::string reply;
    fx.page.ExchangeCommand(row.Command, reply, 0);
    EXPECT_EQ(reply, row.Reply);
    EXPECT_EQ(fx.LogSince(before), row.Log);
    EXPECT_NE(fx.page.Link, nullptr);
    if (row.Check) {
        row.Check(fx.page, fx.unit);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, RoundTrips, testing::ValuesIn(kRoundTrips),
                         [](const testing::TestParamInfo<RoundTripRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST(MonitoringRoundTrip, ReadingsFollowTheUnitAndLogNothing) {
    SimulatedUnit fx;
    SimChannel lit = fx.unit.Channel(0);
    lit.On = true;
    lit.Current = 1000;
    fx.unit.SetChannel(0, lit);
    ASSERT_TRUE(fx.Open());
    const std::size_t before = fx.page.Controls.LogEntries.size();

    std::string reply;
    fx.page.ExchangeTemperature("TE", reply);
    const SimChannel after = fx.unit.Channel(0);
    EXPECT_EQ(fx.page.TemperatureText[0], std::to_string(after.ControllerTemp)) << reply;
    EXPECT_EQ(fx.page.TesselTemperatureText[0], std::to_string(after.TesselTemp)) << reply;

    fx.page.ExchangeVoltage("VT", reply);
    EXPECT_EQ(fx.page.InputVoltageText, std::to_string(fx.unit.State().InputVoltageMv));
    std::int32_t position = 0;
    std::string ledA;
    for (int field = 0; field < 4; ++field) {
        ledA = NextToken(reply, field == 0 ? " " : ",", position);
    }
    EXPECT_NE(ledA, "0") << reply;
    EXPECT_EQ(fx.page.VoltageText[0], Format("%d", LedMillivolts(ledA))) << reply;

    EXPECT_EQ(fx.LogSince(before), Strings{});
}

TEST(MonitoringRoundTrip, TheUnitsErrorStateRidesAlongAsAStatusPart) {
    SimulatedUnit fx;
    fx.unit.SetErrorCode(205);
    ASSERT_TRUE(fx.Open());
    const std::size_t before = fx.page.Controls.LogEntries.size();
    std::string reply;
    fx.page.ExchangeVoltage("VT", reply);
    EXPECT_EQ(fx.LogSince(before), Strings{"++ Error: Code 205, \"maximum temperature exeeded\""});
    EXPECT_EQ(fx.page.InputVoltageText, "24000");
}

} // namespace
