#include "support/SystemRig.h"

#include "link/CRkmio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// A system window with one unit page per simulated unit, each pointed at its own unit over
// loopback TCP, as a loaded configuration would leave them.
struct ModuleRig {
    explicit ModuleRig(int units) {
        for (int i = 0; i < units; ++i) {
            SimIdentity identity;
            identity.SerialNumber = std::to_string(10001 + i);
            sims.push_back(std::make_unique<SimUnit>(identity));
            servers.push_back(std::make_unique<SimTcpServer>(*sims.back()));
        }
        system.SetView(&view);
        system.OnInitDialog();
        system.OnShowWindow();
        while (system.UnitCount < units) {
            system.AddUnit();
        }
        for (int i = 0; i < units; ++i) {
            CLumatrelDlg& page = Tab(i);
            page.SelectedIf = "TCP";
            page.IpAdr = "127.0.0.1";
            page.IpPort = servers[static_cast<std::size_t>(i)]->Port();
            page.ManualIp = true;
        }
        system.ConfigLoaded = true;
    }

    SimUnit& Sim(int s) { return *sims[static_cast<std::size_t>(s)]; }
    SimTcpServer& Server(int s) { return *servers[static_cast<std::size_t>(s)]; }
    CLumatrelDlg& Tab(int k) { return *system.Units[static_cast<std::size_t>(k)]; }
    CLumatrelDlg& UnitPage(int u) { return *system.ViewUnits[static_cast<std::size_t>(u)]; }
    // Only channel c of sim s carries a module, Tessel serNr, at current mA.
    void OnlyChannel(int s, int c, std::int32_t serNr, std::int32_t current = 200) {
        Sim(s).SetLayout({0, 0, 0, 0});
        SimChannel channel;
        channel.TesselSerNr = serNr;
        channel.ModuleCount = 1;
        channel.Current = current;
        Sim(s).SetChannel(c, channel);
    }
    void ConnectAllAndForget() {
        system.ConnectAll();
        ForgetReceived();
    }
    void ForgetReceived() {
        for (auto& sim : sims) {
            sim->ClearReceivedCommands();
        }
    }
    // The current set-points sent to sim s ("IY E 800"), not the "IY" queries.
    Lines CurrentsSent(int s) const {
        Lines sent;
        for (const std::string& command : sims[static_cast<std::size_t>(s)]->ReceivedCommands()) {
            if (command.rfind("IY ", 0) == 0) {
                sent.push_back(command);
            }
        }
        return sent;
    }
    Lines Titles() const {
        Lines titles;
        for (const CibTabCtrl::Item& item : system.TabCtrl.Items) {
            titles.push_back(item.Title);
        }
        return titles;
    }
    std::vector<bool> Masters() {
        std::vector<bool> masters;
        for (int k = 0; k < system.UnitCount; ++k) {
            masters.push_back(Tab(k).HoldsMasterTessel);
        }
        return masters;
    }
    static bool Logged(const CLumatrelDlg& page, const std::string& line) {
        const Lines& log = page.Controls.LogEntries;
        return std::find(log.begin(), log.end(), line) != log.end();
    }
    static FakeTimers& TimersOf(CLumatrelDlg& page) {
        return dynamic_cast<FakeTimers&>(page.Timers());
    }
    static bool ChannelControlsShown(const CLumatrelDlg& page, int c) {
        const ChannelControls& panel = page.Controls.Channels[static_cast<std::size_t>(c)];
        return panel.IsVisible(PanelControl::Apply) && panel.IsVisible(PanelControl::OnOff) &&
               panel.IsVisible(PanelControl::CurrentEdit) && panel.IsVisible(PanelControl::Slider);
    }
    static bool AnyChannelControlShown(const CLumatrelDlg& page) {
        for (const ChannelControls& panel : page.Controls.Channels) {
            for (PanelControl control :
                 {PanelControl::Apply, PanelControl::OnOff, PanelControl::CurrentEdit,
                  PanelControl::Slider, PanelControl::MinLabel, PanelControl::MaxLabel,
                  PanelControl::CurrentLabel}) {
                if (panel.IsVisible(control)) {
                    return true;
                }
            }
        }
        return false;
    }

