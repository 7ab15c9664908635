#include "support/Fakes.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Counts = std::array<std::int32_t, 4>;
using Lines = std::vector<std::string>;

const char* const kConflict = ">> Maually coded config data conflicting with automatically found "
                              "config. Manual data ignored!";
const char* const kNotUsed = "Maually coded config data not used.";
const char* const kNoChannel = ">> No Channel connected";
const char* const kM35Manual =
    ">> manualMode M35 not allowed-> use automatic: Manual data ignored!";

std::string NotPlausible(int e, int f, int g, int h) {
    return "Number of Channel controled E=" + std::to_string(e) + ",F=" + std::to_string(f) +
           ",G=" + std::to_string(g) + ",H=" + std::to_string(h) + " not plausible";
}

struct AssignmentRow {
    const char* Name;
    std::int32_t Assignment; // 0 automatic, 1 manual
    bool M35;
    Counts Reported; // what the unit said, in ModulesInUse on entry
    Counts Operator; // ModulesPerChannel
    Lines Log;
    Counts Result;
};

// Failure messages name the row.
void PrintTo(const AssignmentRow& row, std::ostream* os) {
    *os << row.Name;
}

class AssignmentTable : public ::testing::TestWithParam<AssignmentRow> {
protected:
    FakeServices fs;
    CLumatrelDlg page{fs.Services()};
};

TEST_P(AssignmentTable, LogsAndStoresTheEffectiveCounts) {
    const AssignmentRow& row = GetParam();
    page.ChannelAssignment = row.Assignment;
    page.IsM35 = row.M35;
    page.ModulesInUse = row.Reported;
    page.ModulesPerChannel = row.Operator;
    page.RecomputeChannelAssignment();
    EXPECT_EQ(page.Controls.LogEntries, row.Log);
    EXPECT_EQ(page.ModulesInUse, row.Result);
    EXPECT_EQ(page.ModulesPerChannel, row.Operator);
}

