// Every menu item and toolbar button of the system window and the unit page, chosen through
// the real widget, with what it must make happen: the frames the simulated unit received, or
// what the person was shown or asked.
#include "GuiRig.h"
#include "support/TempFolder.h"
#include "unit/CLumatrelDlg.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListView>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

enum class Where { PageMenu, PageToolbar, SystemMenu, SystemToolbar };

class Commands;

struct CommandCase {
    const char* name;
    Where where;
    const char* item; // the menu item's text
    int button;       // the toolbar button's position
    bool connected;   // page 0 is connected to the simulated unit first
    std::function<void(Commands&)> before;
    std::function<void(Commands&)> check;
};

void PrintTo(const CommandCase& row, std::ostream* os) {
    *os << row.name;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

using Frames = std::vector<std::string>;

class Commands : public Gui, public ::testing::WithParamInterface<CommandCase> {
public:
    CLumatrelDlg& Unit() { return Page(0); }
    Frames Received() const { return unit.Received(); }
    bool Logged(const std::string& line) { return Contains(Unit().Controls.LogEntries, line); }
    std::string Path(const std::string& name) const { return (temp.Path() / name).string(); }
    void Answer(const std::string& path) { fs.prompter.FileAnswers.push_back(path); }
    void PointAtUnit() {
        Unit().SelectedIf = "TCP";
        Unit().IpAdr = "127.0.0.1";
        Unit().IpPort = unit.server.Port();
    }

    LocalUnit unit;
    TempFolder temp;
    std::size_t logBefore = 0;
    std::size_t messagesBefore = 0;
};

TEST_P(Commands, DoesWhatItsLabelSays) {
    const CommandCase& row = GetParam();
    Start();
    if (row.connected) {
        Connect(0, unit);
    } else {
        PointAtUnit();
        Unit().SelectedIf = "RS232";
    }
    if (row.before) {
        row.before(*this);
    }
    QApplication::processEvents();
    Shown().SyncNow();
    unit.unit.ClearReceivedCommands();
    logBefore = Unit().Controls.LogEntries.size();
    messagesBefore = fs.prompter.Messages.size();
    switch (row.where) {
    case Where::PageMenu:
    case Where::SystemMenu: {
        QMenuBar* bar = row.where == Where::PageMenu ? Shown().Menus() : window->Menus();
        QAction* action = Action(bar, QString::fromUtf8(row.item));
        ASSERT_NE(action, nullptr) << row.item;
        ASSERT_TRUE(action->isEnabled()) << row.item;
        action->trigger();
        break;
    }
    case Where::PageToolbar:
    case Where::SystemToolbar: {
        QToolBar* toolbar = row.where == Where::PageToolbar ? Shown().Toolbar() : window->Toolbar();
        QToolButton* button = ToolbarButton(toolbar, row.button);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isEnabled()) << "button " << row.button;
        QTest::mouseClick(button, Qt::LeftButton);
        break;
    }
    }
    QApplication::processEvents();
    row.check(*this);
}

const Frames kAllOn = {"LC E 1", "LC F 1", "LC G 1", "LC H 1"};
const Frames kAllOff = {"LC E 0", "LC F 0", "LC G 0", "LC H 0"};