    // The units outlive the window, whose end closes what is still open.
    std::vector<std::unique_ptr<SimUnit>> sims;
    std::vector<std::unique_ptr<SimTcpServer>> servers;
    FakeServices fs;
    RecordingSystemView view;
    CTabDlg system{fs.Services()};
};

} // namespace

TEST(ModuleView, TwoUnitsOnOneTesselGiveABoldMasterTabAndOneWithoutControls) {
    ModuleRig rig(2);
    rig.OnlyChannel(0, 0, 501);
    rig.OnlyChannel(1, 0, 501);
    rig.ConnectAllAndForget();
    CLumatrelDlg* unit0 = rig.system.Units[0];
    CLumatrelDlg* unit1 = rig.system.Units[1];

    rig.system.ShowModuleView();
    ASSERT_EQ(rig.system.UnitCount, 2);
    EXPECT_EQ(rig.system.ViewMode, 1);
    EXPECT_EQ(rig.Titles(), (Lines{"TesselSerNr:501\nTCP:10001", "TesselSerNr:501\nTCP:10002"}));
    EXPECT_EQ(rig.system.TabCtrl.Items[0].Image, 1);
    EXPECT_EQ(rig.Masters(), (std::vector<bool>{true, false}));
    EXPECT_EQ(rig.system.ViewUnits[0], unit0);
    EXPECT_EQ(rig.system.ViewUnits[1], unit1);
    // The module pages work on the unit pages' links.
    EXPECT_EQ(rig.Tab(0).Link, unit0->Link);
    EXPECT_EQ(rig.Tab(1).Link, unit1->Link);
    EXPECT_NE(rig.Tab(0).Link, nullptr);
    EXPECT_EQ(rig.Tab(1).TesselGroupSerNr, 501);

    const CTabDlg::TabItemLook master = rig.system.TabItemDrawing(0, true);
    const CTabDlg::TabItemLook other = rig.system.TabItemDrawing(1, false);
    EXPECT_TRUE(master.Bold);
    EXPECT_FALSE(other.Bold);
    EXPECT_EQ((std::array<int, 3>{master.Red, master.Green, master.Blue}),
              (std::array<int, 3>{255, 255, 0}));
    EXPECT_EQ((std::array<int, 3>{other.Red, other.Green, other.Blue}),
              (std::array<int, 3>{255, 255, 200}));

    EXPECT_TRUE(rig.ChannelControlsShown(rig.Tab(0), 0));
    EXPECT_TRUE(rig.Tab(0).Controls.CommandLineVisible);
    EXPECT_FALSE(rig.AnyChannelControlShown(rig.Tab(1)));
    EXPECT_FALSE(rig.Tab(1).Controls.CommandLineVisible);
    for (int k = 0; k < 2; ++k) {
        const UnitMenuBar menu = rig.Tab(k).MenuBarState();
        EXPECT_FALSE(menu.IsEnabled(UnitCommand::Connect));
        EXPECT_FALSE(menu.IsEnabled(UnitCommand::Disconnect));
        EXPECT_FALSE(menu.IsEnabled(UnitCommand::ManualAssignment));
        EXPECT_TRUE(menu.IsEnabled(UnitCommand::AutomaticAssignment));
        EXPECT_EQ(rig.Tab(k).Controls.Toolbar[0].Image, UnitToolbarImage::Grey);
        EXPECT_EQ(rig.Tab(k).Controls.Toolbar[1].Image, UnitToolbarImage::Grey);
    }
    EXPECT_EQ(rig.system.Controls.Toolbar[6].Image, SystemToolbarImage::UnitViewInModuleView);
    EXPECT_EQ(rig.system.Controls.Toolbar[7].Image, SystemToolbarImage::ModuleViewInModuleView);
    const SystemMenuBar menu = rig.system.MenuBarState();
    EXPECT_TRUE(menu.IsChecked(SystemCommand::ModuleView));
    EXPECT_FALSE(menu.IsChecked(SystemCommand::UnitView));
    EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), 0) << "the last master's tab";

    // A non-master page keeps its controls hidden when its modules are shown again.
    rig.Tab(1).RefreshModuleDisplay();
    EXPECT_FALSE(rig.AnyChannelControlShown(rig.Tab(1)));

    // "Tessel View" again changes nothing.
    CLumatrelDlg* firstModulePage = rig.system.Units[0];
    rig.system.ShowModuleView();
    EXPECT_EQ(rig.system.Units[0], firstModulePage);
    EXPECT_EQ(rig.system.ViewUnits[0], unit0);
    EXPECT_EQ(rig.system.UnitCount, 2);
}

