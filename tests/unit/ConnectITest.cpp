#include "SimDiscovery.h"
#include "SimTcpServer.h"
#include "SimUnit.h"
#include "dialogs/CTcpConfig.h"
#include "link/CRKM5Tcpio.h"
#include "support/Fakes.h"
#include "support/LostLink.h"
#include "support/ScriptedPeer.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A unit page in the first tab of a system window, pointed at a simulated unit over TCP.
class TcpConnection : public ::testing::Test {
protected:
    TcpConnection() {
        system.Units[0] = &page;
        system.UnitCount = 1;
        page.SystemWindow = &system;
        system.TabCtrl.AddPage("RKM5 No.1\nTesselSerNr:", &page, 0);
        system.TabCtrl.SelectPage(0);
        page.SelectedIf = "TCP";
        page.IpAdr = "127.0.0.1";
        page.IpPort = server.Port();
    }
    ~TcpConnection() override { page.SwitchOffAndDisconnect(); }

    // The log lines from the first one equal to `from` on.
    std::vector<std::string> LogFrom(const std::string& from) const {
        const auto& log = page.Controls.LogEntries;
        const auto it = std::find(log.begin(), log.end(), from);
        return {it, log.end()};
    }
    bool Logged(const std::string& line) const {
        const auto& log = page.Controls.LogEntries;
        return std::find(log.begin(), log.end(), line) != log.end();
    }
    std::string Port() const { return std::to_string(server.Port()); }
    const CibTabCtrl::Item& Tab() const { return system.TabCtrl.Items[0]; }

    SimUnit unit;
    SimTcpServer server{unit};
    FakeServices fs;
    CTabDlg system;
    CLumatrelDlg page{fs.Services()};
};

// A reset recomputes the assignment of no modules, then ends the connection.
const std::vector<std::string> kResetLines = {">> No Channel connected",
                                              ">> Info: Disconnect complete",
                                              "     ------------------------------"};

} // namespace

TEST_F(TcpConnection, ConnectOpensTheSessionAndTitlesTheTab) {
    page.ConnectTcp();
    ASSERT_NE(page.Link, nullptr);
    EXPECT_EQ(page.Link, page.TcpLink);
    EXPECT_EQ(page.SerialLink, nullptr);
    EXPECT_EQ(page.IsConnected, 1);
    EXPECT_EQ(page.UsedIf, "TCP");
    EXPECT_EQ(page.InterfaceText, "TCP");
    EXPECT_EQ(page.StatusText, "Connected: 127.0.0.1");
    const std::vector<std::string> head = {
        ">> Initiating connection to RKM5 via TCP(Telent) ...",
        ">> TCP connection opend sucessfully, Ip Addr 127.0.0.1, port Number " + Port()};
    ASSERT_GE(page.Controls.LogEntries.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(page.Controls.LogEntries.begin(),
                                       page.Controls.LogEntries.begin() + 2),
              head);
    EXPECT_EQ(Tab().Title.rfind("TCP:" + page.SerNrText + "\nTesselSerNr:", 0), 0u);
    EXPECT_EQ(Tab().Image, 1);
}

TEST_F(TcpConnection, TheTabTitleNamesTheModulesWithFourDigitsEach) {
    SimChannel b;
    b.TesselSerNr = 12;
    b.ModuleCount = 1;
    SimChannel d;
    d.TesselSerNr = 815;
    d.ModuleCount = 1;
    unit.SetChannel(0, SimChannel{});
    unit.SetChannel(1, b);
    unit.SetChannel(2, SimChannel{});
    unit.SetChannel(3, d);
    page.TesselSerNrText = {"", "12", "", "0815"};
    page.ConnectTcp();
    ASSERT_NE(page.Link, nullptr);
    EXPECT_EQ(Tab().Title, "TCP:" + page.SerNrText + "\nTesselSerNr: 0012 0815");
    EXPECT_EQ(page.TesselSerNr[1], 12);
    EXPECT_EQ(page.TesselSerNr[3], 815);
    EXPECT_EQ(system.ChannelMap.UsedCount(), 2);
}

