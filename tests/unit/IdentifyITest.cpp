#include "SimTcpServer.h"
#include "SimUnit.h"
#include "link/CRKM5Tcpio.h"
#include "support/Fakes.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Commands = std::vector<std::string>;

const Commands kSequenceHead = {"IF", "VR",    "ID",    "ILA A", "ILA B", "ILA C", "ILA D",
                                "MO", "ILB A", "ILB B", "ILB C", "ILB D", "IY"};
const Commands kInfoC = {"ILC A", "ILC B", "ILC C", "ILC D"};

Commands Join(std::initializer_list<Commands> parts) {
    Commands all;
    for (const Commands& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A unit page in the first tab of a system window, with a link to a simulated unit over TCP
// opened by hand, so that a test runs the identification on its own.
class SimulatedPage {
protected:
    SimulatedPage() {
        system.Units[0] = &page;
        page.SystemWindow = &system;
        system.TabCtrl.AddPage("RKM5 No.1\nTesselSerNr:", &page, 0);
        system.TabCtrl.SelectPage(0);
        page.SerNr = "777";
        page.IpAdr = "127.0.0.1";
        page.IpPort = server.Port();
    }
    ~SimulatedPage() { page.SwitchOffAndDisconnect(); }

    bool OpenLink() {
        auto* tcp = new CRKM5Tcpio(fs.pause);
        if (tcp->Open("127.0.0.1", server.Port()) != 0) {
            ADD_FAILURE() << tcp->m_strMessage;
            delete tcp;
            return false;
        }
        page.Link = page.TcpLink = tcp;
        page.IsConnected = 1;
        unit.ClearReceivedCommands();
        return true;
    }

    // The commands the page logged as sent, in order.
    Commands SentLines() const {
        Commands sent;
        for (const std::string& line : page.Controls.LogEntries) {
            if (line.rfind("Send: ", 0) == 0) {
                sent.push_back(line.substr(6));
            }
        }
        return sent;
    }
    long Count(const std::string& line) const {
        const auto& log = page.Controls.LogEntries;
        return std::count(log.begin(), log.end(), line);
    }
    void SetInfoC(int channel, std::array<std::int32_t, 5> info) {
        SimChannel ch = unit.Channel(channel);
        ch.InfoC = info;
        unit.SetChannel(channel, ch);
    }

    SimUnit unit;
    SimTcpServer server{unit};
    FakeServices fs;
    CTabDlg system;
    CLumatrelDlg page{fs.Services()};
};

class Identification : public SimulatedPage, public ::testing::Test {};

TEST_F(Identification, AnOrdinaryUnitIsLearntWithTheFixedSequence) {
    ASSERT_TRUE(OpenLink());
    page.IdentifyUnit();
    ASSERT_NE(page.Link, nullptr);

    const Commands expected = Join({kSequenceHead, {"VR"}, kInfoC, {"IY"}});
    EXPECT_EQ(unit.ReceivedCommands(), expected);
    EXPECT_EQ(SentLines(), expected);
    EXPECT_EQ(Count("Receive < il 0,0,0,0,0"), 4);

    EXPECT_EQ(page.SerNrText, "10001");
    EXPECT_EQ(page.FirmwareText, "05.01");
    EXPECT_EQ(page.DeviceIdText, "1");
    EXPECT_EQ(page.OperatingMode, 1);
    EXPECT_EQ(page.TesselSerNrText, (std::array<std::string, 4>{"201", "202", "203", "204"}));
    EXPECT_EQ(page.ModulesInUse, (std::array<std::int32_t, 4>{1, 1, 1, 1}));
    EXPECT_EQ(page.CurrentSetpoint, (std::array<std::int32_t, 4>{200, 200, 200, 200}));
    EXPECT_FALSE(page.IsM35);
    for (const ChannelControls& panel : page.Controls.Channels) {
        EXPECT_EQ(panel.SliderMin, 200);
        EXPECT_EQ(panel.SliderMax, 1800);
        EXPECT_EQ(panel.MaxLabel, "1800mA");
        EXPECT_EQ(panel.CurrentEdit, "200");
    }
    EXPECT_EQ(page.Controls.SerNr, "10001");
    EXPECT_EQ(page.Controls.Firmware, "05.01");
}

TEST_F(Identification, TheMakersTextInPlaceOfTheHardwareInfoAsksAgain) {
    unit.ArmMakerText();
    ASSERT_TRUE(OpenLink());
    page.IdentifyUnit();
    const Commands received = unit.ReceivedCommands();
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(Commands(received.begin(), received.begin() + 3), (Commands{"IF", "IF", "VR"}));
    EXPECT_EQ(page.SerNrText, "10001");
}

TEST_F(Identification, ACurrentAboveTheModulesMaximumIsBroughtBackTo200) {
    SimChannel b = unit.Channel(1);
    b.CurrentMax = 1500;
    b.Current = 1700;
    unit.SetChannel(1, b);
    SimChannel c = unit.Channel(2);
    c.CurrentMax = 1500;
    c.Current = 1500; // at the maximum: left alone
    unit.SetChannel(2, c);
    ASSERT_TRUE(OpenLink());
    page.IdentifyUnit();

    EXPECT_EQ(unit.ReceivedCommands(), Join({kSequenceHead, {"IY B 200", "VR"}, kInfoC, {"IY"}}));
    EXPECT_EQ(unit.Channel(1).Current, 200);
    EXPECT_EQ(unit.Channel(2).Current, 1500);
    EXPECT_EQ(page.CurrentSetpoint, (std::array<std::int32_t, 4>{200, 200, 1500, 200}));
    EXPECT_EQ(page.Controls.Channels[1].SliderMax, 1500);
    EXPECT_EQ(page.Controls.Channels[1].SliderPos, 200);
    EXPECT_EQ(page.CurrentMaxText[1], "1500mA");
}

TEST_F(Identification, OnAnM35UnitChannelARangeIsWhatEveryModuleAllows) {
    const std::array<std::int32_t, 4> first = {1500, 1400, 1600, 1450};
    const std::array<std::int32_t, 4> second = {300, 350, 200, 250};
    const std::array<std::int32_t, 4> currents = {500, 600, 700, 800};
    for (int i = 0; i < 4; ++i) {
        SimChannel ch = unit.Channel(i);
        const auto k = static_cast<std::size_t>(i);
        ch.InfoC = {first[k], second[k], 100, 100, 1000};
        ch.Current = currents[k];
        unit.SetChannel(i, ch);
    }
    ASSERT_TRUE(OpenLink());
    page.IdentifyUnit();

    EXPECT_TRUE(page.IsM35);
    EXPECT_EQ(page.CurrentMinText[0], "350");
    EXPECT_EQ(page.CurrentMaxText[0], "1400mA");
    EXPECT_EQ(page.Controls.Channels[0].SliderMin, 350);
    EXPECT_EQ(page.Controls.Channels[0].SliderMax, 1400);
    EXPECT_EQ(page.Controls.Channels[0].MinLabel, "350");
    EXPECT_EQ(page.Controls.Channels[0].MaxLabel, "1400mA");
    // Channel A drives the module, so it takes the largest current.
    EXPECT_EQ(page.CurrentSetpoint, (std::array<std::int32_t, 4>{800, 600, 700, 800}));
    EXPECT_EQ(page.Controls.Channels[0].SliderPos, 800);
    EXPECT_EQ(page.CurrentMaxText[1], "1800mA");
    EXPECT_EQ(Count("Receive < il 1450,250,100,100,1000"), 1);
}

TEST_F(Identification, ModulesWithoutAReferenceTakeNoPartInTheM35Range) {
    SetInfoC(0, {1500, 301, 100, 100, 1200}); // 1250 down to 250.8 at the reference
    SetInfoC(1, {100, 900, 0, 0, 0});
    SetInfoC(2, {0, 0, 0, 0, 0});
    SetInfoC(3, {1450, 250, 100, 100, 1000});
    ASSERT_TRUE(OpenLink());
    page.IdentifyUnit();
    EXPECT_TRUE(page.IsM35);
    EXPECT_EQ(page.CurrentMaxText[0], "1250mA"); // the largest integer not above 1250
    EXPECT_EQ(page.CurrentMinText[0], "251");    // the smallest integer not below 250.83
}

TEST_F(Identification, AModuleLookingLikeM35WithoutTheReference1000IsNoM35) {
    for (int i = 0; i < 4; ++i) {
        SetInfoC(i, {1500, 300, 100, 100, 500});
    }
    ASSERT_TRUE(OpenLink());
    page.IdentifyUnit();
    EXPECT_FALSE(page.IsM35);
    EXPECT_EQ(page.CurrentMaxText[0], "1800mA");
    EXPECT_EQ(page.CurrentMinText[0], "200");
}

TEST_F(Identification, ALinkLostAtTheFirstQueryEndsTheSequence) {
    ASSERT_TRUE(OpenLink());
    SimFaults faults;
    faults.CloseMidReply = true;
    unit.SetFaults(faults);
    page.IdentifyUnit();
    EXPECT_EQ(page.Link, nullptr);
    EXPECT_EQ(SentLines(), Commands{"IF"});
    EXPECT_EQ(fs.prompter.Messages,
              std::vector<std::string>{"TCP connection lost RKM5 SerialNumber: 777"});
    // What the page knew of the set currents stays.
    EXPECT_EQ(page.CurrentSetpoint, (std::array<std::int32_t, 4>{200, 200, 200, 200}));
}

struct ReleaseRow {
    const char* Name;
    SimIdentity Identity; // firmware fields only matter
    const char* FirmwareText;
    bool AsksInfoC;
};

// Failure messages name the row.
void PrintTo(const ReleaseRow& row, std::ostream* os) {
    *os << row.Name;
}

SimIdentity Release(const char* major, const char* minor, bool twoDigitMajor) {
    SimIdentity id;
    id.FirmwareMajor = major;
    id.FirmwareMinor = minor;
    id.FirmwareTwoDigitMajor = twoDigitMajor;
    return id;
}

class FirmwareThreshold : public SimulatedPage, public ::testing::TestWithParam<ReleaseRow> {};

TEST_P(FirmwareThreshold, OnlyNewerFirmwareIsAskedForTheModulesPartC) {
    const ReleaseRow& row = GetParam();
    unit.SetIdentity(row.Identity);
    unit.SetM35(true); // so that the decision shows whether part C was read
    ASSERT_TRUE(OpenLink());
    page.IdentifyUnit();
    EXPECT_EQ(page.FirmwareText, row.FirmwareText);
    const Commands tail = row.AsksInfoC ? Join({{"VR"}, kInfoC, {"IY"}}) : Commands{"VR", "IY"};
    EXPECT_EQ(unit.ReceivedCommands(), Join({kSequenceHead, tail}));
    EXPECT_EQ(page.IsM35, row.AsksInfoC);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareThreshold,
    ::testing::Values(
        ReleaseRow{"Release0423IsTheLastWithout", Release("4", "23", true), "04.23", false},
        ReleaseRow{"Release0424PassesOnItsMinor", Release("4", "24", true), "04.24", true},
        ReleaseRow{"Release500PassesOnItsMajor", Release("5", "00", false), "5.00", true},
        ReleaseRow{"Release0400StaysBelow", Release("4", "00", true), "04.00", false}),
    [](const auto& info) { return std::string(info.param.Name); });

// The whole connect: identification, assignment, panels and monitoring.
class ConnectLayout : public SimulatedPage, public ::testing::Test {};

TEST_F(ConnectLayout, AUnitWithATwoChannelModuleIsLaidOutAndMonitored) {
    unit.SetLayout({2, 0, 1, 1});
    page.ConnectTcp();
    ASSERT_NE(page.Link, nullptr);
    EXPECT_EQ(page.ModulesInUse, (std::array<std::int32_t, 4>{2, 0, 1, 1}));
    EXPECT_EQ(Count(">> Channels used: E F G H "), 1);
    const auto& panels = page.Controls.Channels;
    EXPECT_EQ(panels[0].Caption, "Tessel 1  S/N: 201,  Length 2");
    EXPECT_EQ(panels[1].Caption, "Tessel1");
    EXPECT_EQ(panels[2].Caption, "Tessel 2  S/N: 202,  Length 1");
    EXPECT_EQ(panels[3].Caption, "Tessel 3  S/N: 203,  Length 1");
    EXPECT_FALSE(panels[1].IsVisible(PanelControl::OnOff));
    EXPECT_TRUE(panels[1].IsVisible(PanelControl::Temperature));
    EXPECT_EQ(fs.timers.Created[0]->Running, (std::map<int, int>{{1, 3000}, {2, 3000}, {3, 3000}}));
}

TEST_F(ConnectLayout, ManualAssignmentOnAnM35UnitFallsBackToAutomatic) {
    unit.SetLayout({4, 0, 0, 0});
    unit.SetM35(true);
    page.ChannelAssignment = 1;
    page.ModulesPerChannel = {1, 1, 1, 1};
    page.ConnectTcp();
    ASSERT_NE(page.Link, nullptr);
    EXPECT_TRUE(page.IsM35);
    EXPECT_EQ(Count(">> manualMode M35 not allowed-> use automatic: Manual data ignored!"), 1);
    EXPECT_EQ(page.ModulesInUse, (std::array<std::int32_t, 4>{4, 0, 0, 0}));
    EXPECT_EQ(page.ChannelAssignment, 0);
    EXPECT_EQ(page.Controls.Channels[3].Caption, "Tessel1");
}

} // namespace