TEST(ModuleView, OneUnitWhoseTesselSpansChannelsAAndBGivesTwoTabsFromIt) {
    ModuleRig rig(1);
    // 601 on A and B, 602 on C, 603 on D.
    rig.Sim(0).SetLayout({2, 0, 1, 1}, 601);
    rig.ConnectAllAndForget();
    rig.system.ShowModuleView();

    ASSERT_EQ(rig.system.UnitCount, 4);
    EXPECT_EQ(rig.Titles(), (Lines{"TesselSerNr:601\nTCP:10001", "TesselSerNr:601\nTCP:10001",
                                   "TesselSerNr:602\nTCP:10001", "TesselSerNr:603\nTCP:10001"}));
    // Groups of one hold their master too.
    EXPECT_EQ(rig.Masters(), (std::vector<bool>{true, false, true, true}));
    EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), 3);

    // The first shows channel A with the channel its module covers, the second channel B.
    const CLumatrelDlg& first = rig.Tab(0);
    const CLumatrelDlg& second = rig.Tab(1);
    EXPECT_EQ(first.TesselSerNrText, (std::array<std::string, 4>{"601", "601", "", ""}));
    EXPECT_EQ(first.ModulesInUse, (std::array<std::int32_t, 4>{2, 0, 0, 0}));
    EXPECT_EQ(second.TesselSerNrText, (std::array<std::string, 4>{"", "601", "", ""}));
    EXPECT_EQ(rig.Tab(2).TesselSerNrText, (std::array<std::string, 4>{"", "", "602", ""}));
    EXPECT_EQ(CTabDlg::FindTesselChannel(first, 601, 1), 0);
    EXPECT_EQ(CTabDlg::FindTesselChannel(second, 601, 2), 1);
    EXPECT_EQ(CTabDlg::FindTesselChannel(second, 601, 1), 1) << "one match counts round";
    EXPECT_EQ(CTabDlg::FindTesselChannel(rig.Tab(2), 601, 1), -1);
    // Equalised on the channels the group's tabs stand for: A and B.
    EXPECT_EQ(rig.CurrentsSent(0), (Lines{"IY E 200", "IY F 200"}));
}

TEST(ModuleView, ThreeGroupsOfTwoHaveTheirMastersOnTabsZeroTwoAndFour) {
    ModuleRig rig(2);
    for (int s = 0; s < 2; ++s) {
        rig.Sim(s).SetLayout({1, 1, 1, 0}, 701);
    }
    rig.ConnectAllAndForget();
    rig.system.ShowModuleView();

    ASSERT_EQ(rig.system.UnitCount, 6);
    EXPECT_EQ(rig.Masters(), (std::vector<bool>{true, false, true, false, true, false}));
    std::vector<std::int32_t> groups;
    for (int k = 0; k < 6; ++k) {
        groups.push_back(rig.Tab(k).TesselGroupSerNr);
    }
    EXPECT_EQ(groups, (std::vector<std::int32_t>{701, 701, 702, 702, 703, 703}));
    EXPECT_EQ(rig.Titles()[4], "TesselSerNr:703\nTCP:10001");
    EXPECT_EQ(rig.Titles()[5], "TesselSerNr:703\nTCP:10002");
    EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), 4);
    for (int k : {0, 2, 4}) {
        EXPECT_TRUE(rig.system.TabItemDrawing(k, false).Bold) << "tab " << k;
    }
}

