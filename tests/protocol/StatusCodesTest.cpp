#include "protocol/StatusCodes.h"
#include "protocol/ReplyParts.h"

#include <gtest/gtest.h>

namespace {

struct CodeRow {
    const char* Name;
    std::int32_t Code;
    const char* Text;
};

const CodeRow kCodeRows[] = {
    {"NoErrorState", 0, "Code 0, \"no error state\""},
    {"FirstCommandCode", 100, "Code 100, \"unknown command\""},
    {"ParameterOutOfRange", 102, "Code 102, \"parameter out of range\""},
    {"SupplyVoltageKeepsItsSpelling", 200, "Code 200, \"supply voltage exeeds limits\""},
    {"MaximumTemperature", 205, "Code 205, \"maximum temperature exeeded\""},
    {"ShutdownIsTheLastOfTheTwenties", 206, "Code 206, \"shutdown active\""},
    {"FirstMemoryCode", 210, "Code 210, \"write error to EEPROM in Driver Unit\""},
    {"LastEntryFanFailure", 214, "Code 214, \"Fan failure detected at ACTRL\""},
    {"GapAfterCommandCodesIsUnknown", 103, "103 Unkonwn error code"},
    {"GapAfterShutdownIsUnknown", 207, "207 Unkonwn error code"},
    {"GapBeforeMemoryCodesIsUnknown", 209, "209 Unkonwn error code"},
    {"PastTheLastEntryIsUnknown", 215, "215 Unkonwn error code"},
    {"NegativeCodeIsUnknown", -1, "-1 Unkonwn error code"},
};

class StatusCodeTexts : public testing::TestWithParam<CodeRow> {};

TEST_P(StatusCodeTexts, FormatsKnownAndUnknownCodes) {
    EXPECT_EQ(StatusCodeText(GetParam().Code), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Rows, StatusCodeTexts, testing::ValuesIn(kCodeRows),
                         [](const testing::TestParamInfo<CodeRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST(StatusCodeTable, HoldsSixteenDistinctCodesInRisingOrder) {
    ASSERT_EQ(StatusCodeTable.size(), 16u);
    for (std::size_t i = 1; i < StatusCodeTable.size(); ++i) {
        EXPECT_LT(StatusCodeTable[i - 1].Code, StatusCodeTable[i].Code) << i;
    }
}

struct StatusPartRow {
    const char* Name;
    const char* StatusPart;
    std::int32_t Code;
};

const StatusPartRow kStatusPartRows[] = {
    {"WordThenCode", "er 102", 102},
    {"LeadingZerosRead", "er 00205", 205},
    {"LettersReadAsZero", "er abc", 0},
    {"WordAloneReadsZero", "er", 0},
    {"EmptyPartReadsZero", "", 0},
    {"BlanksBeforeTheWordSkipped", "  er 204", 204},
    {"TextAfterTheDigitsIgnored", "er 201 more", 201},
};

class StatusPartCodes : public testing::TestWithParam<StatusPartRow> {};

TEST_P(StatusPartCodes, SkipTheWordAndReadTheCode) {
    EXPECT_EQ(StatusPartCode(GetParam().StatusPart), GetParam().Code);
}

INSTANTIATE_TEST_SUITE_P(Rows, StatusPartCodes, testing::ValuesIn(kStatusPartRows),
                         [](const testing::TestParamInfo<StatusPartRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST(SplitReplyStatus, SplitsAtTheFirstSemicolonOnly) {
    const ReplyParts parts = SplitReplyStatus("iy A 200;er 102;x");
    EXPECT_TRUE(parts.HasStatus);
    EXPECT_EQ(parts.Head, "iy A 200");
    EXPECT_EQ(parts.StatusPart, "er 102;x");

    const ReplyParts none = SplitReplyStatus("vr 2,15");
    EXPECT_FALSE(none.HasStatus);
    EXPECT_EQ(none.Head, "vr 2,15");
    EXPECT_EQ(none.StatusPart, "");

    // The head is a token of ";" like any other: a leading ";" is skipped over.
    const ReplyParts leading = SplitReplyStatus(";er 102");
    EXPECT_EQ(leading.Head, "er 102");
    EXPECT_EQ(leading.StatusPart, "");
}

} // namespace
