#include "platform/UserProfile.h"
#include "support/SystemRig.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <unistd.h>

namespace {

std::string Label(int n) {
    return "RKM5 No." + std::to_string(n) + "\nTesselSerNr:";
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> SendLines(const std::string& text) {
    std::vector<std::string> sent;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("Send: ", 0) == 0) {
            sent.push_back(line.substr(6));
        }
    }
    return sent;
}

bool AllOn(const SimUnit& unit, bool on) {
    for (int c = 0; c < 4; ++c) {
        if (unit.Channel(c).On != on) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(SystemWindowStart, OneUnitInTheUnitViewWithItsMonitorsOn) {
    SystemRig rig;
    EXPECT_EQ(rig.system.UnitCount, 1);
    EXPECT_EQ(rig.system.TabCtrl.Labels, std::vector<std::string>{Label(1)});
    EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), 0);
    EXPECT_EQ(rig.system.TabCtrl.ShownPage, 0);
    EXPECT_EQ(rig.system.ViewUnits, rig.system.Units);
    EXPECT_EQ(rig.Page(0).SystemWindow, &rig.system);
    const SystemMenuBar menu = rig.system.MenuBarState();
    EXPECT_FALSE(menu.IsChecked(SystemCommand::StartWithLastConfig));
    EXPECT_TRUE(menu.IsChecked(SystemCommand::UnitView));
    EXPECT_FALSE(menu.IsChecked(SystemCommand::ModuleView));
    EXPECT_EQ(rig.Page(0).Controls.MonitorChecked, (std::array<bool, 3>{true, true, true}));
    EXPECT_FALSE(rig.system.ConfigLoaded);
}

TEST(SystemWindowUnits, TwentyUnitsAtMostAndARemovedOneMakesRoomAgain) {
    SystemRig rig;
    for (int i = 1; i < 20; ++i) {
        rig.system.AddUnit();
    }
    ASSERT_EQ(rig.system.UnitCount, 20);
    EXPECT_EQ(rig.system.TabCtrl.Labels.back(), Label(20));
    EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), 19);
    EXPECT_TRUE(rig.fs.prompter.Messages.empty());

    rig.system.AddUnit();
    EXPECT_EQ(rig.fs.prompter.Messages,
              std::vector<std::string>{"maximum RKM5 reached\nno more RKM5 can be added"});
    EXPECT_EQ(rig.system.UnitCount, 20);
    EXPECT_EQ(rig.system.TabCtrl.GetCount(), 20);

    rig.system.TabCtrl.SelectPage(4);
    rig.system.RemoveUnit();
    rig.system.AddUnit();
    EXPECT_EQ(rig.system.UnitCount, 20);
    EXPECT_EQ(rig.system.TabCtrl.Labels.back(), Label(5));
    EXPECT_EQ(rig.fs.prompter.Messages.size(), 1u);
}

TEST(SystemWindowUnits, RemovingTheMiddleUnitReleasesItsPageAndFreesItsNumber) {
    SystemRig rig;
    rig.system.AddUnit();
    rig.system.AddUnit();
    rig.Connect(1, 0);
    CLumatrelDlg* middle = rig.system.Units[1];
    ASSERT_NE(middle->Link, nullptr);
    ASSERT_GT(rig.system.ChannelMap.UsedCount(), 0);

    rig.system.TabCtrl.SelectPage(1);
    rig.system.RemoveUnit();

    EXPECT_EQ(rig.system.TabCtrl.Labels, (std::vector<std::string>{Label(1), Label(3)}));
    EXPECT_EQ(rig.system.UnitCount, 2);
    EXPECT_EQ(rig.system.Units[2], nullptr);
    EXPECT_EQ(rig.system.ViewUnits, rig.system.Units);
    EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), 0);
    EXPECT_EQ(rig.view.Released, std::vector<const CLumatrelDlg*>{middle});
    // The released unit's LEDs went off and its link was given up with its module keys.
    EXPECT_EQ(rig.Received(0), std::vector<std::string>{"LC 0"});
    EXPECT_EQ(rig.system.ChannelMap.UsedCount(), 0);

    rig.system.AddUnit();
    EXPECT_EQ(rig.system.TabCtrl.Labels, (std::vector<std::string>{Label(1), Label(3), Label(2)}));
    EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), 2);
}