// What the rows check, shared by a menu item and the toolbar button that gives the same
// command.
void ConnectsTheUnit(Commands& t) {
    ASSERT_NE(t.Unit().Link, nullptr);
    EXPECT_TRUE(Contains(t.Received(), "VR"));
    EXPECT_TRUE(Contains(t.Received(), "MO"));
}
void DisconnectsTheUnit(Commands& t) {
    EXPECT_EQ(t.Unit().Link, nullptr);
    EXPECT_EQ(t.Received(), Frames{"LC 0"});
    EXPECT_TRUE(t.Logged(">> Info: Disconnect complete"));
}
void SwitchesAllOn(Commands& t) {
    EXPECT_EQ(t.Received(), kAllOn);
}
void SwitchesAllOff(Commands& t) {
    EXPECT_EQ(t.Received(), kAllOff);
}
void ClearsTheLog(Commands& t) {
    EXPECT_TRUE(t.Unit().Controls.LogEntries.empty());
    EXPECT_EQ(t.Shown().LogView()->model()->rowCount(), 0);
}
void SavesTheLog(Commands& t) {
    ASSERT_EQ(t.fs.prompter.FileRequests.size(), 1u);
    EXPECT_NE(ReadText(t.Path("log.txt")).find("*** Start Lumatrel"), std::string::npos);
}
void BeforeSavingTheLog(Commands& t) {
    t.Answer(t.Path("log.txt"));
}
void StopsTemperatureMonitoring(Commands& t) {
    EXPECT_EQ(t.Unit().MonitorTemperature, 0);
    EXPECT_FALSE(t.Unit().Timers().IsTimerRunning(1));
}
void StopsVoltageMonitoring(Commands& t) {
    EXPECT_EQ(t.Unit().MonitorVoltage, 0);
    EXPECT_FALSE(t.Unit().Timers().IsTimerRunning(2));
}
void StopsErrorMonitoring(Commands& t) {
    EXPECT_EQ(t.Unit().MonitorError, 0);
    EXPECT_FALSE(t.Unit().Timers().IsTimerRunning(3));
}
void AddsAUnit(Commands& t) {
    EXPECT_EQ(t.system->UnitCount, 2);
    EXPECT_EQ(t.window->TabBar()->count(), 2);
}
void BeforeRemoving(Commands& t) {
    t.system->AddUnit();
}
void RemovesTheSelectedUnit(Commands& t) {
    EXPECT_EQ(t.system->UnitCount, 1);
    EXPECT_EQ(t.window->TabBar()->count(), 1);
}
void RefusesConnectAllWithoutConfiguration(Commands& t) {
    EXPECT_EQ(t.fs.prompter.Messages, Frames{"no Config loaded --> no connect all possible"});
    EXPECT_TRUE(t.Received().empty());
}
void DisconnectsAll(Commands& t) {
    EXPECT_EQ(t.Unit().Link, nullptr);
    EXPECT_EQ(t.Received(), Frames{"LC 0"});
}
void BeforeLeavingTheModuleView(Commands& t) {
    t.system->ShowModuleView();
    ASSERT_EQ(t.system->ViewMode, 1);
}
void ShowsTheUnitView(Commands& t) {
    EXPECT_EQ(t.system->ViewMode, 0);
    EXPECT_EQ(t.window->TabBar()->count(), 1);
    EXPECT_TRUE(t.system->Controls.UnitViewChecked);
}
void ShowsTheModuleView(Commands& t) {
    EXPECT_EQ(t.system->ViewMode, 1);
    EXPECT_TRUE(t.system->Controls.ModuleViewChecked);
    EXPECT_EQ(t.window->TabBar()->count(), 4) << "one tab per channel with a module";
}
void BeforeChangingTheMode(Commands& t) {
    t.fs.prompter.YesNoAnswers = {true};
}
std::function<void(Commands&)> ChangesTheModeTo(int mode, const char* question) {
    return [mode, question](Commands& t) {
        EXPECT_EQ(t.fs.prompter.Questions, Frames{question});
        EXPECT_EQ(t.Received(), Frames{"MO " + std::to_string(mode)});
        EXPECT_EQ(t.Unit().OperatingMode, mode);
    };
}

