#include "protocol/Numbers.h"
#include "protocol/Readings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <string>

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct IntegerRow {
    const char* Name;
    const char* Text;
    std::int32_t Value;
};

const IntegerRow kIntegerRows[] = {
    {"DigitsUpToAUnit", "1800mA", 1800},
    {"EmptyTextIsZero", "", 0},
    {"NoDigitsIsZero", "abc", 0},
    {"LeadingWhiteSpaceAndSign", " \t\n-42x", -42},
    {"PlusSign", "+7", 7},
    {"LeadingZeros", "00205", 205},
    {"SignAloneIsZero", "-", 0},
    {"BlankAfterSignEndsTheNumber", "- 5", 0},
    {"FractionCut", "950.5", 950},
    {"LargestValue", "2147483647", kMax},
    {"BeyondLargestClamped", "2147483648", kMax},
    {"SmallestValue", "-2147483648", kMin},
    {"BelowSmallestClamped", "-99999999999", kMin},
    {"ManyDigitsClamped", "999999999999999999999999999999", kMax},
};

class ReadIntegerRows : public testing::TestWithParam<IntegerRow> {};

TEST_P(ReadIntegerRows, ReadsLikeADecimalConversion) {
    EXPECT_EQ(ReadInteger(GetParam().Text), GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadIntegerRows, testing::ValuesIn(kIntegerRows),
                         [](const testing::TestParamInfo<IntegerRow>& info) {
                             return std::string(info.param.Name);
                         });

struct DecimalRow {
    const char* Name;
    const char* Text;
    double Value;
};

const DecimalRow kDecimalRows[] = {
    {"FractionAfterPoint", "950.5", 950.5},
    {"IntegerOnly", "1000", 1000.0},
    {"FractionWithoutIntegerPart", ".5", 0.5},
    {"PointWithoutFraction", "12.", 12.0},
    {"NegativeFraction", "-1.25", -1.25},
    {"PlusSignAndUnit", " +3.5V", 3.5},
    {"CommaIsNoDecimalPoint", "1,5", 1.0},
    {"NoExponent", "1e3", 1.0},
    {"PointAloneIsZero", ".", 0.0},
    {"NoDigitsIsZero", "abc", 0.0},
    {"EmptyIsZero", "", 0.0},
    // Digit-by-digit accumulation gives 0.30000000000000004 here.
    {"CorrectlyRoundedTenths", "0.3", 0.3},
    {"CorrectlyRoundedLongFraction", "123456789.123456789", 123456789.123456789},
};

class ReadDecimalRows : public testing::TestWithParam<DecimalRow> {};

TEST_P(ReadDecimalRows, ReadsDigitsAndAnOptionalFraction) {
    EXPECT_EQ(ReadDecimal(GetParam().Text), GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadDecimalRows, testing::ValuesIn(kDecimalRows),
                         [](const testing::TestParamInfo<DecimalRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST(ReadDecimal, TooManyDigitsGiveInfinityOrZeroInsteadOfFailing) {
    EXPECT_EQ(ReadDecimal(std::string(400, '9')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ReadDecimal("-" + std::string(400, '9')), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(ReadDecimal("0." + std::string(400, '0') + "1"), 0.0);
}

struct WholeIntegerRow {
    const char* Name;
    const char* Text;
    bool Accepted;
    std::int32_t Value;
};

const WholeIntegerRow kWholeIntegerRows[] = {
    {"PlainDigits", "250", true, 250},
    {"BlanksAndTabsAround", " \t250 ", true, 250},
    {"NegativeValue", "-3", true, -3},
    {"PlusSign", "+3", true, 3},
    {"EmptyRefused", "", false, 0},
    {"BlanksOnlyRefused", "   ", false, 0},
    {"SignAloneRefused", "+", false, 0},
    {"TrailingLettersRefused", "12a", false, 0},
    {"TwoNumbersRefused", "1 2", false, 0},
    {"FractionRefused", "1.5", false, 0},
    {"HugeValueClamped", "99999999999", true, kMax},
};

class WholeIntegerRows : public testing::TestWithParam<WholeIntegerRow> {};

TEST_P(WholeIntegerRows, AcceptOnlyAnIntegerFillingTheText) {
    std::int32_t value = 0;
    EXPECT_EQ(ParseWholeInteger(GetParam().Text, value), GetParam().Accepted);
    if (GetParam().Accepted) {
        EXPECT_EQ(value, GetParam().Value);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, WholeIntegerRows, testing::ValuesIn(kWholeIntegerRows),
                         [](const testing::TestParamInfo<WholeIntegerRow>& info) {
                             return std::string(info.param.Name);
                         });

// A numeric facet with a decimal comma, as a German desktop has.
class CommaPunct : public std::numpunct<char> {
protected:
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

// Restores the process locale whatever the test does.
class LocaleGuard {
public:
    LocaleGuard() : m_cpp(std::locale()), m_c(std::setlocale(LC_ALL, nullptr)) {}
    ~LocaleGuard() {
        std::locale::global(m_cpp);
        std::setlocale(LC_ALL, m_c.c_str());
    }

private:
    std::locale m_cpp;
    std::string m_c;
};

void ExpectReadingsUnchanged() {
    EXPECT_EQ(ReadDecimal("950.5"), 950.5);
    EXPECT_EQ(ReadInteger("1800mA"), 1800);
    EXPECT_EQ(LedMillivolts("950.5"), 17489);
}

TEST(NumbersUnderLocale, AGlobalDecimalCommaLocaleChangesNothing) {
    LocaleGuard guard;
    std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    ExpectReadingsUnchanged();
}

TEST(NumbersUnderLocale, AProcessLocaleWithDecimalCommaChangesNothing) {
    LocaleGuard guard;
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "de_AT.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr && std::localeconv()->decimal_point[0] == ',') {
            found = name;
            break;
        }
    }
    if (found == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    }
    // The C library itself now reads "950.5" as 950: ours must not.
    EXPECT_EQ(std::strtod("950.5", nullptr), 950.0) << found;
    ExpectReadingsUnchanged();
}

} // namespace