TEST(ModuleView, TheUnitViewReturnsWithItsPagesTitlesAndLinks) {
    ModuleRig rig(3);
    rig.Sim(0).SetLayout({1, 1, 1, 0}, 701);
    rig.Sim(1).SetLayout({1, 1, 1, 0}, 701);
    // The third unit is configured but never connected.
    rig.Tab(2).SelectedIf = "";
    rig.ConnectAllAndForget();
    const std::array<CLumatrelDlg*, 3> units = {rig.system.Units[0], rig.system.Units[1],
                                                rig.system.Units[2]};
    CRkmio* const link0 = units[0]->Link;
    units[0]->Controls.CommandBox.Entries = {"VR"};
    rig.system.ShowModuleView();
    ASSERT_EQ(rig.system.UnitCount, 6);
    const std::vector<CLumatrelDlg*> modulePages(rig.system.Units.begin(),
                                                 rig.system.Units.begin() + 6);

    rig.system.ShowUnitView();
    EXPECT_EQ(rig.system.ViewMode, 0);
    ASSERT_EQ(rig.system.UnitCount, 3);
    EXPECT_EQ(rig.Titles(),
              (Lines{"TCP:10001\nTesselSerNr:701 702 703 ", "TCP:10002\nTesselSerNr:701 702 703 ",
                     "RKM5: No.3\nTesselSerNr:"}));
    EXPECT_EQ(rig.system.TabCtrl.Items[0].Image, 1);
    EXPECT_EQ(rig.system.TabCtrl.Items[2].Image, 0);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(rig.system.Units[static_cast<std::size_t>(k)],
                  units[static_cast<std::size_t>(k)]);
    }
    EXPECT_EQ(rig.system.ViewUnits, rig.system.Units);
    EXPECT_EQ(units[0]->Link, link0);
    EXPECT_EQ(units[0]->Controls.CommandBox.Entries, Lines{"VR"}) << "the page kept its state";
    for (CLumatrelDlg* page : modulePages) {
        EXPECT_NE(std::find(rig.view.Released.begin(), rig.view.Released.end(), page),
                  rig.view.Released.end());
    }
    const UnitMenuBar menu = units[0]->MenuBarState();
    EXPECT_TRUE(menu.IsEnabled(UnitCommand::Connect));
    EXPECT_TRUE(menu.IsEnabled(UnitCommand::ManualAssignment));
    EXPECT_EQ(units[0]->Controls.Toolbar[0].Image, UnitToolbarImage::Connect);
    EXPECT_EQ(units[0]->Controls.Toolbar[1].Image, UnitToolbarImage::Disconnect);
    EXPECT_EQ(rig.system.Controls.Toolbar[6].Image, SystemToolbarImage::UnitView);
    EXPECT_EQ(rig.system.Controls.Toolbar[7].Image, SystemToolbarImage::ModuleView);
    EXPECT_TRUE(rig.system.MenuBarState().IsChecked(SystemCommand::UnitView));

    // The links still work, each from its own unit page.
    rig.ForgetReceived();
    rig.system.TabCtrl.SelectPage(1);
    units[1]->Controls.Channels[2].CurrentEdit = "900";
    units[1]->ApplyCurrent(2);
    EXPECT_EQ(rig.CurrentsSent(1), Lines{"IY G 900"});
    EXPECT_TRUE(rig.CurrentsSent(0).empty());
}

