#include "system/CibTabCtrl.h"
#include "support/Fakes.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string Label(int n) {
    return "RKM5 No." + std::to_string(n) + "\nTesselSerNr:";
}

// Three pages the strips below show; only their addresses matter.
CLumatrelDlg* FakePage(int n) {
    static FakeServices fs;
    static CLumatrelDlg pages[3] = {CLumatrelDlg(fs.Services()), CLumatrelDlg(fs.Services()),
                                    CLumatrelDlg(fs.Services())};
    return &pages[n];
}

} // namespace

TEST(CibTabCtrl, NextUnitNumberIsTheLowestFreeOne) {
    struct Row {
        const char* name;
        std::vector<std::string> labels;
        int next;
    };
    const std::vector<Row> rows = {
        {"no labels", {}, 1},
        {"a gap at 2", {Label(1), Label(3)}, 2},
        {"1 and 2 taken", {Label(1), Label(2)}, 3},
        {"order does not matter", {Label(3), Label(1), Label(2)}, 4},
        {"labels without a number", {"TCP:10001\nTesselSerNr:"}, 1},
        {"only 2 taken", {Label(2)}, 1},
        {"a huge number reserves nothing below", {"RKM5 No.99999999999999\n", Label(1)}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CibTabCtrl strip;
        for (const std::string& label : row.labels) {
            strip.AddPage(label, nullptr, 0);
        }
        EXPECT_EQ(strip.NextUnitNumber(), row.next);
    }
}

TEST(CibTabCtrl, ARetitledTabStillReservesItsNumber) {
    CibTabCtrl strip;
    strip.AddPage(Label(1), FakePage(0), 0);
    strip.AddPage(Label(2), FakePage(1), 0);
    strip.SelectPage(0);
    strip.SetSelectedItem("TCP:10001\nTesselSerNr: 0201", 1);
    EXPECT_EQ(strip.Items[0].Title, "TCP:10001\nTesselSerNr: 0201");
    EXPECT_EQ(strip.Items[0].Image, 1);
    EXPECT_EQ(strip.Labels[0], Label(1));
    EXPECT_EQ(strip.NextUnitNumber(), 3);
}

TEST(CibTabCtrl, TheShownPageFollowsTheSelectionHoweverItChanged) {
    CibTabCtrl strip;
    for (int n = 0; n < 3; ++n) {
        strip.AddPage(Label(n + 1), FakePage(n), 0);
    }
    strip.SelectPage(0);
    EXPECT_EQ(strip.ShownPage, 0);
    // A click and the arrow keys both come as a changed selection.
    strip.OnSelChange(2);
    EXPECT_EQ(strip.GetCurSel(), 2);
    EXPECT_EQ(strip.CurSel, 2);
    EXPECT_EQ(strip.ShownPage, 2);
    strip.SelectPage(7);
    EXPECT_EQ(strip.ShownPage, -1);
    EXPECT_EQ(strip.GetCurSel(), 2);
}

TEST(CibTabCtrl, RemovingTheSelectedTabSelectsTheFirst) {
    CibTabCtrl strip;
    strip.AddPage(Label(1), FakePage(0), 0);
    strip.AddPage(Label(2), FakePage(1), 0);
    strip.SelectPage(1);
    EXPECT_EQ(strip.RemoveSelectedPage(), 1);
    EXPECT_EQ(strip.Pages, std::vector<CLumatrelDlg*>{FakePage(0)});
    EXPECT_EQ(strip.GetCurSel(), 0);
    EXPECT_EQ(strip.ShownPage, 0);

    EXPECT_EQ(strip.RemoveSelectedPage(), 0);
    EXPECT_EQ(strip.GetCount(), 0);
    EXPECT_EQ(strip.ShownPage, -1);
    EXPECT_EQ(strip.RemoveSelectedPage(), -1);
}

TEST(CibTabCtrl, RemovePageRejectsAnIndexOutsideTheTabs) {
    CibTabCtrl strip;
    strip.AddPage(Label(1), FakePage(0), 0);
    strip.AddPage(Label(2), FakePage(1), 0);
    strip.SelectPage(1);
    EXPECT_THROW(strip.RemovePage(2), std::invalid_argument);
    EXPECT_THROW(strip.RemovePage(-1), std::invalid_argument);
    strip.RemovePage(0);
    EXPECT_EQ(strip.Labels, std::vector<std::string>{Label(2)});
    // The selected tab moved down with the removal.
    EXPECT_EQ(strip.GetCurSel(), 0);
}
