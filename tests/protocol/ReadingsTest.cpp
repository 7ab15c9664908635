#include "protocol/Readings.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct GroupRow {
    const char* Name;
    const char* Group;
    const char* Controller;
    const char* Tessel;
};

const GroupRow kGroupRows[] = {
    {"TwoPlainReadings", "31-28", "31", "28"},
    {"NegativeControllerKeepsItsSign", "-5-20", "-5", "20"},
    {"NegativeTesselKeepsItsSign", "31--5", "31", "-5"},
    {"BothNegative", "-5--7", "-5", "-7"},
    {"EmptyGroupGivesTwoEmptyTexts", "", "", ""},
    {"ControllerOnly", "31", "31", ""},
    {"TrailingSeparator", "31-", "31", ""},
    {"SeparatorsOnly", "--", "", ""},
    {"ThirdReadingIgnoredAsNextTokenDoes", "31-28-5", "31", "28"},
    {"NonDigitsSplitAsNextTokenDoes", "x-y", "x", "y"},
    {"BlanksKeptAsTheyStand", " 31-28 ", " 31", "28 "},
    {"BothSignsRightAfterTheSeparator", "-5--20", "-5", "-20"},
    {"LetterBeforeTheSeparatorSplits", "NA-20", "NA", "20"},
    {"LetterBeforeANegativeTessel", "NA--20", "NA", "-20"},
    {"BlankBeforeAMinusSplits", "31 -5", "31 ", "5"},
    {"ExponentLikeTextSplits", "E-5", "E", "5"},
    {"SignOnlyInTheControllerPlace", "-5", "-5", ""},
    {"LoneMinusIsASeparator", "-", "", ""},
    {"ThirdReadingWithASignIgnored", "31-28--5", "31", "28"},
};

class TemperatureGroups : public testing::TestWithParam<GroupRow> {};

TEST_P(TemperatureGroups, SplitIntoControllerAndTessel) {
    const TemperaturePair pair = SplitTemperatureGroup(GetParam().Group);
    EXPECT_EQ(pair.Controller, GetParam().Controller);
    EXPECT_EQ(pair.Tessel, GetParam().Tessel);
}

INSTANTIATE_TEST_SUITE_P(Rows, TemperatureGroups, testing::ValuesIn(kGroupRows),
                         [](const testing::TestParamInfo<GroupRow>& info) {
                             return std::string(info.param.Name);
                         });

struct VoltageRow {
    const char* Name;
    const char* Reading;
    std::int32_t Millivolts;
};

const VoltageRow kVoltageRows[] = {
    {"ThousandGives18400", "1000", 18400},
    {"FractionTruncated", "950.5", 17489},
    {"SmallFraction", "1.5", 27},
    {"Twelve", "12", 220},
    {"ZeroAndEmpty", "", 0},
    {"NegativeTruncatedTowardZero", "-1.5", -27},
    {"HugeReadingClampedHigh", "99999999999999999999", std::numeric_limits<std::int32_t>::max()},
    {"HugeNegativeClampedLow", "-99999999999999999999", std::numeric_limits<std::int32_t>::min()},
};

class LedVoltages : public testing::TestWithParam<VoltageRow> {};

TEST_P(LedVoltages, ScaleBy18Point4) {
    EXPECT_EQ(LedMillivolts(GetParam().Reading), GetParam().Millivolts);
}

INSTANTIATE_TEST_SUITE_P(Rows, LedVoltages, testing::ValuesIn(kVoltageRows),
                         [](const testing::TestParamInfo<VoltageRow>& info) {
                             return std::string(info.param.Name);
                         });

} // namespace
