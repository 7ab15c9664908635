#include "SimDiscovery.h"
#include "SimUnit.h"
#include "dialogs/CTcpConfig.h"
#include "support/Fakes.h"
#include "support/ScriptedPeer.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class TcpSettings : public ::testing::Test {
protected:
    // Units answering the enquiry behind one loopback adapter of their own.
    void AddUnit(const std::string& serial, const std::string& address) {
        SimIdentity id;
        id.SerialNumber = serial;
        id.IpAddress = address;
        sims.push_back(std::make_unique<SimUnit>(id));
        responders.push_back(std::make_unique<SimDiscovery>(
            *sims.back(), fs.discoveryPort, "127." + std::to_string(sims.size()) + ".255.255"));
        adapterList.push_back(
            {"lo", 0x7F000001u | (static_cast<std::uint32_t>(sims.size()) << 16), 0xFFFF0000});
        fs.adapters = FixedNetworkAdapters(adapterList);
    }
    CTcpConfig Dialog() { return CTcpConfig(page, fs.adapters, fs.prompter, fs.discoveryPort); }

    FakeServices fs;
    CLumatrelDlg page{fs.Services()};
    std::vector<NetworkAdapter> adapterList;
    std::vector<std::unique_ptr<SimUnit>> sims;
    std::vector<std::unique_ptr<SimDiscovery>> responders;
};

} // namespace

TEST_F(TcpSettings, OpeningShowsTheAddressAndListsTheUnitsFound) {
    AddUnit("1001", "127.0.0.1");
    AddUnit("1002", "127.0.0.2");
    page.IpAdr = "10.1.2.300";
    CTcpConfig dialog = Dialog();
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.AddressFields, (std::array<int, 4>{10, 1, 2, 44}));
    EXPECT_EQ(dialog.FoundBox.Entries,
              (std::vector<std::string>{"1001  -  127.0.0.1\r  -  not connected",
                                        "1002  -  127.0.0.2\r  -  not connected"}));
    EXPECT_EQ(dialog.FoundBox.Selection, 0);
    EXPECT_TRUE(fs.prompter.Messages.empty());
}

TEST_F(TcpSettings, PickingAUnitTakesItsAddressAndSerialNumberOnOk) {
    AddUnit("1001", "127.0.0.1");
    AddUnit("1002", "127.0.0.2");
    page.IpPort = 2323;
    fs.dialogs.OnTcp = [](CTcpConfig& dialog) {
        dialog.FoundBox.Selection = 1;
        dialog.OnSelectUnit();
        EXPECT_EQ(dialog.AddressFields, (std::array<int, 4>{127, 0, 0, 2}));
        return 1;
    };
    page.ConfigureTcp();
    EXPECT_EQ(page.IpAdr, "127.0.0.2");
    EXPECT_EQ(page.SerNr, "1002");
    EXPECT_EQ(page.IpPort, 23);
    EXPECT_FALSE(page.ManualIp);
    EXPECT_EQ(page.Controls.LogEntries.back(),
              ">> Using IP-Address \"127.0.0.2\" for RKM5 Device, port number used: 23");
}

TEST_F(TcpSettings, TwoUnitsWithOneAddressAreReportedOncePerOpening) {
    AddUnit("111", "192.168.1.20");
    AddUnit("222", "192.168.1.20");
    CTcpConfig dialog = Dialog();
    dialog.OnInitDialog();
    ASSERT_EQ(fs.prompter.Messages.size(), 1u);
    EXPECT_EQ(fs.prompter.Messages[0],
              // The list keeps the carriage return the units send after their address.
              "Error Ip-Adresse exists multiple times:\nIp-Adr:192.168.1.20\r\n"
              "    --> SerNr1 : 222\n    --> SerNr2 : 111");
    EXPECT_EQ(fs.prompter.Icons[0], MessageIcon::Error);
    EXPECT_EQ(dialog.FoundBox.Entries.size(), 2u);
}

