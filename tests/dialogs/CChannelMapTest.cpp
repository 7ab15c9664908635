#include "dialogs/CChannelMap.h"
#include "support/Fakes.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class ChannelMapDialog : public ::testing::Test {
protected:
    ChannelMapDialog() { page.OnInitDialog(); }

    // The person picks these numbers and presses "Apply", then "Cancel" if it was refused.
    void Choose(const std::array<int, 4>& modules) {
        fs.dialogs.OnChannelMap = [this, modules](CChannelMap& dialog) {
            for (std::size_t c = 0; c < 4; ++c) {
                dialog.ChannelLists[c].Selection = modules[c];
            }
            applied = dialog.OnApply();
            if (!applied) {
                dialog.OnCancel();
                return 2;
            }
            return 1;
        };
    }
    const std::string& LastLog() const { return page.Controls.LogEntries.back(); }

    FakeServices fs;
    CLumatrelDlg page{fs.Services()};
    bool applied = false;
};

const char* const kRefusal = "Maximum number of moduls connected is 4\r\nFor multiple modules "
                             "set first channel >0 the rest =0";

} // namespace

TEST(ChannelMapCodes, ExactlyTheTableIsAcceptedAmongAllChoices) {
    int accepted = 0;
    for (int a = 0; a <= 4; ++a) {
        for (int b = 0; b <= 3; ++b) {
            for (int c = 0; c <= 2; ++c) {
                for (int d = 0; d <= 1; ++d) {
                    const std::int32_t code = a * 4096 + b * 256 + c * 16 + d;
                    const bool inTable = std::find(CChannelMap::kAcceptedCodes.begin(),
                                                   CChannelMap::kAcceptedCodes.end(),
                                                   code) != CChannelMap::kAcceptedCodes.end();
                    EXPECT_EQ(CChannelMap::IsAccepted({a, b, c, d}), inTable) << std::hex << code;
                    accepted += inTable ? 1 : 0;
                }
            }
        }
    }
    EXPECT_EQ(accepted, 27);
}

TEST(ChannelMapCodes, NamedCombinations) {
    struct Row {
        const char* name;
        std::array<int, 4> modules;
        bool accepted;
    };
    const std::vector<Row> rows = {
        {"two on A, one each on C and D", {2, 0, 1, 1}, true},
        {"one module over all four channels", {4, 0, 0, 0}, true},
        {"three on B alone", {0, 3, 0, 0}, true},
        {"two on C alone", {0, 0, 2, 0}, true},
        {"one on each channel", {1, 1, 1, 1}, true},
        {"two on A and one on B", {2, 1, 0, 0}, false},
        {"all zero", {0, 0, 0, 0}, false},
        {"one on A alone", {1, 0, 0, 0}, false},
        {"one on B and two on C", {0, 1, 2, 0}, false},
        {"a list without a selection", {-1, 0, 0, 1}, false},
        {"a number beyond channel D's list", {0, 0, 0, 2}, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CChannelMap::IsAccepted(row.modules), row.accepted) << row.name;
    }
}

TEST_F(ChannelMapDialog, OpeningFillsTheListsAndSelectsTheUnitsNumbers) {
    page.ModulesPerChannel = {2, 0, 1, 4};
    CChannelMap dialog(page, fs.prompter);
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.ChannelLists[0].Entries, (std::vector<std::string>{"0", "1", "2", "3", "4"}));
    EXPECT_EQ(dialog.ChannelLists[1].Entries, (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(dialog.ChannelLists[2].Entries, (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_EQ(dialog.ChannelLists[3].Entries, (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(dialog.ChannelLists[0].Selection, 2);
    EXPECT_EQ(dialog.ChannelLists[2].Selection, 1);
    EXPECT_EQ(dialog.ChannelLists[3].Selection, -1); // 4 has no item on channel D
    dialog.OnClear();
    for (const DropDownList& list : dialog.ChannelLists) {
        EXPECT_EQ(list.Selection, 0);
    }
}

TEST_F(ChannelMapDialog, AnAcceptedChoiceIsStoredAndLogged) {
    Choose({2, 0, 1, 1});
    page.ConfigureChannelMap();
    EXPECT_TRUE(applied);
    EXPECT_EQ(page.ModulesPerChannel, (std::array<std::int32_t, 4>{2, 0, 1, 1}));
    EXPECT_EQ(LastLog(), ">>Channel mapping done, seleted: A->2, B->0, C->1, D->1");
    EXPECT_TRUE(fs.prompter.Messages.empty());
}

TEST_F(ChannelMapDialog, ARefusedChoiceKeepsTheDialogOpenAndChangesNothing) {
    page.ModulesPerChannel = {1, 1, 1, 1};
    const std::size_t logged = page.Controls.LogEntries.size();
    bool refusedFirst = true;
    fs.dialogs.OnChannelMap = [&](CChannelMap& dialog) {
        dialog.ChannelLists[0].Selection = 2;
        dialog.ChannelLists[1].Selection = 1;
        refusedFirst = !dialog.OnApply();
        EXPECT_EQ(dialog.Result, 0); // still open
        dialog.OnClear();
        EXPECT_FALSE(dialog.OnApply());
        dialog.OnCancel();
        return 2;
    };
    page.ConfigureChannelMap();
    EXPECT_TRUE(refusedFirst);
    EXPECT_EQ(fs.prompter.Messages, (std::vector<std::string>{kRefusal, kRefusal}));
    EXPECT_EQ(page.ModulesPerChannel, (std::array<std::int32_t, 4>{1, 1, 1, 1}));
    EXPECT_EQ(page.Controls.LogEntries.size(), logged);
}

TEST_F(ChannelMapDialog, AFrontEndThatClosesWithOkUnappliedChangesNothing) {
    fs.dialogs.OnChannelMap = [](CChannelMap& dialog) {
        dialog.ChannelLists[0].Selection = 4;
        return 1;
    };
    const std::size_t logged = page.Controls.LogEntries.size();
    page.ConfigureChannelMap();
    EXPECT_EQ(page.ModulesPerChannel, (std::array<std::int32_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(page.Controls.LogEntries.size(), logged);
}