TEST(SystemWindowUnits, RemovingWithoutASelectedTabChangesNothing) {
    SystemRig rig;
    rig.system.TabCtrl.SelectPage(0);
    rig.system.RemoveUnit();
    ASSERT_EQ(rig.system.UnitCount, 0);
    rig.system.RemoveUnit();
    EXPECT_EQ(rig.system.UnitCount, 0);
    EXPECT_EQ(rig.system.TabCtrl.GetCount(), 0);
}

TEST(SystemWindowConnectAll, IsRefusedBeforeAConfigurationWasLoaded) {
    SystemRig rig;
    rig.PointAt(0, 0);
    rig.system.ConnectAll();
    EXPECT_EQ(rig.fs.prompter.Messages,
              std::vector<std::string>{"no Config loaded --> no connect all possible"});
    EXPECT_EQ(rig.Page(0).Link, nullptr);
    EXPECT_EQ(rig.servers[0]->SessionCount(), 0);
}

TEST(SystemWindowConnectAll, ConnectsEveryUnitAfterItsInterfaceFromTheRebuiltTabs) {
    SystemRig rig;
    rig.system.AddUnit();
    rig.system.AddUnit();
    rig.PointAt(0, 0);
    rig.PointAt(1, 1);
    rig.Page(2).SelectedIf = "none"; // neither interface: left alone
    rig.system.TabCtrl.SelectPage(1);
    rig.system.ConfigLoaded = true;

    rig.system.ConnectAll();

    ASSERT_NE(rig.Page(0).Link, nullptr);
    ASSERT_NE(rig.Page(1).Link, nullptr);
    EXPECT_EQ(rig.Page(2).Link, nullptr);
    EXPECT_EQ(rig.Page(0).SerNr, "10001");
    EXPECT_EQ(rig.Page(1).SerNr, "10002");
    EXPECT_EQ(rig.system.TabCtrl.Items[1].Title.rfind("TCP:10002\nTesselSerNr:", 0), 0u);
    // The rebuild of the unit view leaves its last tab selected, and Connect all returns there.
    EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), 2);
    EXPECT_EQ(rig.system.ActualTab, 2);
    EXPECT_EQ(rig.system.ViewUnits, rig.system.Units);
    EXPECT_EQ(rig.system.ViewMode, 0);
}