TEST(ModuleView, TheStatusLineSumsUpTheErrorPollsAndStartsAfreshAfterEveryPage) {
    ModuleRig rig(3);
    rig.OnlyChannel(0, 0, 801);
    rig.OnlyChannel(1, 0, 802);
    rig.OnlyChannel(2, 0, 803);
    rig.Sim(1).SetErrorCode(5);
    rig.ConnectAllAndForget();
    rig.system.ShowModuleView();
    ASSERT_EQ(rig.system.UnitCount, 3);

    const std::string first = "no errors detecte:Tessel 801 at Rkm5 10001";
    const std::string second = first + ",Error 5 at Tessel 802 at Rkm5 10002";
    const std::string third = second + ",Tessel 803 at Rkm5 10003";
    const std::array<std::string, 3> expected = {first, second, third};
    for (int k = 0; k < 3; ++k) {
        ModuleRig::TimersOf(rig.Tab(k)).Fire(3);
        EXPECT_EQ(rig.system.ErrorSummary, expected[static_cast<std::size_t>(k)]) << "tab " << k;
    }
    EXPECT_EQ(rig.system.ErrorCount, 0);

    rig.Sim(0).SetErrorCode(7);
    ModuleRig::TimersOf(rig.Tab(0)).Fire(3);
    EXPECT_EQ(rig.system.ErrorSummary, "Error 7 at Tessel 801 at Rkm5 10001");

    // In the unit view the status line stays empty.
    rig.system.ShowUnitView();
    ModuleRig::TimersOf(rig.Tab(0)).Fire(3);
    EXPECT_EQ(rig.system.ErrorSummary, "");
}

TEST(ModuleViewPropagation, ACurrentAppliedOnTheMasterReachesTheOtherTabsOfItsGroup) {
    ModuleRig rig(3);
    rig.OnlyChannel(0, 1, 501); // channel B on the master's unit
    rig.OnlyChannel(1, 0, 501);
    rig.OnlyChannel(2, 2, 501);
    rig.ConnectAllAndForget();
    rig.system.ShowModuleView();
    ASSERT_EQ(rig.system.UnitCount, 3);
    rig.ForgetReceived();

    rig.system.TabCtrl.SelectPage(0);
    rig.Tab(0).Controls.Channels[1].CurrentEdit = "800";
    rig.Tab(0).ApplyCurrent(1);

    EXPECT_EQ(rig.CurrentsSent(0), Lines{"IY F 800"});
    EXPECT_EQ(rig.CurrentsSent(1), Lines{"IY E 800"});
    EXPECT_EQ(rig.CurrentsSent(2), Lines{"IY G 800"});
    EXPECT_EQ(rig.Sim(1).Channel(0).Current, 800);
    EXPECT_EQ(rig.Sim(2).Channel(2).Current, 800);
    EXPECT_TRUE(ModuleRig::Logged(rig.Tab(1), "Sending: IY E 800"));
    EXPECT_TRUE(ModuleRig::Logged(rig.Tab(2), "Sending: IY G 800"));
    EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), 0);
}

TEST(ModuleViewPropagation, ASwitchOnTheMasterReachesChannelCOfTheSecondTab) {
    ModuleRig rig(2);
    rig.OnlyChannel(0, 0, 901);
    rig.OnlyChannel(1, 2, 901);
    rig.ConnectAllAndForget();
    rig.system.ShowModuleView();
    ASSERT_EQ(rig.system.UnitCount, 2);
    rig.ForgetReceived();

    rig.system.TabCtrl.SelectPage(0);
    rig.Tab(0).Controls.Channels[0].OnOff = true;
    rig.Tab(0).SwitchChannel(0);

    EXPECT_EQ(rig.Sim(0).ReceivedCommands(), Lines{"LC E 1"});
    EXPECT_EQ(rig.Sim(1).ReceivedCommands(), Lines{"LC G 1"});
    EXPECT_TRUE(rig.Sim(1).Channel(2).On);
    EXPECT_TRUE(rig.Tab(1).Controls.Channels[2].OnOff);
    EXPECT_FALSE(rig.Tab(1).Controls.Channels[0].OnOff);
    EXPECT_TRUE(ModuleRig::Logged(rig.Tab(1), "LED 3 switched on, Send: LC G 1"));
    EXPECT_EQ(rig.system.TabCtrl.GetCurSel(), 0);

    // In manual assignment a switch stays on its own unit.
    rig.ForgetReceived();
    rig.Tab(0).ChannelAssignment = 1;
    rig.Tab(0).Controls.Channels[0].OnOff = false;
    rig.Tab(0).SwitchChannel(0);
    EXPECT_EQ(rig.Sim(0).ReceivedCommands(), Lines{"LC A 0"});
    EXPECT_TRUE(rig.Sim(1).ReceivedCommands().empty());
}

