#pragma once

#include "SimTcpServer.h"
#include "SimUnit.h"
#include "link/CRKM5Tcpio.h"
#include "support/Fakes.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A unit page in the first tab of a system window, its link open to a simulated unit over
// loopback TCP without the identification a connect would run, so that the unit has
// received nothing when a test begins.
class SimulatedPage : public ::testing::Test {
protected:
    SimulatedPage() {
        system.Units[0] = &page;
        system.UnitCount = 1;
        page.SystemWindow = &system;
        system.TabCtrl.AddPage("RKM5 No.1\nTesselSerNr:", &page, 0);
        system.TabCtrl.SelectPage(0);
        page.SerNr = "10001";
    }
    ~SimulatedPage() override {
        delete page.Link;
        page.Link = nullptr;
    }

    void Connect() {
        auto* tcp = new CRKM5Tcpio(fs.pause);
        ASSERT_EQ(tcp->Open("127.0.0.1", server.Port()), 0) << tcp->m_strMessage;
        page.Link = page.TcpLink = tcp;
        page.IsConnected = 1;
        unit.ClearReceivedCommands();
    }

    // The log entries from index `from` on.
    std::vector<std::string> LogSince(std::size_t from) const {
        const auto& log = page.Controls.LogEntries;
        return {log.begin() + static_cast<std::ptrdiff_t>(std::min(from, log.size())), log.end()};
    }
    std::size_t LogSize() const { return page.Controls.LogEntries.size(); }

    SimUnit unit;
    SimTcpServer server{unit};
    FakeServices fs;
    CTabDlg system;
    CLumatrelDlg page{fs.Services()};
};