const AssignmentRow kAssignmentRows[] = {
    // The documented cases.
    {"EveryChannelOneModule",
     0,
     false,
     {1, 1, 1, 1},
     {0, 0, 0, 0},
     {">> Channels used: E F G H "},
     {1, 1, 1, 1}},
    {"TwoChannelModuleOnAThenSingles",
     0,
     false,
     {2, 0, 1, 1},
     {0, 0, 0, 0},
     {">> Channels used: E F G H "},
     {2, 0, 1, 1}},
    {"OperatorCountOnAFreeChannelIsMerged",
     0,
     false,
     {1, 0, 0, 0},
     {0, 0, 1, 0},
     {">> Channels used: E    "},
     {1, 0, 1, 0}},
    {"OperatorCountOnAUsedChannelConflicts",
     0,
     false,
     {1, 0, 0, 0},
     {1, 0, 0, 0},
     {">> Channels used: E    ", kConflict},
     {1, 0, 0, 0}},
    {"NothingAnywhere", 0, false, {0, 0, 0, 0}, {0, 0, 0, 0}, {kNoChannel}, {0, 0, 0, 0}},
    {"ManualFiveModulesKeepTheCopiedCounts",
     1,
     false,
     {1, 1, 1, 1},
     {4, 1, 0, 0},
     {">> Channels used: E F G H ", kConflict, NotPlausible(4, 1, 0, 0), kNotUsed},
     {4, 1, 0, 0}},
    {"FiveOnALeavesTheCountsUnchanged",
     0,
     false,
     {5, 0, 0, 0},
     {0, 0, 0, 0},
     {kNoChannel, NotPlausible(0, 0, 0, 0), kNotUsed},
     {5, 0, 0, 0}},
    {"ManualOnM35UsesTheReportedCounts",
     1,
     true,
     {4, 0, 0, 0},
     {1, 1, 1, 1},
     {kM35Manual, ">> Channels used: E F G H ", kConflict},
     {4, 0, 0, 0}},
    {"ManualCopiesTheOperatorsCounts",
     1,
     false,
     {4, 0, 0, 0},
     {0, 2, 0, 1},
     {">> Channels used:  F G H ", kConflict},
     {0, 2, 0, 1}},
    // Rule Z: nothing on A and B.
    {"RuleZOnlyDCarries",
     0,
     false,
     {0, 0, 0, 1},
     {0, 0, 0, 0},
     {">> Channels used:    H "},
     {0, 0, 0, 1}},
    {"RuleZCAndD",
     0,
     false,
     {0, 0, 1, 1},
     {0, 0, 0, 0},
     {">> Channels used:   G H "},
     {0, 0, 1, 1}},
    {"RuleZTwoOnCCoversD",
     0,
     false,
     {0, 0, 2, 0},
     {0, 0, 0, 0},
     {">> Channels used:   G H "},
     {0, 0, 2, 0}},
    {"RuleZThreeOnCIsNoChannelAndImplausible",
     0,
     false,
     {0, 0, 3, 0},
     {0, 0, 0, 0},
     {kNoChannel, NotPlausible(0, 0, 0, 0), kNotUsed},
     {0, 0, 3, 0}},
    {"RuleZNegativeDIsNoChannel",
     0,
     false,
     {0, 0, 0, -1},
     {0, 0, 0, 0},
     {kNoChannel},
     {0, 0, 0, 0}},
    {"RuleZNothingReportedTakesTheOperatorsD",
     0,
     false,
     {0, 0, 0, 0},
     {0, 0, 0, 2},
     {kNoChannel},
     {0, 0, 0, 2}},
    // Rule C: A and B settled, then C and D.
    {"RuleCThreeOnCIsImplausibleButNamesTheChannels",
     0,
     false,
     {1, 1, 3, 0},
     {0, 0, 0, 0},
     {">> Channels used: E F   ", NotPlausible(1, 1, 0, 0), kNotUsed},
     {1, 1, 3, 0}},
    {"RuleCNothingOnCAndD",
     0,
     false,
     {2, 0, 0, 0},
     {0, 0, 0, 0},
     {">> Channels used: E F   "},
     {2, 0, 0, 0}},
    {"RuleCTwoOnCFillsTheUnit",
     0,
     false,
     {1, 1, 2, 0},
     {0, 0, 0, 0},
     {">> Channels used: E F G H "},
     {1, 1, 2, 0}},
    {"RuleCAfterBAloneTakesD",
     0,
     false,
     {0, 1, 0, 1},
     {0, 0, 0, 0},
     {">> Channels used:  F  H "},
     {0, 1, 0, 1}},
    // The table's other rows.
    {"TwoOnBWithoutD",
     0,
     false,
     {0, 2, 0, 0},
     {0, 0, 0, 0},
     {">> Channels used:  F G  "},
     {0, 2, 0, 0}},
    {"ThreeOnAWithD",
     0,
     false,
     {3, 0, 0, 1},
     {0, 0, 0, 0},
     {">> Channels used: E F G H "},
     {3, 0, 0, 1}},
    {"FiveOnBWithoutAIsNoChannel",
     0,
     false,
     {0, 5, 0, 0},
     {0, 0, 0, 0},
     {kNoChannel, NotPlausible(0, 0, 0, 0), kNotUsed},
     {0, 5, 0, 0}},
    {"OddBAfterOneOnAKeepsAOnly",
     0,
     false,
     {1, 7, 0, 0},
     {0, 0, 0, 0},
     {">> Channels used: E    "},
     {1, 0, 0, 0}},
    {"NegativeAIsNoChannel",
     0,
     false,
     {-1, 0, 0, 0},
     {0, 0, 0, 0},
     {kNoChannel, NotPlausible(0, 0, 0, 0), kNotUsed},
     {-1, 0, 0, 0}},
    {"MergedCountsAboveFourAreRefused",
     0,
     false,
     {2, 0, 0, 0},
     {0, 0, 2, 1},
     {">> Channels used: E F   ", NotPlausible(2, 0, 2, 1), kNotUsed},
     {2, 0, 0, 0}},
    {"NegativeOperatorCountIsRefused",
     0,
     false,
     {1, 0, 0, 0},
     {0, 0, -2, 0},
     {">> Channels used: E    ", NotPlausible(1, 0, -2, 0), kNotUsed},
     {1, 0, 0, 0}},
    {"HugeCountsDoNotWrapTheTotal",
     0,
     false,
     {0, 0, 0, 0},
     {2147483647, 2147483647, 0, 0},
     {kNoChannel, NotPlausible(2147483647, 2147483647, 0, 0), kNotUsed},
     {0, 0, 0, 0}},
};

INSTANTIATE_TEST_SUITE_P(Rows, AssignmentTable, ::testing::ValuesIn(kAssignmentRows),
                         [](const auto& info) { return std::string(info.param.Name); });

// How a panel is laid out.
enum class Panel { Full, Readings, Empty };

struct LayoutRow {
    const char* Name;
    Counts InUse;
    std::array<const char*, 4> Captions;
    std::array<Panel, 4> Panels;
};

// Failure messages name the row.
void PrintTo(const LayoutRow& row, std::ostream* os) {
    *os << row.Name;
}

class LayoutTable : public ::testing::TestWithParam<LayoutRow> {
protected:
    FakeServices fs;
    CLumatrelDlg page{fs.Services()};
};