// "RKM5 View" and Connect all rebuild the unit view's tabs: numbered afresh in tab order,
// titled after their units, each connected unit's currents and monitoring read anew.
TEST(SystemWindowUnitView, TheRebuildNumbersTheTabsAfreshSoTheNextUnitTakesTheNextNumber) {
    struct Row {
        const char* name;
        std::function<void(SystemRig&)> act;
    };
    const std::vector<Row> rows = {
        {"RKM5 View", [](SystemRig& rig) { rig.system.OnMenuCommand(SystemCommand::UnitView); }},
        {"Connect all",
         [](SystemRig& rig) {
             rig.system.ConfigLoaded = true;
             rig.system.OnMenuCommand(SystemCommand::ConnectAll);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SystemRig rig;
        rig.system.AddUnit();
        rig.system.AddUnit();
        rig.Page(1).SelectedIf = "none";
        rig.Page(2).SelectedIf = "none"; // neither interface: Connect all leaves it alone
        rig.Connect(0, 0);
        rig.system.TabCtrl.SelectPage(1);
        rig.system.RemoveUnit();
        ASSERT_EQ(rig.system.TabCtrl.Labels, (std::vector<std::string>{Label(1), Label(3)}));
        CLumatrelDlg* const first = rig.system.Units[0];
        CLumatrelDlg* const second = rig.system.Units[1];
        rig.sims[0].ClearReceivedCommands();

        row.act(rig);

        EXPECT_EQ(rig.system.TabCtrl.Labels, (std::vector<std::string>{Label(1), Label(2)}));
        EXPECT_EQ(rig.system.Units[0], first);
        EXPECT_EQ(rig.system.Units[1], second);
        EXPECT_EQ(rig.system.ViewUnits, rig.system.Units);
        EXPECT_EQ(rig.system.TabCtrl.Items[0].Title.rfind("TCP:", 0), 0u);
        EXPECT_EQ(rig.system.TabCtrl.Items[0].Image, 1);
        EXPECT_EQ(rig.system.TabCtrl.Items[1].Title, "RKM5: No.2\nTesselSerNr:");
        EXPECT_EQ(rig.system.TabCtrl.Items[1].Image, 0);
        const std::vector<std::string> received = rig.Received(0);
        EXPECT_NE(std::find(received.begin(), received.end(), "IY"), received.end());
        EXPECT_NE(first->Link, nullptr);
        EXPECT_EQ(first->Timers().IsTimerRunning(1), true);

        rig.system.AddUnit();
        EXPECT_EQ(rig.system.TabCtrl.Labels,
                  (std::vector<std::string>{Label(1), Label(2), Label(3)}));
    }
}

TEST(SystemWindowDisconnectAll, SwitchesOffClosesEveryLinkAndEmptiesTheModuleKeys) {
    SystemRig rig;
    rig.system.AddUnit();
    rig.Connect(0, 0);
    rig.Connect(1, 1);
    rig.system.TabCtrl.SelectPage(0);

    rig.system.DisconnectAll();

    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(rig.Page(i).Link, nullptr);
        EXPECT_EQ(rig.Received(i), std::vector<std::string>{"LC 0"});
        EXPECT_EQ(rig.system.TabCtrl.Items[static_cast<std::size_t>(i)].Title,
                  "RKM5:No." + std::to_string(i + 1) + "\nTesselSerNr:");
    }
    EXPECT_EQ(rig.system.ChannelMap.UsedCount(), 0);
    EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), 0);
}

TEST(SystemWindowAllChannels, TheMenuLeavesTheLastTabAndTheKeyAndToolbarReturn) {
    struct Row {
        const char* name;
        std::function<void(CTabDlg&)> act;
        int state;
        int selectedAfter;
    };
    const std::vector<Row> rows = {
        {"menu on", [](CTabDlg& s) { s.OnMenuCommand(SystemCommand::AllChannelsOn); }, 1, 1},
        {"menu off", [](CTabDlg& s) { s.OnMenuCommand(SystemCommand::AllChannelsOff); }, 0, 1},
        {"F5", [](CTabDlg& s) { s.OnKeyUp(Key::F5, false); }, 1, 0},
        {"F6", [](CTabDlg& s) { s.OnKeyUp(Key::F6, false); }, 0, 0},
        {"toolbar on", [](CTabDlg& s) { s.OnToolbarButton(4); }, 1, 0},
        {"toolbar off", [](CTabDlg& s) { s.OnToolbarButton(5); }, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SystemRig rig;
        rig.system.AddUnit();
        rig.Connect(0, 0);
        rig.Connect(1, 1);
        // Every channel starts in the other state.
        rig.system.TabCtrl.SelectPage(0);
        rig.system.SwitchAllUnits(row.state == 1 ? 0 : 1, true);
        rig.system.TabCtrl.SelectPage(0);

        row.act(rig.system);

        EXPECT_TRUE(AllOn(rig.sims[0], row.state == 1));
        EXPECT_TRUE(AllOn(rig.sims[1], row.state == 1));
        EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), row.selectedAfter);
        EXPECT_EQ(rig.system.TabCtrl.ShownPage, row.selectedAfter);
    }
}

