#include "dialogs/CDlgGlobalCurrent.h"
#include "support/SystemRig.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::vector<std::string> CurrentCommands(const std::vector<std::string>& received) {
    std::vector<std::string> iy;
    for (const std::string& command : received) {
        if (command.rfind("IY ", 0) == 0) {
            iy.push_back(command);
        }
    }
    return iy;
}

// Two connected units; the second unit's channel B accepts 300 to 1500 mA only.
struct TwoUnits : SystemRig {
    TwoUnits() {
        SimChannel narrow = sims[1].Channel(1);
        narrow.CurrentMin = 300;
        narrow.CurrentMax = 1500;
        sims[1].SetChannel(1, narrow);
        system.AddUnit();
        Connect(0, 0);
        Connect(1, 1);
    }
};

} // namespace

TEST(GlobalCurrent, TheRangeIsWhatEveryChannelOfEveryUnitAccepts) {
    TwoUnits rig;
    ASSERT_EQ(rig.Page(1).Controls.Channels[1].SliderMin, 300);
    bool shown = false;
    rig.fs.dialogs.OnGlobalCurrent = [&](CDlgGlobalCurrent& dialog) {
        shown = true;
        EXPECT_EQ(dialog.RangeLow, 300);
        EXPECT_EQ(dialog.RangeHigh, 1500);
        EXPECT_EQ(dialog.LowLabel, "300");
        EXPECT_EQ(dialog.HighLabel, "1500 mA");
        EXPECT_EQ(dialog.SliderMin, 300);
        EXPECT_EQ(dialog.SliderMax, 1500);
        EXPECT_EQ(dialog.Current, 300);
        EXPECT_EQ(dialog.CurrentText, "300");
        return 2;
    };
    rig.system.OnMenuCommand(SystemCommand::SetGlobalCurrent);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(CurrentCommands(rig.Received(0)).empty());
}

TEST(GlobalCurrent, TypingMovesTheSliderOnlyStrictlyInsideTheRange) {
    struct Row {
        const char* name;
        const char* typed;
        int current;
        int slider;
        std::size_t messages;
    };
    const std::vector<Row> rows = {
        {"inside", "800", 800, 800, 0},
        {"the lower bound", "300", 300, 600, 0},
        {"the upper bound", "1500", 1500, 600, 0},
        {"beyond", "1700", 1700, 600, 0},
        {"no integer", "8x0", 600, 600, 1},
    };
    TwoUnits rig;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        rig.fs.prompter.Messages.clear();
        rig.fs.dialogs.OnGlobalCurrent = [&](CDlgGlobalCurrent& dialog) {
            dialog.SliderPos = 600;
            dialog.OnSliderReleased();
            EXPECT_EQ(dialog.CurrentText, "600");
            dialog.CurrentText = row.typed;
            dialog.OnCurrentTyped();
            EXPECT_EQ(dialog.Current, row.current);
            EXPECT_EQ(dialog.SliderPos, row.slider);
            return 2;
        };
        rig.system.SetGlobalCurrent();
        EXPECT_EQ(rig.fs.prompter.Messages.size(), row.messages);
    }
}

TEST(GlobalCurrent, OkSendsTheCurrentToEveryChannelInUseAndSkipsTheOthers) {
    TwoUnits rig;
    rig.Page(0).ModulesInUse = {2, 0, 1, 1};
    rig.fs.dialogs.OnGlobalCurrent = [](CDlgGlobalCurrent& dialog) {
        dialog.CurrentText = "1500";
        dialog.OnCurrentTyped();
        return dialog.OnOK() ? 1 : 2;
    };
    rig.system.SetGlobalCurrent();
    EXPECT_EQ(CurrentCommands(rig.Received(0)),
              (std::vector<std::string>{"IY E 1500", "IY G 1500", "IY H 1500"}));
    EXPECT_EQ(CurrentCommands(rig.Received(1)),
              (std::vector<std::string>{"IY E 1500", "IY F 1500", "IY G 1500", "IY H 1500"}));
    EXPECT_TRUE(rig.Logged(0, "Sending: IY G 1500"));
    EXPECT_FALSE(rig.Logged(0, "Sending: IY F 1500"));
    EXPECT_EQ(rig.sims[1].Channel(3).Current, 1500);
}

TEST(GlobalCurrent, OkRefusesACurrentOutsideTheRangeAndStaysOpen) {
    TwoUnits rig;
    std::vector<bool> answers;
    rig.fs.dialogs.OnGlobalCurrent = [&](CDlgGlobalCurrent& dialog) {
        for (const char* typed : {"1501", "299", "many"}) {
            dialog.CurrentText = typed;
            answers.push_back(dialog.OnOK());
            EXPECT_EQ(dialog.Result, 0);
        }
        dialog.OnCancel();
        return 2;
    };
    rig.system.SetGlobalCurrent();
    EXPECT_EQ(answers, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(
        rig.fs.prompter.Messages,
        (std::vector<std::string>{"Enter an integer between 300 and 1500.",
                                  "Enter an integer between 300 and 1500.", "Enter an integer."}));
    EXPECT_TRUE(CurrentCommands(rig.Received(0)).empty());
    EXPECT_TRUE(CurrentCommands(rig.Received(1)).empty());
}

TEST(GlobalCurrent, AnUnconnectedUnitStopsTheOpeningAndNothingIsSent) {
    TwoUnits rig;
    rig.system.AddUnit();
    rig.system.TabCtrl.SelectPage(1);
    rig.Page(1).DisconnectSelected(); // of three units, the second and third are unconnected
    rig.fs.dialogs.Runs = 0;
    rig.system.SetGlobalCurrent();
    EXPECT_EQ(rig.fs.prompter.Messages,
              std::vector<std::string>{"RKM5 1 not connected, Function not possible"});
    EXPECT_EQ(rig.fs.dialogs.Runs, 0);
    EXPECT_TRUE(CurrentCommands(rig.Received(0)).empty());
}
