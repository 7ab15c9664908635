#include "protocol/NextToken.h"

#include <gtest/gtest.h>

namespace {

struct TokenRow {
    const char* Name;
    const char* Text;
    const char* Delimiters;
    std::int32_t Position;
    const char* Token;
    std::int32_t PositionAfter;
};

const TokenRow kTokenRows[] = {
    {"NegativePositionGivesEmptyAndStaysMinusOne", "abc", " ", -1, "", -1},
    {"AnyNegativePositionBecomesMinusOne", "abc", " ", -7, "", -1},
    {"TokenEndsBeforeDelimiterPositionPassesIt", "vr 2,15", " ", 0, "vr", 3},
    {"TokenEndingTheTextLeavesPositionOnePastTheEnd", "vr 2,15", ",", 5, "15", 8},
    {"LeadingDelimitersAreSkipped", ",,a,b", ",", 0, "a", 4},
    {"ConsecutiveDelimitersGiveNoEmptyToken", "a,,b", ",", 2, "b", 5},
    {"OnlyDelimitersLeftGiveEmptyAndMinusOne", "a,,", ",", 2, "", -1},
    {"PositionAtTheEndGivesEmptyAndMinusOne", "ab", " ", 2, "", -1},
    {"PositionPastTheEndGivesEmptyAndMinusOne", "ab", " ", 3, "", -1},
    {"EveryCharacterOfTheSetDelimitsBlank", "iy A 200", " ,", 3, "A", 5},
    {"EveryCharacterOfTheSetDelimitsComma", "iy 1,2", " ,", 3, "1", 5},
    {"EmptySetGivesTheRestAndKeepsPosition", "er 102", "", 3, "102", 3},
    {"EmptySetAtTheEndGivesEmptyAndMinusOne", "er", "", 2, "", -1},
    {"EmptySetPastTheEndGivesEmptyAndMinusOne", "er", "", 3, "", -1},
    {"EmptySetWithNegativePositionGivesEmpty", "er", "", -1, "", -1},
    {"EmptyTextGivesEmptyAndMinusOne", "", " ", 0, "", -1},
    {"EmptyTextEmptySetGivesEmptyAndMinusOne", "", "", 0, "", -1},
    {"DelimiterInsideTheSetOnlyNotOthers", "te 31-28,-5", ",", 3, "31-28", 9},
};

class NextTokenRules : public testing::TestWithParam<TokenRow> {};

TEST_P(NextTokenRules, GivesTokenAndPosition) {
    const TokenRow& row = GetParam();
    std::int32_t position = row.Position;
    EXPECT_EQ(NextToken(row.Text, row.Delimiters, position), row.Token);
    EXPECT_EQ(position, row.PositionAfter);
}

INSTANTIATE_TEST_SUITE_P(Rows, NextTokenRules, testing::ValuesIn(kTokenRows),
                         [](const testing::TestParamInfo<TokenRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST(NextToken, WalksAReplyFieldByFieldToTheEnd) {
    const std::string reply = "il 00123,2";
    std::int32_t position = 0;
    EXPECT_EQ(NextToken(reply, " ", position), "il");
    EXPECT_EQ(NextToken(reply, ",", position), "00123");
    EXPECT_EQ(NextToken(reply, ",", position), "2");
    EXPECT_EQ(position, 11);
    EXPECT_EQ(NextToken(reply, ",", position), "");
    EXPECT_EQ(position, -1);
    EXPECT_EQ(NextToken(reply, ",", position), "");
    EXPECT_EQ(position, -1);
}

} // namespace