TEST(SystemWindowSystemInfo, OneFileFramesEachConnectedUnitAndTellsOfTheOthers) {
    struct Row {
        const char* name;
        bool m35;
        std::size_t queries;
        const char* last;
        const char* header;
        const char* end;
    };
    const std::vector<Row> rows = {
        {"ordinary unit", false, 27, "ST D",
         "\n**************** RKM5 1234 ***********************\n",
         "*** system info end 1234 ****************\n"},
        {"M35 unit", true, 31, "ILC D", "\n************* RKM5 1234 - M35 *******************\n",
         "*** system info end 1234 - M35 *********\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SystemRig rig;
        TempFolder folder;
        rig.sims[0].SetM35(row.m35);
        rig.system.AddUnit();
        rig.Connect(0, 0);
        ASSERT_EQ(rig.Page(0).IsM35, row.m35);
        rig.Page(0).SerNr = "1234";
        rig.fs.prompter.FileAnswers.push_back((folder.Path() / "report").string());

        rig.system.OnMenuCommand(SystemCommand::SaveSystemInfo);

        ASSERT_EQ(rig.fs.prompter.FileRequests.size(), 1u);
        EXPECT_EQ(rig.fs.prompter.FileRequests[0].FileName, "systemInfoLog.txt");
        EXPECT_TRUE(rig.fs.prompter.FileRequests[0].OverwritePrompt);
        EXPECT_EQ(rig.fs.prompter.Messages, std::vector<std::string>{"no connection opened"});
        const std::string text = ReadFile(folder.Path() / "report.txt");
        const std::string start = std::string(row.header) +
                                  "*** system info start 24.12.2024 - 09:05:07:042 ***\n" +
                                  std::string(51, '*') + "\n";
        EXPECT_EQ(text.substr(0, start.size()), start);
        const std::string trailer =
            std::string(42, '*') + "\n" + row.end + std::string(42, '*') + "\n\n";
        ASSERT_GE(text.size(), trailer.size());
        EXPECT_EQ(text.substr(text.size() - trailer.size()), trailer);

        const std::vector<std::string> sent = SendLines(text);
        EXPECT_EQ(sent, rig.Page(0).BuildQueryList());
        EXPECT_EQ(sent.size(), row.queries);
        EXPECT_EQ(sent.back(), row.last);
        EXPECT_EQ(rig.Received(0), sent);
        EXPECT_TRUE(rig.Logged(0, std::string("Send: ") + row.last));
        EXPECT_EQ(rig.system.SystemInfoFile, nullptr);
        EXPECT_EQ(rig.Page(0).InfoFile, nullptr);
        EXPECT_EQ(rig.Page(0).LogWriteThrough, 0);
        EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), 1);
    }
}

TEST(SystemWindowSystemInfo, ANameWithADotIsKeptAndCancellingWritesNothing) {
    SystemRig rig;
    TempFolder folder;
    const auto dotted = folder.Path() / "info.log";
    rig.fs.prompter.FileAnswers.push_back(dotted.string());
    rig.system.SaveSystemInfo();
    EXPECT_TRUE(std::filesystem::exists(dotted));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "info.log.txt"));

    rig.system.SaveSystemInfo(); // no answer queued: cancelled
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(SystemWindowSystemInfo, AFileThatCannotBeOpenedIsReported) {
    SystemRig rig;
    rig.fs.prompter.FileAnswers.push_back("/nonexistent-folder/x/report.txt");
    rig.system.SaveSystemInfo();
    EXPECT_EQ(rig.fs.prompter.Messages, std::vector<std::string>{"logfile could not be opened"});
}

TEST(SystemWindowSystemInfo, TheLogWindowListShowsTheQueriesWithoutAFile) {
    SystemRig rig;
    rig.Connect(0, 0);
    rig.system.OnMenuCommand(SystemCommand::ListSystemInfo);
    EXPECT_TRUE(rig.fs.prompter.Messages.empty());
    EXPECT_EQ(rig.Received(0).size(), 27u);
    EXPECT_TRUE(rig.Logged(0, "Send: VR"));
    EXPECT_TRUE(rig.Logged(0, "Send: ST D"));
}