INSTANTIATE_TEST_SUITE_P(
    UnitPageMenu, Commands,
    ::testing::Values(
        CommandCase{"Connect", Where::PageMenu, "Connect\tCtrl+C", 0, false,
                    [](Commands& t) { t.PointAtUnit(); }, ConnectsTheUnit},
        CommandCase{"Disconnect", Where::PageMenu, "Disconnect\tCtrl+D", 0, true, nullptr,
                    DisconnectsTheUnit},
        CommandCase{"TcpIp", Where::PageMenu, "TCP/IP", 0, false, nullptr,
                    [](Commands& t) {
                        EXPECT_EQ(t.Unit().SelectedIf, "TCP");
                        EXPECT_TRUE(t.Received().empty());
                    }},
        CommandCase{"Rs232", Where::PageMenu, "RS232/USB/RS485", 0, true, nullptr,
                    [](Commands& t) {
                        EXPECT_EQ(t.Unit().SelectedIf, "RS232");
                        EXPECT_NE(t.Unit().Link, nullptr) << "nothing is disconnected";
                    }},
        CommandCase{"Configure", Where::PageMenu, "Configure", 0, true, nullptr,
                    [](Commands& t) {
                        EXPECT_EQ(t.fs.dialogs.Runs, 1);
                        EXPECT_TRUE(t.Logged(">> TCP config dialog canceled"));
                    }},
        CommandCase{"SaveLog", Where::PageMenu, "Save log window to file", 0, true,
                    BeforeSavingTheLog, SavesTheLog},
        CommandCase{"ClearLog", Where::PageMenu, "Clear log window", 0, true, nullptr,
                    ClearsTheLog},
        CommandCase{"RunCommandFile", Where::PageMenu, "Run command sequence from file", 0, true,
                    [](Commands& t) {
                        std::ofstream(t.Path("commands.txt")) << "TE\r\n// VT\r\nVR\r\n";
                        t.Answer(t.Path("commands.txt"));
                    },
                    [](Commands& t) {
                        EXPECT_EQ(t.Received(), (Frames{"TE", "VR"}));
                    }},
        CommandCase{"HideLog", Where::PageMenu, "Hide log window", 0, true, nullptr,
                    [](Commands& t) {
                        t.Shown().SyncNow();
                        EXPECT_FALSE(t.Shown().LogView()->isVisibleTo(&t.Shown()));
                        EXPECT_TRUE(t.Unit().Controls.HideLogWindowChecked);
                    }},
        CommandCase{"AutomaticAssignmentItemSwitchesToManual", Where::PageMenu,
                    "Use automatic channel assignment", 0, true, nullptr,
                    [](Commands& t) { EXPECT_EQ(t.Unit().ChannelAssignment, 1); }},
        CommandCase{"ManualAssignment", Where::PageMenu, "Use manual channel assignment", 0, true,
                    nullptr, [](Commands& t) { EXPECT_EQ(t.Unit().ChannelAssignment, 1); }},
        CommandCase{"ChannelMapConfiguration", Where::PageMenu,
                    "Manual channel assignment configuration", 0, true, nullptr,
                    [](Commands& t) { EXPECT_EQ(t.fs.dialogs.Runs, 1); }},
        CommandCase{"AllChannelsOn", Where::PageMenu, "All channels On\tF5", 0, true, nullptr,
                    SwitchesAllOn},
        CommandCase{"AllChannelsOff", Where::PageMenu, "All channels Off\tF6", 0, true, nullptr,
                    SwitchesAllOff},
        CommandCase{"CommandMode", Where::PageMenu, "&Command-Mode", 0, true,
                    [](Commands& t) {
                        t.Unit().OperatingMode = 2;
                        t.Unit().RefreshMenuAndToolbar();
                        BeforeChangingTheMode(t);
                    },
                    ChangesTheModeTo(1, "Do you really want to change RKM5 operating mode to "
                                        "Command Mode ?")},
        CommandCase{"BulbMode", Where::PageMenu, "Bulb-Mode", 0, true, BeforeChangingTheMode,
                    ChangesTheModeTo(0, "Do you really want to change RKM5 operating mode to "
                                        "Bulb Mode ?")},
        CommandCase{"PwmMode", Where::PageMenu, "PWM Controlled", 0, true, BeforeChangingTheMode,
                    ChangesTheModeTo(2, "Do you really want to change RKM5 operating mode to "
                                        "Mode PWM Controlled ?")},
        CommandCase{"AnalogModeAnsweredNo", Where::PageMenu, "Analog Controlled", 0, true, nullptr,
                    [](Commands& t) {
                        EXPECT_EQ(t.fs.prompter.Questions,
                                  Frames{"Do you really want to change RKM5 operating mode to "
                                         "Mode Analog Controlled?"});
                        EXPECT_TRUE(t.Received().empty());
                        EXPECT_EQ(t.Unit().OperatingMode, 1);
                    }},
        CommandCase{"MonitorTemperature", Where::PageMenu, "Temperature", 0, true, nullptr,
                    StopsTemperatureMonitoring},
        CommandCase{"MonitorVoltage", Where::PageMenu, "Voltage", 0, true, nullptr,
                    StopsVoltageMonitoring},
        CommandCase{"MonitorError", Where::PageMenu, "Error", 0, true, nullptr,
                    StopsErrorMonitoring}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    UnitPageToolbar, Commands,
    ::testing::Values(
        CommandCase{"Connect", Where::PageToolbar, "", 0, false,
                    [](Commands& t) { t.PointAtUnit(); }, ConnectsTheUnit},
        CommandCase{"Disconnect", Where::PageToolbar, "", 1, true, nullptr, DisconnectsTheUnit},
        CommandCase{"AllChannelsOn", Where::PageToolbar, "", 2, true, nullptr, SwitchesAllOn},
        CommandCase{"AllChannelsOff", Where::PageToolbar, "", 3, true, nullptr, SwitchesAllOff},
        CommandCase{"ClearLog", Where::PageToolbar, "", 4, true, nullptr, ClearsTheLog},
        CommandCase{"SaveLog", Where::PageToolbar, "", 5, true, BeforeSavingTheLog, SavesTheLog},
        CommandCase{"MonitorTemperature", Where::PageToolbar, "", 6, true, nullptr,
                    StopsTemperatureMonitoring},
        CommandCase{"MonitorVoltage", Where::PageToolbar, "", 7, true, nullptr,
                    StopsVoltageMonitoring},
        CommandCase{"MonitorError", Where::PageToolbar, "", 8, true, nullptr, StopsErrorMonitoring},
        CommandCase{"TenthButtonIsEnabledAndDoesNothing", Where::PageToolbar, "", 9, true, nullptr,
                    [](Commands& t) {
                        EXPECT_TRUE(t.Received().empty());
                        EXPECT_EQ(t.Unit().Controls.LogEntries.size(), t.logBefore);
                        EXPECT_EQ(t.fs.prompter.Messages.size(), t.messagesBefore);
                        EXPECT_NE(t.Unit().Link, nullptr);
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    SystemMenu, Commands,
    ::testing::Values(
        CommandCase{"StartWithLastConfiguration", Where::SystemMenu,
                    "Start with last configuration", 0, false, nullptr,
                    [](Commands& t) {
                        EXPECT_EQ(t.system->StartWithLastConfig, 1);
                        EXPECT_TRUE(Gui::Action(t.window->Menus(),
                                                QStringLiteral("Start with last configuration"))
                                        ->isChecked());
                    }},
        CommandCase{"LoadConfiguration", Where::SystemMenu, "Load configuration\tCtrl+L", 0, false,
                    [](Commands& t) {
                        std::ofstream(t.Path("two.ini"))
                            << "[General]\r\nCount_RKM5=2\r\n\r\n[interface_Rkm5_1]\r\n"
                               "UsedIf=TCP\r\nIpAdr=127.0.0.9\r\n";
                        t.Answer(t.Path("two.ini"));
                    },
                    [](Commands& t) {
                        ASSERT_EQ(t.fs.prompter.FileRequests.size(), 1u);
                        EXPECT_EQ(t.fs.prompter.FileRequests[0].Title,
                                  "Select IniFile to Open Config");
                        EXPECT_EQ(t.window->TabBar()->count(), 2);
                        EXPECT_EQ(t.Page(1).IpAdr, "127.0.0.9");
                    }},
        CommandCase{"SaveConfiguration", Where::SystemMenu, "Save configuration\tCtrl+S", 0, true,
                    [](Commands& t) { t.Answer(t.Path("saved.ini")); },
                    [](Commands& t) {
                        const std::string text = ReadText(t.Path("saved.ini"));
                        EXPECT_NE(text.find("Count_RKM5=1"), std::string::npos);
                        EXPECT_NE(text.find("UsedIf=TCP"), std::string::npos);
                    }},
        CommandCase{"SaveSystemInfo", Where::SystemMenu, "Save system info to file", 0, true,
                    [](Commands& t) { t.Answer(t.Path("info")); },
                    [](Commands& t) {
                        EXPECT_EQ(t.fs.prompter.FileRequests.at(0).FileName, "systemInfoLog.txt");
                        EXPECT_TRUE(Contains(t.Received(), "VR"));
                        EXPECT_FALSE(ReadText(t.Path("info.txt")).empty());
                    }},
        CommandCase{"ListSystemInfo", Where::SystemMenu, "List system info in Log window", 0, true,
                    nullptr,
                    [](Commands& t) {
                        EXPECT_TRUE(Contains(t.Received(), "VR"));
                        EXPECT_TRUE(Contains(t.Received(), "MO"));
                    }},
        CommandCase{"Exit", Where::SystemMenu, "Exit", 0, true, nullptr,
                    [](Commands& t) {
                        EXPECT_EQ(t.system->ModalResult, 2);
                        EXPECT_TRUE(t.window->ExitRequested());
                        EXPECT_TRUE(fs::exists(t.fs.LastConfigPath()));
                        EXPECT_EQ(t.Received(), Frames{"LC 0"});
                    }},
        CommandCase{"ConnectAll", Where::SystemMenu, "Connect all\tCtrl+C", 0, false, nullptr,
                    RefusesConnectAllWithoutConfiguration},
        CommandCase{"DisconnectAll", Where::SystemMenu, "Disconnect all\tCtrl+D", 0, true, nullptr,
                    DisconnectsAll},
        CommandCase{"AddUnit", Where::SystemMenu, "Add RKM5 unit\tCtrl+A", 0, false, nullptr,
                    AddsAUnit},
        CommandCase{"RemoveUnit", Where::SystemMenu, "Remove RKM5 unit\tCtrl+R", 0, false,
                    BeforeRemoving, RemovesTheSelectedUnit},
        CommandCase{"AllChannelsOn", Where::SystemMenu, "All channels on\tF5", 0, true, nullptr,
                    SwitchesAllOn},
        CommandCase{"AllChannelsOff", Where::SystemMenu, "All channels off\tF6", 0, true, nullptr,
                    SwitchesAllOff},
        CommandCase{"SetGlobalCurrent", Where::SystemMenu, "Set global LED current", 0, true,
                    nullptr, [](Commands& t) { EXPECT_EQ(t.fs.dialogs.Runs, 1); }},
        CommandCase{"UnitView", Where::SystemMenu, "RKM5 View", 0, true, BeforeLeavingTheModuleView,
                    ShowsTheUnitView},
        CommandCase{"ModuleView", Where::SystemMenu, "Tessel View", 0, true, nullptr,
                    ShowsTheModuleView},
        CommandCase{"Manual", Where::SystemMenu, "Manual RKM5", 0, false, nullptr,
                    [](Commands& t) {
                        const std::string path =
                            (fs::current_path() / CTabDlg::ManualFileName).string();
                        if (fs::exists(path)) {
                            EXPECT_EQ(t.fs.prompter.OpenedDocuments, Frames{path});
                        } else {
                            EXPECT_EQ(t.fs.prompter.Messages,
                                      Frames{"Manual " + path + " could not be opened"});
                        }
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    SystemToolbar, Commands,
    ::testing::Values(
        CommandCase{"AddUnit", Where::SystemToolbar, "", 0, false, nullptr, AddsAUnit},
        CommandCase{"RemoveUnit", Where::SystemToolbar, "", 1, false, BeforeRemoving,
                    RemovesTheSelectedUnit},
        CommandCase{"ConnectAll", Where::SystemToolbar, "", 2, false, nullptr,
                    RefusesConnectAllWithoutConfiguration},
        CommandCase{"DisconnectAll", Where::SystemToolbar, "", 3, true, nullptr, DisconnectsAll},
        CommandCase{"AllChannelsOn", Where::SystemToolbar, "", 4, true, nullptr, SwitchesAllOn},
        CommandCase{"AllChannelsOff", Where::SystemToolbar, "", 5, true, nullptr, SwitchesAllOff},
        CommandCase{"UnitView", Where::SystemToolbar, "", 6, true, BeforeLeavingTheModuleView,
                    ShowsTheUnitView},
        CommandCase{"ModuleView", Where::SystemToolbar, "", 7, true, nullptr, ShowsTheModuleView}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST_F(Gui, TheAboutItemShowsTheVersionLine) {
    Start();
    QString shown;
    WhenModal([&shown](QWidget* modal) {
        for (QLabel* label : modal->findChildren<QLabel*>()) {
            if (label->text().startsWith(QStringLiteral("Lumatrel Version"))) {
                shown = label->text();
            }
        }
        modal->close();
    });
    Action(window->Menus(), QStringLiteral("About"))->trigger();
    EXPECT_EQ(shown.toStdString(), CLumatrelDlg::AboutVersionLine());
}
