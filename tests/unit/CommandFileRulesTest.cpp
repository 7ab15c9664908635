#include "unit/CommandFileRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Texts = std::vector<std::string>;

namespace {

Texts Sent(const std::string& file) {
    CommandFileFilter filter;
    Texts sent;
    ForEachCommandFileLine(file, [&](std::string_view line) {
        if (auto command = filter.TakeLine(line)) {
            sent.push_back(*command);
        }
    });
    return sent;
}

struct FileCase {
    const char* Name;
    std::string File;
    Texts Sent;
};

class CommandFileComments : public ::testing::TestWithParam<FileCase> {};

} // namespace

TEST_P(CommandFileComments, SendWhatTheCommentsLeave) {
    EXPECT_EQ(Sent(GetParam().File), GetParam().Sent);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CommandFileComments,
    ::testing::Values(
        FileCase{"SevenLinesWithEveryKindOfComment",
                 "MO 1\n// comment\nIY E 500 // half\n/* block\nLC E 1\n*/ LC E 0\nLC F 1\n",
                 {"MO 1", "IY E 500 ", "LC F 1"}},
        FileCase{"TheSameWithCarriageReturns",
                 "MO 1\r\n// comment\r\nIY E 500 // half\r\n/* block\r\nLC E 1\r\n*/ LC E "
                 "0\r\nLC F 1",
                 {"MO 1", "IY E 500 ", "LC F 1"}},
        FileCase{"ABlockClosedOnItsOwnLine", "VR\n/*\nLC E 1\nLC F 1\n*/\nIF\n", {"VR", "IF"}},
        FileCase{"ABlockClosedOnTheSameLineDropsTheRest", "TE /* x */ VT\n", {"TE "}},
        FileCase{
            "TextBeforeAnOpenedBlockIsSent", "LC E 1 /* from here\nVR\n*/\nIF", {"LC E 1 ", "IF"}},
        FileCase{"AnUnterminatedBlockSkipsTheRest", "VR\n/* never closed\nLC E 1\nIF\n", {"VR"}},
        FileCase{"ALineOfBlanksIsSentAsItIs", "   \nVR\n", {"   ", "VR"}},
        FileCase{"BlanksBeforeALineCommentRemain", "  // note\n", {"  "}},
        FileCase{"EmptyLinesAreSkipped", "\n\r\n\nVR\n\n", {"VR"}},
        FileCase{"ALineCommentHidesABlockOpener", "VR // not /* a block\nIF\n", {"VR ", "IF"}},
        FileCase{"ABlockHidesALineComment", "/* a // b\nIF\n*/ VR\nTE\n", {"TE"}},
        FileCase{"ACommentMarkerInsideTheClosingLineIsDroppedToo", "/*\n*/ /* again\nVR\n", {"VR"}},
        FileCase{"ALoneCarriageReturnStaysInTheLine", "A\rB\nC\r", {"A\rB", "C\r"}},
        FileCase{"ALastLineWithoutALineFeedCounts", "VR\nIF", {"VR", "IF"}},
        FileCase{"AnEmptyFileSendsNothing", "", {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CommandFileFilter, ReportsWhetherABlockIsOpen) {
    CommandFileFilter filter;
    EXPECT_FALSE(filter.TakeLine("/* open").has_value());
    EXPECT_TRUE(filter.InBlockComment());
    EXPECT_FALSE(filter.TakeLine("still */ closed, and this goes too").has_value());
    EXPECT_FALSE(filter.InBlockComment());
    EXPECT_EQ(filter.TakeLine("VR"), "VR");
}
