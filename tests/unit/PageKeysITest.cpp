#include "support/SystemRig.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

bool AllOn(const SimUnit& unit, bool on) {
    for (int c = 0; c < 4; ++c) {
        if (unit.Channel(c).On != on) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(PageKeys, EachKeyReachesItsOperation) {
    struct Row {
        const char* name;
        Key key;
        bool ctrl;
        bool goesOn; // whether the ordinary dialog key processing follows
        std::function<void(SystemRig&, const CLumatrelDlg*)> expect;
    };
    const std::vector<Row> rows = {
        {"F5 switches the unit's channels on", Key::F5, false, true,
         [](SystemRig& r, const CLumatrelDlg*) { EXPECT_TRUE(AllOn(r.sims[0], true)); }},
        {"F6 switches them off", Key::F6, false, true,
         [](SystemRig& r, const CLumatrelDlg*) { EXPECT_EQ(r.Received(0).back(), "LC H 0"); }},
        {"F7 asks for the page to be placed at the strip", Key::F7, false, true,
         [](SystemRig& r, const CLumatrelDlg* page) {
             EXPECT_EQ(r.view.Placed, std::vector<const CLumatrelDlg*>{page});
         }},
        {"Ctrl+A adds a unit", Key::A, true, true,
         [](SystemRig& r, const CLumatrelDlg*) { EXPECT_EQ(r.system.UnitCount, 3); }},
        {"Ctrl+R removes this unit and goes no further", Key::R, true, false,
         [](SystemRig& r, const CLumatrelDlg*) {
             // The page is gone: only what the window was told is looked at.
             EXPECT_EQ(r.system.UnitCount, 1);
             EXPECT_EQ(r.view.Released.size(), 1u);
             EXPECT_EQ(r.Received(0), std::vector<std::string>{"LC 0"});
         }},
        {"Ctrl+D disconnects", Key::D, true, true,
         [](SystemRig& r, const CLumatrelDlg*) {
             EXPECT_EQ(r.Page(0).Link, nullptr);
             EXPECT_EQ(r.Received(0), std::vector<std::string>{"LC 0"});
         }},
        {"Ctrl+C connects again", Key::C, true, true,
         [](SystemRig& r, const CLumatrelDlg*) {
             EXPECT_NE(r.Page(0).Link, nullptr);
             EXPECT_EQ(r.servers[0]->SessionCount(), 2);
         }},
        {"Ctrl+F goes to the configuration loading", Key::F, true, true,
         [](SystemRig& r, const CLumatrelDlg*) { EXPECT_TRUE(r.Received(0).empty()); }},
        {"C without Ctrl does nothing", Key::C, false, true,
         [](SystemRig& r, const CLumatrelDlg*) { EXPECT_EQ(r.servers[0]->SessionCount(), 1); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SystemRig rig;
        rig.system.AddUnit();
        rig.Connect(0, 0);
        CLumatrelDlg* page = &rig.Page(0);
        EXPECT_EQ(page->OnKeyDown(row.key, row.ctrl), row.goesOn);
        row.expect(rig, page);
    }
}