TEST(TcpSettingsEntry, AnUnreadableAddressShowsLoopbackAndStillReachesTheOwner) {
    FakeServices fs;
    CLumatrelDlg page(fs.Services());
    page.IpAdr = "rkm5-bench";
    fs.dialogs.OnTcp = [](CTcpConfig& dialog) {
        EXPECT_EQ(dialog.AddressFields, (std::array<int, 4>{127, 0, 0, 1}));
        EXPECT_TRUE(dialog.FoundBox.Entries.empty());
        dialog.OnSelectUnit(); // nothing to pick
        return 1;
    };
    page.ConfigureTcp();
    EXPECT_EQ(page.IpAdr, "rkm5-bench");
    EXPECT_EQ(page.Controls.LogEntries.back(),
              ">> Using IP-Address \"rkm5-bench\" for RKM5 Device, port number used: 23");
}

TEST(TcpSettingsEntry, TypingAnAddressClearsTheHostNameAndTheOtherWayRound) {
    FakeServices fs;
    CLumatrelDlg page(fs.Services());
    page.IpAdr = "127.0.0.1";
    page.HostName = "old";
    fs.dialogs.OnTcp = [](CTcpConfig& dialog) {
        dialog.HostNameEdit = "rkm5-bench";
        dialog.OnHostNameChanged();
        EXPECT_EQ(dialog.AddressFields, (std::array<int, 4>{0, 0, 0, 0}));
        EXPECT_EQ(dialog.AddressText, "");
        return 1;
    };
    page.ConfigureTcp();
    EXPECT_EQ(page.IpAdr, "");
    EXPECT_EQ(page.HostName, "rkm5-bench");
    EXPECT_FALSE(page.ManualIp);
    EXPECT_EQ(page.Controls.LogEntries.back(),
              ">> Using Hostname \"rkm5-bench\" for RKM5 Device, port number used: 23");

    fs.dialogs.OnTcp = [](CTcpConfig& dialog) {
        dialog.AddressFields = {10, 0, 0, 7};
        dialog.OnAddressChanged();
        EXPECT_EQ(dialog.HostNameEdit, "");
        return 1;
    };
    page.ConfigureTcp();
    EXPECT_EQ(page.IpAdr, "10.0.0.7");
    EXPECT_EQ(page.HostName, "");
    EXPECT_TRUE(page.ManualIp);
}

struct OutcomeCase {
    const char* Name;
    int Answer;
    bool ClearBoth;
    const char* Line;
};

class TcpSettingsOutcome : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(TcpSettingsOutcome, IsLogged) {
    FakeServices fs;
    CLumatrelDlg page(fs.Services());
    page.IpAdr = "127.0.0.9";
    page.SerNr = "55";
    const OutcomeCase c = GetParam();
    fs.dialogs.OnTcp = [c](CTcpConfig& dialog) {
        if (c.ClearBoth) {
            dialog.AddressText = "";
            dialog.HostNameEdit = "";
        }
        return c.Answer;
    };
    page.ConfigureTcp();
    EXPECT_EQ(page.Controls.LogEntries.back(), c.Line);
    if (c.Answer != 1) {
        EXPECT_EQ(page.IpAdr, "127.0.0.9");
        EXPECT_EQ(page.SerNr, "55");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Results, TcpSettingsOutcome,
    ::testing::Values(
        OutcomeCase{"NeitherAddressNorHostName", 1, true,
                    "++ Either IP-Address or Hostname should be defined"},
        OutcomeCase{"Cancelled", 2, false, ">> TCP config dialog canceled"},
        OutcomeCase{"Aborted", 3, false, ">> TCP config dialog aborted"},
        OutcomeCase{"NoWindow", -1, false, "++ TCP configure dialog could not be created"},
        OutcomeCase{"Unexpected", 7, false, "++ Unexpected return value IpConfigDlg: 7"}),
    [](const auto& info) { return std::string(info.param.Name); });
