#include "dialogs/Crs232Config.h"
#include "support/Fakes.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class PageMenu : public ::testing::Test {
protected:
    PageMenu() {
        page.OnInitDialog();
        page.SystemWindow = &system;
    }
    bool Checked(UnitCommand id) const { return page.MenuBarState().IsChecked(id); }
    bool Enabled(UnitCommand id) const { return page.MenuBarState().IsEnabled(id); }

    FakeServices fs;
    CTabDlg system;
    CLumatrelDlg page{fs.Services()};
};

} // namespace

TEST_F(PageMenu, TheMenusHoldTheirItemsInOrderWithTheirKeyHints) {
    std::vector<std::string> lines;
    for (const auto& menu : page.MenuBarState().Menus) {
        std::string line = menu.Title + ":";
        for (const auto& item : menu.Items) {
            line += item.Separator ? std::string(" |") : " [" + item.Text + "]";
        }
        lines.push_back(line);
    }
    const std::vector<std::string> expected = {
        "Interface: [Connect\tCtrl+C] [Disconnect\tCtrl+D] | [TCP/IP] [RS232/USB/RS485] | "
        "[Configure]",
        "Log: [Save log window to file] [Clear log window] | [Run command sequence from file] | "
        "[Hide log window]",
        "Channels: [Use automatic channel assignment] [Use manual channel assignment] [Manual "
        "channel assignment configuration] | [All channels On\tF5] [All channels Off\tF6]",
        "Operating Mode: [&Command-Mode] [Bulb-Mode] [PWM Controlled] [Analog Controlled]",
        "Monitor: [Temperature] [Voltage] [Error]",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(PageMenu, ANewPageChecksItsDefaults) {
    EXPECT_TRUE(Checked(UnitCommand::SelectRs232));
    EXPECT_FALSE(Checked(UnitCommand::SelectTcp));
    EXPECT_TRUE(Checked(UnitCommand::AutomaticAssignment));
    EXPECT_FALSE(Checked(UnitCommand::ManualAssignment));
    EXPECT_TRUE(Checked(UnitCommand::MonitorTemperature));
    EXPECT_TRUE(Checked(UnitCommand::MonitorVoltage));
    EXPECT_TRUE(Checked(UnitCommand::MonitorError));
    for (const auto& menu : page.MenuBarState().Menus) {
        for (const auto& item : menu.Items) {
            EXPECT_TRUE(item.Enabled) << item.Text;
        }
    }
}

TEST_F(PageMenu, EachInterfaceItemTogglesBetweenTheTwo) {
    struct Step {
        UnitCommand item;
        const char* selectedIf;
    };
    const std::vector<Step> steps = {{UnitCommand::SelectTcp, "TCP"},
                                     {UnitCommand::SelectTcp, "RS232"},
                                     {UnitCommand::SelectRs232, "TCP"},
                                     {UnitCommand::SelectRs232, "RS232"}};
    for (const Step& step : steps) {
        page.OnMenuCommand(step.item);
        EXPECT_EQ(page.SelectedIf, step.selectedIf);
        EXPECT_EQ(Checked(UnitCommand::SelectTcp), page.SelectedIf == "TCP");
        EXPECT_EQ(Checked(UnitCommand::SelectRs232), page.SelectedIf == "RS232");
    }
    EXPECT_EQ(page.Link, nullptr);
}

TEST_F(PageMenu, TheAssignmentItemsToggleAndAnM35UnitStaysAutomatic) {
    page.ModuleCountText = {"2", "0", "1x", "none"};
    page.OnMenuCommand(UnitCommand::AutomaticAssignment); // checked: switches to manual
    EXPECT_EQ(page.ChannelAssignment, 1);
    EXPECT_TRUE(Checked(UnitCommand::ManualAssignment));
    EXPECT_FALSE(Checked(UnitCommand::AutomaticAssignment));

    page.OnMenuCommand(UnitCommand::ManualAssignment); // checked: back to automatic
    EXPECT_EQ(page.ChannelAssignment, 0);
    EXPECT_TRUE(Checked(UnitCommand::AutomaticAssignment));
    EXPECT_EQ(page.ModulesInUse, (std::array<std::int32_t, 4>{2, 0, 1, 0}));
    EXPECT_TRUE(fs.prompter.Messages.empty());

    page.IsM35 = true;
    for (UnitCommand item : {UnitCommand::ManualAssignment, UnitCommand::AutomaticAssignment}) {
        fs.prompter.Messages.clear();
        page.OnMenuCommand(item);
        EXPECT_EQ(fs.prompter.Messages,
                  std::vector<std::string>{
                      ">> manualMode with M35 not allowed-> use automatic: Manual data ignored!"});
        EXPECT_EQ(page.ChannelAssignment, 0);
        EXPECT_TRUE(Checked(UnitCommand::AutomaticAssignment));
        EXPECT_FALSE(Checked(UnitCommand::ManualAssignment));
    }
}

TEST_F(PageMenu, RefreshRewritesEveryCheckMarkAndImageFromTheMembers) {
    struct Row {
        const char* name;
        std::int32_t temperature, voltage, error;
        const char* selectedIf;
        std::int32_t assignment;
        std::int32_t mode;
        UnitCommand modeItem;
        const char* modeText;
    };
    const std::vector<Row> rows = {
        {"all on, TCP, manual, bulb", 1, 1, 1, "TCP", 1, 0, UnitCommand::BulbMode, "bulb mode"},
        {"all off, RS232, PWM", 0, 0, 0, "RS232", 0, 2, UnitCommand::PwmMode, "PWM controlled"},
        {"mixed, odd interface, analog", 0, 5, 0, "odd", 0, 3, UnitCommand::AnalogMode,
         "analog controlled"},
        {"an odd mode is command mode", 1, 0, 1, "TCP", 7, 7, UnitCommand::CommandMode,
         "command mode"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        page.MonitorTemperature = row.temperature;
        page.MonitorVoltage = row.voltage;
        page.MonitorError = row.error;
        page.SelectedIf = row.selectedIf;
        page.ChannelAssignment = row.assignment;
        page.OperatingMode = row.mode;
        page.RefreshMenuAndToolbar();

        EXPECT_EQ(Checked(UnitCommand::MonitorTemperature), row.temperature != 0);
        EXPECT_EQ(Checked(UnitCommand::MonitorVoltage), row.voltage != 0);
        EXPECT_EQ(Checked(UnitCommand::MonitorError), row.error != 0);
        EXPECT_EQ(page.Controls.Toolbar[6].Image, row.temperature != 0
                                                      ? UnitToolbarImage::TemperatureOn
                                                      : UnitToolbarImage::TemperatureOff);
        EXPECT_EQ(page.Controls.Toolbar[7].Image,
                  row.voltage != 0 ? UnitToolbarImage::VoltageOn : UnitToolbarImage::VoltageOff);
        EXPECT_EQ(page.Controls.Toolbar[8].Image,
                  row.error != 0 ? UnitToolbarImage::ErrorOn : UnitToolbarImage::ErrorOff);
        EXPECT_EQ(Checked(UnitCommand::SelectTcp), std::string(row.selectedIf) == "TCP");
        EXPECT_EQ(Checked(UnitCommand::SelectRs232), std::string(row.selectedIf) != "TCP");
        EXPECT_EQ(Checked(UnitCommand::ManualAssignment), row.assignment != 0);
        EXPECT_EQ(Checked(UnitCommand::AutomaticAssignment), row.assignment == 0);
        int modesChecked = 0;
        for (UnitCommand mode : {UnitCommand::CommandMode, UnitCommand::BulbMode,
                                 UnitCommand::PwmMode, UnitCommand::AnalogMode}) {
            modesChecked += Checked(mode) ? 1 : 0;
        }
        EXPECT_EQ(modesChecked, 1);
        EXPECT_TRUE(Checked(row.modeItem));
        EXPECT_EQ(page.OperatingModeText, row.modeText);
        EXPECT_EQ(page.Controls.OperatingMode, row.modeText);
    }
}

TEST_F(PageMenu, AMonitorItemTogglesFromItsCheckMark) {
    page.OnMenuCommand(UnitCommand::MonitorVoltage);
    EXPECT_EQ(page.MonitorVoltage, 0);
    EXPECT_FALSE(Checked(UnitCommand::MonitorVoltage));
    EXPECT_EQ(page.Controls.Toolbar[7].Image, UnitToolbarImage::VoltageOff);
    page.OnToolbarButton(7);
    EXPECT_EQ(page.MonitorVoltage, 1);
    EXPECT_TRUE(Checked(UnitCommand::MonitorVoltage));
}

TEST_F(PageMenu, TheModuleViewGreysTheConnectItemsAndManualAssignment) {
    struct Row {
        int flag;
        bool enabled;
        int image0;
        int image1;
    };
    const std::vector<Row> rows = {
        {0, false, UnitToolbarImage::Grey, UnitToolbarImage::Grey},
        {7, false, UnitToolbarImage::Grey, UnitToolbarImage::Grey}, // unchanged
        {1, true, UnitToolbarImage::Connect, UnitToolbarImage::Disconnect},
        {-1, true, UnitToolbarImage::Connect, UnitToolbarImage::Disconnect}, // unchanged
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.flag);
        page.SetConnectItemsEnabled(row.flag);
        EXPECT_EQ(Enabled(UnitCommand::Connect), row.enabled);
        EXPECT_EQ(Enabled(UnitCommand::Disconnect), row.enabled);
        EXPECT_EQ(page.Controls.Toolbar[0].Image, row.image0);
        EXPECT_EQ(page.Controls.Toolbar[1].Image, row.image1);
        EXPECT_TRUE(Enabled(UnitCommand::ManualAssignment));
    }
    page.GreyManualAssignment(1);
    EXPECT_FALSE(Enabled(UnitCommand::ManualAssignment));
    page.GreyManualAssignment(2);
    EXPECT_TRUE(Enabled(UnitCommand::ManualAssignment));
}

TEST_F(PageMenu, TooltipsComeFromTheButtonsCommandAndTheTenthIsEmpty) {
    const std::vector<std::string> expected = {"Connect",
                                               "Disconnect",
                                               "All channels On",
                                               "All channels Off",
                                               "Clear Log Window",
                                               "Save log window to file",
                                               "Temperature monitoring on/off",
                                               "Voltage monitoring on/off",
                                               "Error monitoring on/off",
                                               ""};
    ASSERT_EQ(page.Controls.Toolbar.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(page.ToolbarTooltip(page.Controls.Toolbar[i].Id), expected[i]) << i;
    }
    const auto before = page.Controls.LogEntries;
    page.OnToolbarButton(9);
    page.OnToolbarButton(10);
    EXPECT_EQ(page.Controls.LogEntries, before);
    EXPECT_TRUE(fs.prompter.Messages.empty());
}

TEST_F(PageMenu, ConfigureWithAnOddInterfaceOpensTheSerialDialogAndChoosesRs232) {
    page.SelectedIf = "USB";
    int serialRuns = 0;
    fs.dialogs.OnRs232 = [&](Crs232Config&) {
        ++serialRuns;
        return 2;
    };
    page.OnMenuCommand(UnitCommand::Configure);
    EXPECT_EQ(serialRuns, 1);
    EXPECT_EQ(page.SelectedIf, "RS232");
}

TEST_F(PageMenu, TheModuleViewRefusesConnectAndDisconnect) {
    page.SelectedIf = "TCP";
    page.IpAdr = "127.0.0.1";
    system.ViewMode = 1;
    page.OnMenuCommand(UnitCommand::Connect);
    EXPECT_TRUE(page.OnKeyDown(Key::C, true));
    page.OnMenuCommand(UnitCommand::Disconnect);
    page.OnToolbarButton(1);
    EXPECT_EQ(fs.prompter.Messages,
              (std::vector<std::string>{
                  "Connect nur in RKM5-View möglich", "Connect nur in RKM5-View möglich",
                  "Disconnect nur in RKM5-View möglich", "Disconnect nur in RKM5-View möglich"}));
    EXPECT_EQ(page.Link, nullptr);
}