TEST(ModuleViewPropagation, BuildingTheViewBringsAGroupToItsLowestSetPoint) {
    ModuleRig rig(2);
    rig.OnlyChannel(0, 0, 501, 900);
    rig.OnlyChannel(1, 0, 501, 600);
    rig.ConnectAllAndForget();
    rig.system.ShowModuleView();

    EXPECT_EQ(rig.CurrentsSent(0), Lines{"IY E 600"});
    EXPECT_EQ(rig.CurrentsSent(1), Lines{"IY E 600"});
    EXPECT_EQ(rig.Sim(0).Channel(0).Current, 600);
    EXPECT_EQ(rig.Tab(0).CurrentSetpoint[0], 600);
    EXPECT_EQ(rig.Tab(1).CurrentSetpoint[0], 600);
    EXPECT_EQ(rig.Tab(0).Controls.Channels[0].SliderPos, 600);
    EXPECT_TRUE(ModuleRig::Logged(rig.Tab(0), "Sending: IY E 600"));
}

TEST(ModuleViewPropagation, AGroupOfOneIsNeitherEqualisedNorPropagated) {
    ModuleRig rig(2);
    rig.OnlyChannel(0, 0, 501, 900);
    rig.OnlyChannel(1, 0, 502, 600);
    rig.ConnectAllAndForget();
    rig.system.ShowModuleView();
    ASSERT_EQ(rig.system.UnitCount, 2);
    EXPECT_EQ(rig.Masters(), (std::vector<bool>{true, true}));
    EXPECT_TRUE(rig.CurrentsSent(0).empty());
    EXPECT_TRUE(rig.CurrentsSent(1).empty());

    rig.system.TabCtrl.SelectPage(0);
    rig.Tab(0).Controls.Channels[0].CurrentEdit = "800";
    rig.Tab(0).ApplyCurrent(0);
    EXPECT_EQ(rig.CurrentsSent(0), Lines{"IY E 800"});
    EXPECT_TRUE(rig.CurrentsSent(1).empty()) << "another module's channel";
}

TEST(ModuleViewLinks, DisconnectAllClosesEachSharedLinkOnce) {
    ModuleRig rig(2);
    for (int s = 0; s < 2; ++s) {
        rig.Sim(s).SetLayout({1, 1, 0, 0}, 501);
    }
    rig.ConnectAllAndForget();
    rig.system.ShowModuleView();
    ASSERT_EQ(rig.system.UnitCount, 4); // two groups, each on both units
    rig.ForgetReceived();

    rig.system.DisconnectAll();
    for (int s = 0; s < 2; ++s) {
        ASSERT_TRUE(rig.Server(s).WaitForQuits(1, 10000)) << "unit " << s;
        EXPECT_EQ(rig.Server(s).QuitCount(), 1) << "unit " << s;
        EXPECT_EQ(rig.Server(s).SessionCount(), 1) << "unit " << s;
        const Lines received = rig.Sim(s).ReceivedCommands();
        EXPECT_EQ(std::count(received.begin(), received.end(), "LC 0"), 1) << "unit " << s;
        EXPECT_EQ(rig.UnitPage(s).Link, nullptr);
        EXPECT_EQ(rig.UnitPage(s).IsConnected, 0);
    }
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(rig.Tab(k).Link, nullptr) << "tab " << k;
        EXPECT_EQ(rig.Tab(k).TcpLink, nullptr) << "tab " << k;
        EXPECT_EQ(rig.Tab(k).IsConnected, 0) << "tab " << k;
    }
    EXPECT_EQ(rig.system.ChannelMap.UsedCount(), 0);

    rig.system.ShowUnitView();
    EXPECT_EQ(rig.Titles(), (Lines{"RKM5: No.1\nTesselSerNr:", "RKM5: No.2\nTesselSerNr:"}));
    // The window's end finds nothing left to close.
    rig.system.OnCancelButton();
    EXPECT_EQ(rig.Server(0).QuitCount(), 1);
}