// A link lost in the middle of the report is told once; the lines that end the connection go
// to the page's log window, and to a log file only when the page has chosen one.
TEST(SystemWindowSystemInfo, ALinkLostDuringTheReportIsToldOnceAndItsLinesGoToTheWindow) {
    struct Row {
        const char* name;
        bool toFile;     // "Save system info to file", else "List system info in Log window"
        bool saveLog;    // the page saved its log to a file of its own beforehand
        bool cancelSave; // the page's log save dialog was cancelled beforehand
    };
    const std::vector<Row> rows = {
        {"report to a file, no log file", true, false, false},
        {"report in the window, no log file", false, false, false},
        {"report to a file after a cancelled log save", true, false, true},
        {"report to a file, with the page's log file", true, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SystemRig rig;
        TempFolder folder;
        const auto session = folder.Path() / "session.txt";
        const auto otherPages = folder.Path() / "other-page.txt";
        const ProfileVersion version = CurrentProfileVersion();
        ASSERT_TRUE(WriteLogFilePath(rig.fs.profilePath, version.major, version.minor,
                                     otherPages.string()));
        rig.Connect(0, 0);
        rig.Page(0).SerNr = "1234";
        if (row.saveLog) {
            rig.fs.prompter.FileAnswers.push_back(session.string());
            rig.Page(0).SaveLogWindowToFile();
            ASSERT_TRUE(std::filesystem::exists(session));
        }
        if (row.cancelSave) {
            rig.fs.prompter.FileAnswers.push_back(std::nullopt);
            rig.Page(0).SaveLogWindowToFile();
        }
        const std::size_t requests = rig.fs.prompter.FileRequests.size();
        SimFaults faults;
        faults.CloseMidReply = true;
        rig.sims[0].SetFaults(faults);

        if (row.toFile) {
            rig.fs.prompter.FileAnswers.push_back((folder.Path() / "report.txt").string());
            rig.system.OnMenuCommand(SystemCommand::SaveSystemInfo);
        } else {
            rig.system.OnMenuCommand(SystemCommand::ListSystemInfo);
        }

        EXPECT_EQ(rig.Page(0).Link, nullptr);
        EXPECT_EQ(rig.fs.prompter.Messages,
                  std::vector<std::string>{"TCP connection lost RKM5 SerialNumber: 1234"});
        EXPECT_EQ(rig.fs.prompter.FileRequests.size(), requests + (row.toFile ? 1 : 0))
            << "no log file name is asked for";
        EXPECT_TRUE(rig.Logged(0, ">> Info: Disconnect complete"));
        EXPECT_FALSE(std::filesystem::exists(otherPages)) << "another page's log file";
        if (row.saveLog) {
            const std::string saved = ReadFile(session);
            EXPECT_NE(saved.find(">> Info: Disconnect complete\n"), std::string::npos) << saved;
        }
        EXPECT_EQ(rig.Page(0).LogFile, nullptr);
    }
}

TEST(SystemWindowExit, EveryPathSwitchesOffAndEndsTheRun) {
    struct Row {
        const char* name;
        std::function<void(CTabDlg&)> act;
        int result;
        bool exitProcess;
        bool savesLastConfig;
    };
    const std::vector<Row> rows = {
        {"Exit button", [](CTabDlg& s) { s.OnExitButton(); }, 1, false, true},
        {"closing the window", [](CTabDlg& s) { s.OnClose(); }, 2, false, true},
        {"Cancel button", [](CTabDlg& s) { s.OnCancelButton(); }, 2, false, false},
        {"File menu Exit", [](CTabDlg& s) { s.OnMenuCommand(SystemCommand::ExitProgram); }, 2, true,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SystemRig rig;
        rig.system.AddUnit();
        rig.Connect(1, 0);
        rig.system.TabCtrl.SelectPage(1);

        row.act(rig.system);

        EXPECT_EQ(rig.Received(0), std::vector<std::string>{"LC 0"});
        EXPECT_EQ(rig.Page(1).Link, nullptr);
        EXPECT_EQ(rig.system.ModalResult, row.result);
        EXPECT_EQ(rig.view.EndResults, std::vector<int>{row.result});
        EXPECT_EQ(rig.view.ExitProcess, row.exitProcess);
        EXPECT_EQ(rig.system.SaveToLastConfig, row.savesLastConfig);
        if (row.savesLastConfig) {
            EXPECT_EQ(rig.system.ActualTab, 1);
        }
    }
}

TEST(SystemWindowKeys, EachKeyReachesItsOperation) {
    struct Row {
        const char* name;
        Key key;
        bool ctrl;
        std::function<void(SystemRig&)> expect;
    };
    const std::vector<Row> rows = {
        {"F5 switches all units on", Key::F5, false,
         [](SystemRig& r) { EXPECT_TRUE(AllOn(r.sims[0], true)); }},
        {"F6 switches all units off", Key::F6, false,
         [](SystemRig& r) {
             EXPECT_EQ(r.Received(0).back(), "LC H 0");
             EXPECT_TRUE(AllOn(r.sims[0], false));
         }},
        {"Ctrl+A adds a unit", Key::A, true,
         [](SystemRig& r) { EXPECT_EQ(r.system.UnitCount, 3); }},
        {"Ctrl+R removes the selected unit", Key::R, true,
         [](SystemRig& r) {
             EXPECT_EQ(r.system.UnitCount, 1);
             EXPECT_EQ(r.system.TabCtrl.Labels, std::vector<std::string>{Label(2)});
         }},
        {"Ctrl+C is Connect all", Key::C, true,
         [](SystemRig& r) {
             EXPECT_EQ(r.fs.prompter.Messages,
                       std::vector<std::string>{"no Config loaded --> no connect all possible"});
         }},
        {"Ctrl+D is Disconnect all", Key::D, true,
         [](SystemRig& r) {
             EXPECT_EQ(r.Received(0), std::vector<std::string>{"LC 0"});
             EXPECT_EQ(r.Page(0).Link, nullptr);
         }},
        {"Ctrl+L has no binding", Key::L, true,
         [](SystemRig& r) { EXPECT_EQ(r.system.UnitCount, 2); }},
        {"Ctrl+S has no binding", Key::S, true,
         [](SystemRig& r) { EXPECT_EQ(r.system.UnitCount, 2); }},
        {"A without Ctrl does nothing", Key::A, false,
         [](SystemRig& r) { EXPECT_EQ(r.system.UnitCount, 2); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SystemRig rig;
        rig.system.AddUnit();
        rig.Connect(0, 0);
        rig.system.TabCtrl.SelectPage(0);
        rig.system.OnKeyUp(row.key, row.ctrl);
        row.expect(rig);
        // Only the keys that act on the units' channels or links send anything.
        if (row.key != Key::F5 && row.key != Key::F6 && row.key != Key::D && row.key != Key::R) {
            EXPECT_TRUE(rig.Received(0).empty());
        }
    }
}

TEST(SystemWindowManual, OpensTheManualOfTheCurrentFolderOrSaysItIsMissing) {
    SystemRig rig;
    TempFolder folder;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    const std::string path = (std::filesystem::current_path() / CTabDlg::ManualFileName).string();

    rig.system.OnMenuCommand(SystemCommand::Manual);
    EXPECT_EQ(rig.fs.prompter.Messages,
              std::vector<std::string>{"Manual " + path + " could not be opened"});
    EXPECT_TRUE(rig.fs.prompter.OpenedDocuments.empty());

    folder.Touch(CTabDlg::ManualFileName);
    rig.system.OnMenuCommand(SystemCommand::Manual);
    EXPECT_EQ(rig.fs.prompter.OpenedDocuments, std::vector<std::string>{path});
    EXPECT_EQ(rig.fs.prompter.Messages.size(), 1u);
    std::filesystem::current_path(before);
}