TEST_F(TcpConnection, ConnectingAgainClosesTheOldSessionFirstAndKeepsTheKeyCounts) {
    page.TesselSerNrText = {"4711", "", "", ""};
    page.ConnectTcp();
    ASSERT_NE(page.Link, nullptr);
    const auto entries = system.ChannelMap.Entries();
    page.Controls.LogEntries.clear();
    fs.pause.Waits.clear();

    page.ConnectTcp();
    ASSERT_NE(page.Link, nullptr);
    const std::vector<std::string> expected = {
        ">> Initiating connection to RKM5 via TCP(Telent) ...", ">> Closing existing connection...",
        ">> Timer reading temperature and Voltage is stopped",
        ">> TCP connection opend sucessfully, Ip Addr 127.0.0.1, port Number " + Port()};
    ASSERT_GE(page.Controls.LogEntries.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(page.Controls.LogEntries.begin(),
                                       page.Controls.LogEntries.begin() + 4),
              expected);
    EXPECT_EQ(fs.pause.Waits.front(), 3000);
    EXPECT_EQ(server.SessionCount(), 2);
    EXPECT_EQ(system.ChannelMap.Entries()[0].Key, entries[0].Key);
    EXPECT_EQ(system.ChannelMap.Entries()[0].Count, entries[0].Count);
}

TEST_F(TcpConnection, AFailedOpenLeavesThePageDisconnectedWithTheReason) {
    page.IpPort = UnusedLoopbackPort();
    page.ConnectTcp();
    EXPECT_EQ(page.Link, nullptr);
    EXPECT_EQ(page.TcpLink, nullptr);
    EXPECT_EQ(page.IsConnected, 0);
    EXPECT_EQ(page.UsedIf, "TCP");
    EXPECT_EQ(
        page.Controls.LogEntries,
        (std::vector<std::string>{">> Initiating connection to RKM5 via TCP(Telent) ...",
                                  "++ Error -4018: Could not open RKM device, IP=127.0.0.1, Port=" +
                                      std::to_string(page.IpPort),
                                  "++ Could not connect to RKM on 127.0.0.1, error code 111"}));
    EXPECT_EQ(Tab().Title, "RKM5 No.1\nTesselSerNr:");
}

TEST_F(TcpConnection, ALinkLostDuringTheIdentificationLeavesThePageNotConnected) {
    page.SerNr = "777";
    BreakReplies(unit);
    page.ConnectTcp();
    ExpectLostWhileConnecting(system, page, fs.prompter,
                              "TCP connection lost RKM5 SerialNumber: 777");
}

// A unit set up through its menus has no serial number of its own; once lost, it is known by
// the one it reported when it was connected.
TEST_F(TcpConnection, AUnitLostAfterItsIdentificationIsNamedByTheSerialNumberItReported) {
    struct Row {
        const char* name;
        const char* configured;
        const char* named;
    };
    for (const Row& row :
         {Row{"none configured", "", "10001"},
          Row{"none after a save", "no RKM5 selected", "10001"}, Row{"configured", "777", "777"}}) {
        SCOPED_TRACE(row.name);
        page.SerNr = row.configured;
        unit.SetFaults(SimFaults{});
        page.ConnectTcp();
        ASSERT_NE(page.Link, nullptr);
        ASSERT_EQ(page.SerNrText, "10001");
        fs.prompter.Messages.clear();
        BreakReplies(unit);
        std::string reply;
        page.ExchangeCommand("VR", reply, 0);
        ASSERT_EQ(page.Link, nullptr);
        EXPECT_EQ(fs.prompter.Messages,
                  std::vector<std::string>{std::string("TCP connection lost RKM5 SerialNumber: ") +
                                           row.named});
        EXPECT_EQ(Tab().Title, std::string("NC:") + row.named);
        EXPECT_EQ(page.SerNr, row.named);
    }
}

TEST_F(TcpConnection, AHostNameOnceUsedStaysAsTheAddress) {
    page.HostName = "localhost";
    page.ConnectTcp();
    ASSERT_NE(page.Link, nullptr);
    EXPECT_EQ(page.IpAdr, "localhost");
    EXPECT_EQ(page.StatusText, "Connected: localhost");
}

TEST_F(TcpConnection, DisconnectSwitchesTheLedsOffAndRetitlesTheTab) {
    page.ConnectTcp();
    ASSERT_NE(page.Link, nullptr);
    page.Controls.Channels[0].OnOff = true;
    fs.pause.Waits.clear();
    unit.ClearReceivedCommands();

    page.DisconnectTcp();
    EXPECT_EQ(page.Link, nullptr);
    EXPECT_EQ(page.TcpLink, nullptr);
    EXPECT_EQ(page.IsConnected, 0);
    EXPECT_FALSE(page.Controls.Channels[0].OnOff);
    EXPECT_EQ(unit.ReceivedCommands(), std::vector<std::string>{"LC 0"});
    EXPECT_EQ(Tab().Title, "RKM5:No.1\nTesselSerNr:");
    EXPECT_EQ(Tab().Image, 0);
    EXPECT_EQ(fs.pause.Waits.front(), 3000);
    const auto tail = LogFrom(">> Timer reading temperature and Voltage is stopped");
    ASSERT_GE(tail.size(), 4u);
    EXPECT_EQ(tail[1], "All LEDs switched off, Send: LC 0");
    EXPECT_EQ(std::vector<std::string>(tail.end() - 3, tail.end()), kResetLines);
    EXPECT_TRUE(fs.prompter.Messages.empty());
}