TEST(ModuleViewLinks, AUnitLostInTheModuleViewIsForgottenByEveryPageThatSharedIt) {
    ModuleRig rig(2);
    rig.OnlyChannel(0, 0, 501);
    rig.Sim(1).SetLayout({1, 1, 0, 0}, 501); // 501 on A, 502 on B: two tabs on its link
    rig.ConnectAllAndForget();
    rig.system.ShowModuleView();
    ASSERT_EQ(rig.Titles(), (Lines{"TesselSerNr:501\nTCP:10001", "TesselSerNr:501\nTCP:10002",
                                   "TesselSerNr:502\nTCP:10002"}));
    ASSERT_EQ(rig.Tab(1).Link, rig.Tab(2).Link);
    CRkmio* const link0 = rig.Tab(0).Link;

    SimFaults faults;
    faults.CloseMidReply = true;
    rig.Sim(1).SetFaults(faults);
    ModuleRig::TimersOf(rig.Tab(1)).Fire(1);

    EXPECT_EQ(rig.fs.prompter.Messages, Lines{"TCP connection lost RKM5 SerialNumber: 10002"});
    for (CLumatrelDlg* page : {&rig.Tab(1), &rig.Tab(2), &rig.UnitPage(1)}) {
        EXPECT_EQ(page->Link, nullptr);
        EXPECT_EQ(page->TcpLink, nullptr);
        EXPECT_EQ(page->IsConnected, 0);
    }
    EXPECT_TRUE(ModuleRig::TimersOf(rig.Tab(2)).Running.empty());
    EXPECT_EQ(rig.Titles()[1], "NC:10002");
    EXPECT_EQ(rig.Titles()[2], "NC:10002");
    EXPECT_EQ(rig.Tab(0).Link, link0);
    // The lost unit's modules are given up once: 501 is now reported by unit 1 alone.
    const auto& entries = rig.system.ChannelMap.Entries();
    EXPECT_EQ(rig.system.ChannelMap.UsedCount(), 1);
    EXPECT_EQ(entries[0].Key, 501);
    EXPECT_EQ(entries[0].Count, 1);

    // The master still drives its own unit; the lost one is given the command in its log
    // only.
    rig.ForgetReceived();
    rig.system.TabCtrl.SelectPage(0);
    rig.Tab(0).Controls.Channels[0].CurrentEdit = "700";
    rig.Tab(0).ApplyCurrent(0);
    EXPECT_EQ(rig.CurrentsSent(0), Lines{"IY E 700"});
    EXPECT_TRUE(rig.CurrentsSent(1).empty());
    EXPECT_TRUE(ModuleRig::Logged(rig.Tab(1), "Sending: IY E 700"));

    rig.system.ShowUnitView();
    EXPECT_EQ(rig.Titles()[1], "RKM5: No.2\nTesselSerNr:");
    EXPECT_EQ(rig.Tab(0).Link, link0);
}