Panel LayoutOf(const ChannelControls& panel) {
    bool any = false;
    bool all = true;
    for (bool visible : panel.Visible) {
        any = any || visible;
        all = all && visible;
    }
    if (all) {
        return Panel::Full;
    }
    if (!any) {
        return Panel::Empty;
    }
    // The readings only: the controller's temperature and the LED voltage with their labels.
    const bool readings =
        panel.IsVisible(PanelControl::ControllerLabel) &&
        panel.IsVisible(PanelControl::TemperatureLabel) &&
        panel.IsVisible(PanelControl::Temperature) && panel.IsVisible(PanelControl::VoltageLabel) &&
        panel.IsVisible(PanelControl::Voltage) && !panel.IsVisible(PanelControl::OnOff) &&
        !panel.IsVisible(PanelControl::CurrentLabel) &&
        !panel.IsVisible(PanelControl::CurrentEdit) && !panel.IsVisible(PanelControl::Apply) &&
        !panel.IsVisible(PanelControl::Slider) && !panel.IsVisible(PanelControl::MinLabel) &&
        !panel.IsVisible(PanelControl::MaxLabel) && !panel.IsVisible(PanelControl::TesselLabel) &&
        !panel.IsVisible(PanelControl::TesselTemperature);
    EXPECT_TRUE(readings) << "a panel neither full, empty nor reduced to its readings";
    return Panel::Readings;
}

TEST_P(LayoutTable, CaptionsAndShowsThePanels) {
    const LayoutRow& row = GetParam();
    page.TesselSerNrText = {"201", "202", "203", "204"};
    // Start from another layout, so that nothing of it may linger.
    page.ModulesInUse = {0, 4, 0, 0};
    page.RefreshModuleDisplay();
    page.InputVoltageText = "24000";

    page.ModulesInUse = row.InUse;
    page.RefreshModuleDisplay();
    for (std::size_t c = 0; c < 4; ++c) {
        SCOPED_TRACE("channel " + std::string(1, static_cast<char>('A' + c)));
        const ChannelControls& panel = page.Controls.Channels[c];
        EXPECT_EQ(panel.Caption, row.Captions[c]);
        EXPECT_TRUE(panel.GroupVisible);
        EXPECT_EQ(LayoutOf(panel), row.Panels[c]);
    }
    const bool none = row.InUse == Counts{0, 0, 0, 0};
    EXPECT_EQ(page.InputVoltageText, none ? "" : "24000");
    EXPECT_EQ(page.Controls.InputVoltage, page.InputVoltageText);
}

constexpr Panel F = Panel::Full;
constexpr Panel R = Panel::Readings;
constexpr Panel E = Panel::Empty;

const LayoutRow kLayoutRows[] = {
    {"OneModulePerChannel",
     {1, 1, 1, 1},
     {"Tessel 1  S/N: 201,  Length 1", "Tessel 2  S/N: 202,  Length 1",
      "Tessel 3  S/N: 203,  Length 1", "Tessel 4  S/N: 204,  Length 1"},
     {F, F, F, F}},
    {"TwoChannelModuleCoversB",
     {2, 0, 1, 1},
     {"Tessel 1  S/N: 201,  Length 2", "Tessel1", "Tessel 2  S/N: 203,  Length 1",
      "Tessel 3  S/N: 204,  Length 1"},
     {F, R, F, F}},
    {"FourChannelModuleCoversTheUnit",
     {4, 0, 0, 0},
     {"Tessel 1  S/N: 201,  Length 4", "Tessel1", "Tessel1", "Tessel1"},
     {F, R, R, R}},
    {"NoModulesEmptyEveryPanel", {0, 0, 0, 0}, {"", "", "", ""}, {E, E, E, E}},
    {"ModuleOnBIsNumberedOne",
     {0, 3, 0, 0},
     {"", "Tessel 1  S/N: 202,  Length 3", "Tessel1", "Tessel1"},
     {E, F, R, R}},
    {"ModuleOnCCoversD",
     {0, 0, 2, 0},
     {"", "", "Tessel 1  S/N: 203,  Length 2", "Tessel1"},
     {E, E, F, R}},
    {"ThreeChannelModuleThenD",
     {3, 0, 0, 1},
     {"Tessel 1  S/N: 201,  Length 3", "Tessel1", "Tessel1", "Tessel 2  S/N: 204,  Length 1"},
     {F, R, R, F}},
    {"FreeChannelAfterAModuleIsEmpty",
     {2, 0, 0, 1},
     {"Tessel 1  S/N: 201,  Length 2", "Tessel1", "", "Tessel 2  S/N: 204,  Length 1"},
     {F, R, E, F}},
    {"CoveredChannelWithItsOwnCountKeepsItsCaption",
     {2, 1, 0, 0},
     {"Tessel 1  S/N: 201,  Length 2", "Tessel 2  S/N: 202,  Length 1", "", ""},
     {F, R, E, E}},
    {"NearestCoveringChannelNamesAnOverlap",
     {3, 2, 0, 0},
     {"Tessel 1  S/N: 201,  Length 3", "Tessel 2  S/N: 202,  Length 2", "Tessel2", ""},
     {F, R, R, E}},
    {"CountOfFiveOnACoversNoFurtherThanC",
     {5, 0, 0, 0},
     {"Tessel 1  S/N: 201,  Length 5", "Tessel1", "Tessel1", ""},
     {F, R, R, E}},
};

