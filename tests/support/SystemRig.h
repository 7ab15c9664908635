#pragma once

#include "SimTcpServer.h"
#include "SimUnit.h"
#include "platform/SystemView.h"
#include "support/Fakes.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

// Records what the system window asked its window to do.
class RecordingSystemView : public SystemView {
public:
    void TabsChanged() override { ++TabChanges; }
    void Refresh() override { ++Refreshes; }
    void PageReleased(CLumatrelDlg& page) override { Released.push_back(&page); }
    void PlacePageAtTabStrip(CLumatrelDlg& page) override { Placed.push_back(&page); }
    void ShowAbout() override { ++Abouts; }
    void EndModal(int result, bool exitProcess) override {
        EndResults.push_back(result);
        ExitProcess = exitProcess;
    }

    int TabChanges = 0;
    int Refreshes = 0;
    int Abouts = 0;
    std::vector<const CLumatrelDlg*> Released;
    std::vector<const CLumatrelDlg*> Placed;
    std::vector<int> EndResults;
    bool ExitProcess = false;
};

// A started system window with its first unit page, and two simulated units on loopback TCP
// that its pages can be pointed at.
struct SystemRig {
    SystemRig() {
        sims[1].SetIdentity([] {
            SimIdentity identity;
            identity.SerialNumber = "10002";
            return identity;
        }());
        system.SetView(&view);
        system.OnInitDialog();
        system.OnShowWindow();
    }

    CLumatrelDlg& Page(int i) { return *system.Units[static_cast<std::size_t>(i)]; }
    // Unit i of the window reaches simulated unit s over TCP.
    void PointAt(int i, int s) {
        CLumatrelDlg& page = Page(i);
        page.SelectedIf = "TCP";
        page.IpAdr = "127.0.0.1";
        page.IpPort = servers[static_cast<std::size_t>(s)]->Port();
    }
    // Connects unit i to simulated unit s from its own tab, as its menu does.
    void Connect(int i, int s) {
        PointAt(i, s);
        system.TabCtrl.SelectPage(i);
        Page(i).ConnectSelected();
        sims[static_cast<std::size_t>(s)].ClearReceivedCommands();
    }
    std::vector<std::string> Received(int s) const {
        return sims[static_cast<std::size_t>(s)].ReceivedCommands();
    }
    bool Logged(int i, const std::string& line) {
        const auto& log = Page(i).Controls.LogEntries;
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    std::array<SimUnit, 2> sims;
    std::array<std::unique_ptr<SimTcpServer>, 2> servers = {
        std::make_unique<SimTcpServer>(sims[0]), std::make_unique<SimTcpServer>(sims[1])};
    FakeServices fs;
    RecordingSystemView view;
    CTabDlg system{fs.Services()};
};
