#include "SimSerialPort.h"
#include "SimUnit.h"
#include "link/CRKM5Serio.h"
#include "link/FormatSystemError.h"
#include "support/Fakes.h"
#include "support/LostLink.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

namespace {

// A unit page in the first tab of a system window, pointed at a simulated serial unit.
class SerialConnection : public ::testing::Test {
protected:
    SerialConnection() {
        system.Units[0] = &page;
        system.UnitCount = 1;
        page.SystemWindow = &system;
        system.TabCtrl.AddPage("RKM5 No.1\nTesselSerNr:", &page, 0);
        system.TabCtrl.SelectPage(0);
        unit.SetLayout({2, 0, 1, 1}, 4711);
        page.SelectedIf = "RS232";
        page.PortRs232 = port.SlavePath();
        page.Baudrate = 115200;
    }
    ~SerialConnection() override { page.SwitchOffAndDisconnect(); }

    const std::vector<std::string>& Log() const { return page.Controls.LogEntries; }
    const CibTabCtrl::Item& Tab() const { return system.TabCtrl.Items[0]; }

    SimUnit unit;
    SimSerialPort port{unit};
    FakeServices fs;
    CTabDlg system;
    CLumatrelDlg page{fs.Services()};
};

} // namespace

TEST_F(SerialConnection, ConnectOpensThePortIdentifiesTheUnitAndTitlesTheTab) {
    page.ConnectRs232();
    ASSERT_NE(page.Link, nullptr);
    EXPECT_EQ(page.Link, page.SerialLink);
    EXPECT_EQ(page.TcpLink, nullptr);
    EXPECT_EQ(page.IsConnected, 1);
    EXPECT_EQ(page.UsedIf, "RS232");
    EXPECT_EQ(page.InterfaceText, "RS232");
    EXPECT_EQ(page.StatusText, "Connected: " + port.SlavePath());
    ASSERT_GE(Log().size(), 3u);
    EXPECT_EQ(std::vector<std::string>(Log().begin(), Log().begin() + 3),
              (std::vector<std::string>{">> Initiating connection to RKM5 via RS232 ...",
                                        ">> Device " + port.SlavePath() + " opend sucessfully",
                                        ">> Connection to RKM5 via RS232 active..."}));
    // Modules on A (two channels), C and D; the module on A is reported on B as well.
    EXPECT_EQ(page.ModulesInUse, (std::array<std::int32_t, 4>{2, 0, 1, 1}));
    EXPECT_EQ(Tab().Title.rfind("RS232:" + page.SerNrText + "\nTesselSerNr:4711", 0), 0u)
        << Tab().Title;
    EXPECT_EQ(Tab().Image, 1);
    EXPECT_GT(system.ChannelMap.UsedCount(), 0);
}

TEST_F(SerialConnection, AMissingPortLeavesThePageDisconnectedWithTheSystemText) {
    page.PortRs232 = "/dev/lumatrel-no-such-port";
    page.ConnectRs232();
    EXPECT_EQ(page.Link, nullptr);
    EXPECT_EQ(page.SerialLink, nullptr);
    EXPECT_EQ(page.IsConnected, 0);
    EXPECT_EQ(page.UsedIf, "RS232");
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         ">> Initiating connection to RKM5 via RS232 ...",
                         "++ Error -1001: Couldn't open port /dev/lumatrel-no-such-port",
                         FormatSystemError(ENOENT)}));
    EXPECT_EQ(Tab().Title, "RKM5 No.1\nTesselSerNr:");
}

TEST_F(SerialConnection, ALinkLostDuringTheIdentificationLeavesThePageNotConnected) {
    page.SerNr = "777";
    BreakReplies(unit);
    page.ConnectRs232();
    ExpectLostWhileConnecting(system, page, fs.prompter,
                              "RS232 connection lost RKM5 SerialNumber: 777");
}

TEST_F(SerialConnection, AUnitSetUpThroughItsMenusIsLostUnderTheSerialNumberItReported) {
    ASSERT_EQ(page.SerNr, "");
    page.ConnectRs232();
    ASSERT_NE(page.Link, nullptr);
    const std::string reported = unit.Identity().SerialNumber;
    ASSERT_EQ(page.SerNrText, reported);
    BreakReplies(unit);
    std::string reply;
    page.ExchangeCommand("VR", reply, 0);
    ASSERT_EQ(page.Link, nullptr);
    EXPECT_EQ(fs.prompter.Messages,
              std::vector<std::string>{"RS232 connection lost RKM5 SerialNumber: " + reported});
    EXPECT_EQ(Tab().Title, "NC:" + reported);
    EXPECT_EQ(page.SerNr, reported);
}

TEST_F(SerialConnection, DisconnectSwitchesOffClosesThePortAndRetitlesTheTab) {
    page.ConnectRs232();
    ASSERT_NE(page.Link, nullptr);
    unit.ClearReceivedCommands();
    fs.pause.Waits.clear();
    page.DisconnectRs232();
    EXPECT_EQ(page.Link, nullptr);
    EXPECT_EQ(page.SerialLink, nullptr);
    EXPECT_EQ(page.IsConnected, 0);
    EXPECT_EQ(unit.ReceivedCommands(), std::vector<std::string>{"LC 0"});
    EXPECT_EQ(fs.pause.Waits, std::vector<int>{3000});
    EXPECT_EQ(Tab().Title, "RKM5: No.1\nTesselSerNr:");
    EXPECT_EQ(Tab().Image, 0);
    EXPECT_EQ(system.ChannelMap.UsedCount(), 0);
    // The port is free again: a new link opens it.
    CRKM5Serio again;
    EXPECT_EQ(again.Open(port.SlavePath(), 115200), 0) << again.m_strMessage;
}

TEST_F(SerialConnection, ConnectingOverTheOtherInterfaceClosesTheSerialLinkFirst) {
    page.ConnectRs232();
    ASSERT_NE(page.Link, nullptr);
    page.Controls.LogEntries.clear();
    page.IpAdr = "127.0.0.1";
    page.IpPort = 1; // nothing listens there
    page.ConnectTcp();
    EXPECT_EQ(page.Link, nullptr);
    EXPECT_EQ(page.SerialLink, nullptr);
    ASSERT_GE(Log().size(), 3u);
    EXPECT_EQ(Log()[1], ">> Closing existing connection...");
    EXPECT_EQ(Log()[2], ">> Timer reading temperature and Voltage is stopped");
    EXPECT_EQ(system.ChannelMap.UsedCount(), 0);
}
