#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "SimSerialPort.h"
#include "SimUnit.h"
#include "dialogs/Crs232Config.h"
#include "link/CRKM5Serio.h"
#include "link/FormatSystemError.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

namespace {

// A unit page in a system window, connected over a serial line to a simulated unit.
class SerialPage : public ::testing::Test {
protected:
    void SetUp() override {
        system.Units[0] = &page;
        system.UnitCount = 1;
        page.SystemWindow = &system;
        system.TabCtrl.AddPage("RKM5 No.1\nTesselSerNr:", &page, 1);
        system.TabCtrl.SelectPage(0);

        auto* serial = new CRKM5Serio;
        ASSERT_EQ(serial->Open(port.SlavePath(), 115200), 0) << serial->m_strMessage;
        page.SerialLink = serial;
        page.Link = serial;
        page.IsConnected = 1;
        page.SerNr = "10001";
        page.InterfaceText = "RS232";
        for (int id : {1, 2, 3}) {
            page.Timers().StartTimer(id, 3000);
        }
    }

    void TearDown() override {
        delete page.Link;
        page.Link = nullptr;
    }

    void SetFaults(void (*change)(SimFaults&)) {
        SimFaults faults = unit.Faults();
        change(faults);
        unit.SetFaults(faults);
    }

    SimUnit unit;
    SimSerialPort port{unit};
    FakeServices fs;
    CTabDlg system;
    CLumatrelDlg page{fs.Services()};
};

TEST_F(SerialPage, ReplyReachesTheCallerWithoutItsFraming) {
    std::string reply;
    page.ExchangeCommand("VR", reply, 0);
    SimUnit twin;
    EXPECT_EQ(reply, twin.Respond("VR"));
    EXPECT_NE(page.Link, nullptr);
    EXPECT_EQ(page.IsConnected, 1);
    EXPECT_TRUE(fs.prompter.Messages.empty());
}

struct VanishCase {
    const char* Name;
    int Variant;     // 0 command, 1 temperature, 2 voltage
    bool BeforeSend; // the device was gone before the command; else it goes mid-reply
    const char* ExceptionLine;
};

class SerialDeviceVanishes : public SerialPage, public ::testing::WithParamInterface<VanishCase> {};

TEST_P(SerialDeviceVanishes, EndsTheConnectionWithTheRs232Texts) {
    const VanishCase& row = GetParam();
    if (row.BeforeSend) {
        port.Vanish();
    } else {
        SetFaults([](SimFaults& f) { f.CloseMidReply = true; });
    }
    const size_t before = page.Controls.LogEntries.size();
    std::string reply;
    if (row.Variant == 0) {
        page.ExchangeCommand("IF", reply, 0);
    } else if (row.Variant == 1) {
        page.ExchangeTemperature("TE", reply);
    } else {
        page.ExchangeVoltage("VT", reply);
    }

    EXPECT_EQ(page.Link, nullptr);
    EXPECT_EQ(page.SerialLink, nullptr);
    EXPECT_EQ(page.IsConnected, 0);
    const std::vector<std::string> expected = {"++ Error -1012: Failed on ReadFile to " +
                                                   port.SlavePath() + ", num bytes written 0",
                                               FormatSystemError(EIO),
                                               row.ExceptionLine,
                                               ">> No Channel connected",
                                               ">> Info: Disconnect complete",
                                               "     ------------------------------",
                                               ">> No Channel connected",
                                               ">> Info: Disconnect complete",
                                               "     ------------------------------"};
    const std::vector<std::string> logged(page.Controls.LogEntries.begin() + before,
                                          page.Controls.LogEntries.end());
    EXPECT_EQ(logged, expected);
    EXPECT_EQ(fs.prompter.Messages,
              std::vector<std::string>{"RS232 connection lost RKM5 SerialNumber: 10001"});
    EXPECT_EQ(system.TabCtrl.Items[0].Title, "NC:10001");
    EXPECT_TRUE(fs.timers.Created[0]->Running.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SerialDeviceVanishes,
    ::testing::Values(
        VanishCase{"CommandMidReply", 0, false, "  Exception: IO-error on RS232 interface"},
        VanishCase{"CommandBeforeSend", 0, true, "  Exception: IO-error on RS232 interface"},
        VanishCase{"TemperatureMidReply", 1, false,
                   "   Exception: IO-error on RS232 interface (Temperatuere monitoring)"},
        VanishCase{"VoltageMidReply", 2, false,
                   "   Exception: IO-error on RS232 interface (Voltage monitoring)"}),
    [](const auto& info) { return std::string(info.param.Name); });

// The unit is connected over "COM3" (the fake folder's ttyS2, the simulated unit's line):
// the dialog cannot open it, so it lists the other ports and OK moves the setting to the first.
TEST_F(SerialPage, ConnectedPortIsNotListedSoOkTakesTheFirstListed) {
    TempFolder devices;
    devices.Touch("ttyS0");
    devices.Touch("ttyS4");
    std::filesystem::create_symlink(port.SlavePath(), devices.Path() / "ttyS2");
    delete page.Link;
    auto* serial = new CRKM5Serio;
    page.Link = page.SerialLink = serial;
    ASSERT_EQ(serial->Open((devices.Path() / "ttyS2").string(), 115200), 0);
    page.SerialDeviceRoot = devices.Path().string();
    page.PortRs232 = "COM3";

    std::vector<std::string> shown;
    fs.dialogs.OnRs232 = [&](Crs232Config& dialog) {
        shown = dialog.PortList.Entries;
        return 1;
    };
    page.ConfigureRs232();
    EXPECT_EQ(shown, (std::vector<std::string>{"ttyS0", "ttyS4"}));
    EXPECT_EQ(page.PortRs232, "ttyS0");
    EXPECT_EQ(page.Controls.LogEntries.back(),
              "RS232 Com device selected. Port: ttyS0, baudrate 115200");

    ASSERT_EQ(serial->Close(), 0);
    page.ConfigureRs232();
    EXPECT_EQ(shown, (std::vector<std::string>{"ttyS0", "ttyS2", "ttyS4"}))
        << "a closed link frees its port";
}

} // namespace