INSTANTIATE_TEST_SUITE_P(Rows, LayoutTable, ::testing::ValuesIn(kLayoutRows),
                         [](const auto& info) { return std::string(info.param.Name); });

struct M35Row {
    const char* Name;
    std::string Reply;
    std::array<std::int32_t, 5> InfoC;
    bool Looks;
};

// Failure messages name the row.
void PrintTo(const M35Row& row, std::ostream* os) {
    *os << row.Name;
}

class M35Table : public ::testing::TestWithParam<M35Row> {
protected:
    FakeServices fs;
    CLumatrelDlg page{fs.Services()};
};

TEST_P(M35Table, DecidesFromChannelDsInformation) {
    const M35Row& row = GetParam();
    page.TesselInfoC[3] = row.InfoC;
    EXPECT_EQ(page.ModuleLooksM35(row.Reply, 3), row.Looks);
    // Another channel's values play no part.
    EXPECT_FALSE(page.ModuleLooksM35(row.Reply, 2));
}

const M35Row kM35Rows[] = {
    {"TypicalM35Module", "il 1450,250,100,100,1000", {1450, 250, 100, 100, 1000}, true},
    {"EveryBoundaryJustMet", "il 200,200,5,5,100", {200, 200, 5, 5, 100}, true},
    {"AllZeroReplyIsNoM35", "il 0,0,0,0,0", {1450, 250, 100, 100, 1000}, false},
    {"ReferenceBelowOneHundred", "il 1450,250,100,100,99", {1450, 250, 100, 100, 99}, false},
    {"FirstValueBelowTwoHundred", "il 199,100,100,100,1000", {199, 100, 100, 100, 1000}, false},
    {"ThirdBelowFourth", "il 1450,250,99,100,1000", {1450, 250, 99, 100, 1000}, false},
    {"FirstBelowSecond", "il 300,301,100,100,1000", {300, 301, 100, 100, 1000}, false},
};

INSTANTIATE_TEST_SUITE_P(Rows, M35Table, ::testing::ValuesIn(kM35Rows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(ModuleLooksM35, AChannelOutsideAToDIsNoM35) {
    FakeServices fs;
    CLumatrelDlg page{fs.Services()};
    page.TesselInfoC[3] = {1450, 250, 100, 100, 1000};
    EXPECT_FALSE(page.ModuleLooksM35("il 1450,250,100,100,1000", 4));
    EXPECT_FALSE(page.ModuleLooksM35("il 1450,250,100,100,1000", -1));
}

TEST(UpdateMonitoring, WithoutALinkOnlyTheErrorLineIsLoggedAndTheSwitchesStay) {
    FakeServices fs;
    CLumatrelDlg page{fs.Services()};
    page.ModulesInUse = {1, 1, 1, 1};
    page.UpdateMonitoring();
    EXPECT_EQ(page.Controls.LogEntries,
              Lines{"++ Error: No host connection to RKM5 device active."});
    EXPECT_TRUE(fs.timers.Created[0]->Running.empty());

    // The Monitor menu item flips its switch all the same, so a later connect starts it.
    page.MonitorTemperature = 0;
    page.ToggleMonitorTemperature();
    EXPECT_EQ(page.MonitorTemperature, 1);
    page.ToggleMonitorError();
    EXPECT_EQ(page.MonitorError, 0);
    EXPECT_TRUE(fs.timers.Created[0]->Running.empty());
    EXPECT_EQ(page.Controls.LogEntries.size(), 3u);
}

TEST(OnMonitorTimer, WithoutALinkATickDoesNothing) {
    FakeServices fs;
    CLumatrelDlg page{fs.Services()};
    page.TemperatureText[0] = "31";
    for (int id : {1, 2, 3, 4}) {
        page.OnMonitorTimer(id);
    }
    EXPECT_TRUE(page.Controls.LogEntries.empty());
    EXPECT_EQ(page.Controls.Channels[0].Temperature, "");
}

} // namespace