// Units connected from their own menus have no serial number of their own: a lost one is
// named, on every tab that shared its link and on its unit page, by the one it reported.
TEST(ModuleViewLinks, AUnitConnectedFromItsMenuIsLostUnderTheSerialNumberItReported) {
    ModuleRig rig(2);
    rig.OnlyChannel(0, 0, 501);
    rig.Sim(1).SetLayout({1, 1, 0, 0}, 501);
    for (int i = 0; i < 2; ++i) {
        rig.system.TabCtrl.SelectPage(i);
        rig.Tab(i).ConnectSelected();
        ASSERT_NE(rig.Tab(i).Link, nullptr);
        ASSERT_EQ(rig.Tab(i).SerNr, "");
    }
    rig.system.ShowModuleView();
    ASSERT_EQ(rig.Tab(1).Link, rig.Tab(2).Link);

    SimFaults faults;
    faults.CloseMidReply = true;
    rig.Sim(1).SetFaults(faults);
    ModuleRig::TimersOf(rig.Tab(2)).Fire(1);

    EXPECT_EQ(rig.fs.prompter.Messages, Lines{"TCP connection lost RKM5 SerialNumber: 10002"});
    EXPECT_EQ(rig.Titles()[1], "NC:10002");
    EXPECT_EQ(rig.Titles()[2], "NC:10002");
    EXPECT_EQ(rig.UnitPage(1).SerNr, "10002");
    EXPECT_EQ(rig.UnitPage(0).SerNr, "") << "the unit that stays connected keeps none";
}

TEST(ModuleView, NeedsAnOpenConnection) {
    ModuleRig rig(1);
    CLumatrelDlg* unit = rig.system.Units[0];
    rig.system.ShowModuleView();
    EXPECT_EQ(rig.fs.prompter.Messages, Lines{"no connection to RKM5, TesselView not possible"});
    EXPECT_EQ(rig.system.ViewMode, 0);
    EXPECT_EQ(rig.system.Units[0], unit);
    EXPECT_TRUE(rig.system.MenuBarState().IsChecked(SystemCommand::UnitView));
    EXPECT_FALSE(rig.system.MenuBarState().IsChecked(SystemCommand::ModuleView));
}

TEST(ModuleView, ConnectAllEndsInTheModuleViewWhenTheConfigurationAsks) {
    ModuleRig rig(2);
    rig.OnlyChannel(0, 0, 501);
    rig.OnlyChannel(1, 0, 501);
    rig.system.ConfigViewMode = 1;
    rig.system.ConnectAll();
    EXPECT_EQ(rig.system.ViewMode, 1);
    EXPECT_TRUE(rig.system.MenuBarState().IsChecked(SystemCommand::ModuleView));
    EXPECT_EQ(rig.Titles(), (Lines{"TesselSerNr:501\nTCP:10001", "TesselSerNr:501\nTCP:10002"}));

    // Connect all again starts from the unit view and returns to the module view.
    rig.system.ConnectAll();
    EXPECT_EQ(rig.system.ViewMode, 1);
    EXPECT_EQ(rig.system.UnitCount, 2);
    EXPECT_EQ(rig.Tab(1).Link, rig.UnitPage(1).Link);
    EXPECT_NE(rig.Tab(1).Link, nullptr);
}

TEST(ModuleView, MoreThanTwentyTesselChannelsGiveTwentyTabsAndSaySo) {
    ModuleRig rig(6); // 6 units x 4 channels on the modules 201 to 204
    rig.ConnectAllAndForget();
    rig.system.ShowModuleView();
    EXPECT_EQ(rig.system.UnitCount, 20);
    EXPECT_EQ(rig.system.TabCtrl.GetCount(), 20);
    EXPECT_EQ(rig.fs.prompter.Messages,
              Lines{"maximum of 20 Tessel tabs reached\n4 more Tessel channels are not shown"});
    // The last group is cut to its first two tabs.
    EXPECT_EQ(rig.Tab(18).TesselGroupSerNr, 204);
    EXPECT_TRUE(rig.Tab(18).HoldsMasterTessel);
    EXPECT_FALSE(rig.Tab(19).HoldsMasterTessel);
}
