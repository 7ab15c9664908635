#include "support/SimulatedPage.h"
#include "unit/OperatingModes.h"

#include <string>
#include <vector>

using Texts = std::vector<std::string>;

namespace {

struct ModeCase {
    const char* Name;
    int Mode;
    const char* Question;
    const char* ModeText;
    const char* Command;
};

// Each mode is chosen from a page on which another mode is checked.
class ModeQuestions : public SimulatedPage, public ::testing::WithParamInterface<ModeCase> {
protected:
    void SetUp() override {
        Connect();
        page.OperatingMode = GetParam().Mode == 0 ? 3 : 0;
        page.ShowOperatingMode();
        previous = static_cast<std::size_t>(page.OperatingMode);
    }
    std::size_t previous = 0;
};

} // namespace

TEST_P(ModeQuestions, YesRecordsShowsAndSendsTheMode) {
    const ModeCase& row = GetParam();
    fs.prompter.YesNoAnswers = {true};
    const std::size_t before = LogSize();
    page.ChooseOperatingMode(row.Mode);

    EXPECT_EQ(fs.prompter.Questions, Texts{row.Question});
    EXPECT_EQ(page.OperatingMode, row.Mode);
    EXPECT_EQ(page.OperatingModeText, row.ModeText);
    EXPECT_EQ(page.Controls.OperatingMode, row.ModeText);
    for (std::size_t m = 0; m < 4; ++m) {
        EXPECT_EQ(page.Controls.OperatingModeChecked[m], m == static_cast<std::size_t>(row.Mode));
    }
    EXPECT_EQ(unit.ReceivedCommands(), Texts{row.Command});
    ASSERT_GT(LogSize(), before);
    EXPECT_EQ(page.Controls.LogEntries[before], std::string("Sending: ") + row.Command);
    EXPECT_EQ(unit.OperatingMode(), row.Mode);
}

TEST_P(ModeQuestions, NoLeavesThePreviousModeCheckedAndSendsNothing) {
    const ModeCase& row = GetParam();
    const std::string text = page.OperatingModeText;
    page.ChooseOperatingMode(row.Mode);

    EXPECT_EQ(fs.prompter.Questions, Texts{row.Question});
    EXPECT_FALSE(page.Controls.OperatingModeChecked[static_cast<std::size_t>(row.Mode)]);
    EXPECT_TRUE(page.Controls.OperatingModeChecked[previous]);
    EXPECT_EQ(page.OperatingMode, static_cast<int>(previous));
    EXPECT_EQ(page.OperatingModeText, text);
    EXPECT_TRUE(unit.ReceivedCommands().empty());
}

// The questions as the unit page asks them, with their differing blanks.
INSTANTIATE_TEST_SUITE_P(
    Modes, ModeQuestions,
    ::testing::Values(
        ModeCase{"CommandMode", 1,
                 "Do you really want to change RKM5 operating mode to Command Mode ?",
                 "command mode", "MO 1"},
        ModeCase{"BulbMode", 0, "Do you really want to change RKM5 operating mode to Bulb Mode ?",
                 "bulb mode", "MO 0"},
        ModeCase{"PwmControlled", 2,
                 "Do you really want to change RKM5 operating mode to Mode PWM Controlled ?",
                 "PWM controlled", "MO 2"},
        ModeCase{"AnalogControlled", 3,
                 "Do you really want to change RKM5 operating mode to Mode Analog Controlled?",
                 "analog controlled", "MO 3"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SimulatedPage, ChoosingTheCheckedModeAsksAndSendsNothing) {
    Connect();
    page.OperatingMode = 0;
    page.ShowOperatingMode();
    const std::size_t before = LogSize();
    page.ChooseOperatingMode(0);
    EXPECT_TRUE(fs.prompter.Questions.empty());
    EXPECT_TRUE(unit.ReceivedCommands().empty());
    EXPECT_EQ(LogSize(), before);
    EXPECT_TRUE(page.Controls.OperatingModeChecked[0]);
}

TEST_F(SimulatedPage, AModeChosenWithoutALinkIsRecordedAndReported) {
    fs.prompter.YesNoAnswers = {true};
    const std::size_t before = LogSize();
    page.ChooseOperatingMode(2);
    EXPECT_EQ(page.OperatingMode, 2);
    EXPECT_EQ(page.Controls.OperatingMode, "PWM controlled");
    EXPECT_EQ(LogSince(before), Texts{"++ Error: No host connection to RKM5 device active."});
}

TEST(OperatingModeDisplay, AnUnknownModeNumberShowsCommandMode) {
    FakeServices fs;
    CLumatrelDlg page(fs.Services());
    for (const int mode : {7, -1, 1}) {
        page.OperatingMode = mode;
        page.ShowOperatingMode();
        EXPECT_EQ(page.OperatingModeText, "command mode") << mode;
        EXPECT_EQ(page.Controls.OperatingModeChecked,
                  (std::array<bool, 4>{false, true, false, false}))
            << mode;
    }
    EXPECT_STREQ(OperatingModeItemFor(7).MenuText, "&Command-Mode");
}
