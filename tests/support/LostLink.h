#pragma once

#include "SimUnit.h"
#include "support/Fakes.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// From now on the unit breaks off every reply halfway and drops the link.
inline void BreakReplies(SimUnit& unit) {
    SimFaults faults = unit.Faults();
    faults.CloseMidReply = true;
    unit.SetFaults(faults);
}

// The page in the first tab of system lost its link while it connected: it is not connected,
// its tab reads "NC:" and the serial number with the unconnected image, the operator was told
// lostMessage once, and the log ends with the reset: nothing was monitored or titled after it.
inline void ExpectLostWhileConnecting(const CTabDlg& system, const CLumatrelDlg& page,
                                      const FakePrompter& prompter,
                                      const std::string& lostMessage) {
    EXPECT_EQ(page.Link, nullptr);
    EXPECT_EQ(page.SerialLink, nullptr);
    EXPECT_EQ(page.TcpLink, nullptr);
    EXPECT_EQ(page.IsConnected, 0);
    ASSERT_FALSE(system.TabCtrl.Items.empty());
    EXPECT_EQ(system.TabCtrl.Items[0].Title, "NC:" + page.SerNr);
    EXPECT_EQ(system.TabCtrl.Items[0].Image, 0);
    EXPECT_EQ(prompter.Messages, std::vector<std::string>{lostMessage});
    const std::vector<std::string>& log = page.Controls.LogEntries;
    const std::vector<std::string> reset = {">> Info: Disconnect complete",
                                            "     ------------------------------"};
    ASSERT_GE(log.size(), reset.size());
    EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()), reset);
    EXPECT_EQ(
        std::count(log.begin(), log.end(), "++ Error: No host connection to RKM5 device active."),
        0);
    EXPECT_EQ(system.ChannelMap.UsedCount(), 0);
}