TEST_F(TcpConnection, AFailedCloseIsLoggedAndThePageResetAllTheSame) {
    page.ConnectTcp();
    ASSERT_NE(page.Link, nullptr);
    SimFaults faults;
    faults.QuitWithoutLine = true;
    unit.SetFaults(faults);
    page.DisconnectTcp();
    EXPECT_EQ(page.Link, nullptr);
    const auto tail =
        LogFrom("++ Disconnect TCP/telnet session failed, error -4027, IP address 127.0.0.1");
    ASSERT_EQ(tail.size(), 5u);
    EXPECT_EQ(tail[1], "++ Error -4025: emptying recv queue, error code 0");
    EXPECT_EQ(std::vector<std::string>(tail.begin() + 2, tail.end()), kResetLines);
}

TEST_F(TcpConnection, AnIoErrorDuringTheSwitchOffEndsTheConnectionAsLost) {
    page.SerNr = "777";
    page.ConnectTcp();
    ASSERT_NE(page.Link, nullptr);
    SimFaults faults;
    faults.CloseMidReply = true;
    unit.SetFaults(faults);
    fs.pause.Waits.clear();
    page.DisconnectTcp();
    EXPECT_EQ(page.Link, nullptr);
    EXPECT_EQ(fs.prompter.Messages,
              std::vector<std::string>{"TCP connection lost RKM5 SerialNumber: 777"});
    EXPECT_TRUE(Logged("  Exception: IO-error on Tcp interface"));
    EXPECT_EQ(Tab().Title, "RKM5:No.1\nTesselSerNr:");
    EXPECT_TRUE(fs.pause.Waits.empty());
}

TEST_F(TcpConnection, WithoutAConnectionDisconnectOnlyRetitlesTheTab) {
    page.IsConnected = 1;
    page.DisconnectRs232();
    EXPECT_EQ(Tab().Title, "RKM5: No.1\nTesselSerNr:");
    EXPECT_EQ(page.IsConnected, 0);
    EXPECT_TRUE(page.Controls.LogEntries.empty());
}

TEST_F(TcpConnection, SwitchOffAndDisconnectLeavesTheTitleAndWaitsForNothing) {
    page.ConnectTcp();
    ASSERT_NE(page.Link, nullptr);
    const std::string title = Tab().Title;
    fs.pause.Waits.clear();
    unit.ClearReceivedCommands();
    page.SwitchOffAndDisconnect();
    EXPECT_EQ(page.Link, nullptr);
    EXPECT_EQ(unit.ReceivedCommands(), std::vector<std::string>{"LC 0"});
    EXPECT_EQ(Tab().Title, title);
    EXPECT_EQ(page.IsConnected, 1);
    // The session's own close makes the one 300 ms pause.
    EXPECT_EQ(fs.pause.Waits, std::vector<int>{300});
}

TEST_F(TcpConnection, TheNetworkNamesTheAddressOfAKnownSerialNumber) {
    SimIdentity id = unit.Identity();
    id.SerialNumber = "9001";
    unit.SetIdentity(id);
    fs.adapters = FixedNetworkAdapters({{"lo", 0x7F000001, 0xFF000000}});
    CLumatrelDlg lost(fs.Services());
    SimDiscovery responder(unit, fs.discoveryPort);
    lost.SerNr = "9001";
    lost.IpAdr = "127.0.0.99";
    lost.RefreshIpBySerial();
    EXPECT_EQ(lost.IpAdr, "127.0.0.1");
    EXPECT_EQ(responder.Enquiries(), 1);

    lost.IpAdr = "127.0.0.99";
    lost.ManualIp = true;
    lost.RefreshIpBySerial();
    EXPECT_EQ(lost.IpAdr, "127.0.0.99");
    lost.ManualIp = false;
    lost.SerNr = "";
    lost.RefreshIpBySerial();
    EXPECT_EQ(lost.IpAdr, "127.0.0.99");
    EXPECT_EQ(responder.Enquiries(), 1);
}
