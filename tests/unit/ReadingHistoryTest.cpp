#include "unit/ReadingHistory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr std::int64_t kMinute = 60 * 1000;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;

// A history on a clock the test moves.
struct Rig {
    explicit Rig(HistoryLimits limits = {}) : History([this] { return Now; }, limits) {}
    void Record(std::int64_t time, const GroupReading& reading) {
        Now = time;
        History.Record(reading);
    }
    void Gap(std::int64_t time) {
        Now = time;
        History.MarkGap();
    }
    std::vector<TrackEntry> Entries(ReadingGroup group) const {
        std::vector<TrackEntry> entries;
        History.ForEachEntry([&](const HistoryEntry& entry) {
            if (entry.Group == group) {
                entries.push_back(entry.Entry);
            }
        });
        return entries;
    }

    std::int64_t Now = 0;
    ReadingHistory History;
};

GroupReading Single(ReadingGroup group, float value) {
    GroupReading reading;
    reading.Group = group;
    reading.Values.fill(kNaN);
    reading.Values[0] = value;
    return reading;
}

bool Same(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

// --- Texts to numbers

struct TextRow {
    const char* Name;
    const char* Text;
    float Value; // NaN: not a number
};

const TextRow kTextRows[] = {
    {"Integer", "31", 31},
    {"NegativeWithBlanks", " -5 ", -5},
    {"PlusSign", "+3", 3},
    {"Fraction", "950.5", 950.5f},
    {"LeadingPoint", ".5", 0.5f},
    {"TrailingPoint", "12.", 12},
    {"Tab", "\t24100\t", 24100},
    {"EmptyIsNotRead", "", kNaN},
    {"BlanksOnlyAreNotRead", "   ", kNaN},
    {"NotAvailable", "NA", kNaN},
    {"UnitAfterTheNumber", "1800mA", kNaN},
    {"SignAlone", "-", kNaN},
    {"PointAlone", ".", kNaN},
    {"TwoPoints", "1.2.3", kNaN},
    {"DecimalComma", "950,5", kNaN},
    {"Exponent", "1e3", kNaN},
    {"Infinity", "inf", kNaN},
    {"NotANumberText", "nan", kNaN},
    {"Hexadecimal", "0x10", kNaN},
    {"TwoSigns", "--5", kNaN},
    {"BlankInside", "3 1", kNaN},
    {"BeyondFloatIsClamped", "9999999999999999999999999999999999999999999",
     std::numeric_limits<float>::max()},
    {"NegativeZeroIsZero", "-0", 0},
    {"TinyIsZero", "0.000000000000000000000000000000000000000000000000000001", 0},
};

class ReadingTexts : public testing::TestWithParam<TextRow> {};

TEST_P(ReadingTexts, ReadAsNumbersOrNotRead) {
    const float value = ReadingFromText(GetParam().Text);
    EXPECT_TRUE(Same(value, GetParam().Value)) << value;
    EXPECT_EQ(std::signbit(value), std::signbit(GetParam().Value)) << value;
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadingTexts, testing::ValuesIn(kTextRows),
                         [](const testing::TestParamInfo<TextRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST(ReadingTextsUnderLocale, ADecimalCommaLocaleReadsThePointAsBefore) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no de_DE.UTF-8 locale on this machine";
    }
    const float value = ReadingFromText("950.5");
    const float comma = ReadingFromText("950,5");
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(value, 950.5f);
    EXPECT_TRUE(std::isnan(comma));
}

// --- Readings of the page, one group at a time

TEST(ReadingHistory, ThePageTextsArriveAsTheirQuantities) {
    Rig rig;
    rig.Record(1000, TemperatureReading({"31", "30", "", "NA"}, {"28", "-5", "x", ""}));
    rig.Record(1010, VoltageReading({"18400", "17489", "0", ""}, "24100", "3300"));
    rig.Record(1020, ErrorCodeReading(204));
    rig.Record(1030, CurrentReadBackReading({500, 600, 0, 0}));
    rig.Record(1040, SetpointReading({700, 200, 1800, 200}));

    const struct {
        Quantity Of;
        float Value; // NaN: none
        std::int64_t Time;
    } expected[] = {
        {Quantity::ControllerTemperatureA, 31, 1000},
        {Quantity::ControllerTemperatureB, 30, 1000},
        {Quantity::ControllerTemperatureC, kNaN, 0},
        {Quantity::ControllerTemperatureD, kNaN, 0},
        {Quantity::TesselTemperatureA, 28, 1000},
        {Quantity::TesselTemperatureB, -5, 1000},
        {Quantity::TesselTemperatureC, kNaN, 0},
        {Quantity::LedVoltageA, 18400, 1010},
        {Quantity::LedVoltageB, 17489, 1010},
        {Quantity::LedVoltageC, 0, 1010},
        {Quantity::LedVoltageD, kNaN, 0},
        {Quantity::InputVoltage, 24100, 1010},
        {Quantity::AnalogVoltage, 3300, 1010},
        {Quantity::ErrorCode, 204, 1020},
        {Quantity::ActualCurrentB, 600, 1030},
        {Quantity::ActualCurrentC, 0, 1030},
        {Quantity::SetCurrentA, 700, 1040},
        {Quantity::SetCurrentC, 1800, 1040},
    };
    for (const auto& row : expected) {
        const std::optional<ReadingValue> latest = rig.History.Latest(row.Of);
        SCOPED_TRACE(static_cast<int>(row.Of));
        if (std::isnan(row.Value)) {
            EXPECT_FALSE(latest.has_value());
            continue;
        }
        ASSERT_TRUE(latest.has_value());
        EXPECT_EQ(latest->Min, row.Value);
        EXPECT_EQ(latest->Max, row.Value);
        EXPECT_EQ(latest->First, row.Time);
        EXPECT_FALSE(latest->Reduced);
    }
}

TEST(ReadingHistory, LatestIsNoneAfterAGapUntilTheNextReading) {
    Rig rig;
    EXPECT_FALSE(rig.History.Latest(Quantity::ErrorCode).has_value());
    rig.Record(1000, ErrorCodeReading(0));
    ASSERT_TRUE(rig.History.Latest(Quantity::ErrorCode).has_value());
    rig.Gap(2000);
    EXPECT_FALSE(rig.History.Latest(Quantity::ErrorCode).has_value());
    rig.Record(3000, ErrorCodeReading(102));
    ASSERT_TRUE(rig.History.Latest(Quantity::ErrorCode).has_value());
    EXPECT_EQ(rig.History.Latest(Quantity::ErrorCode)->Min, 102);
}

struct CursorRow {
    const char* Name;
    Quantity Of;
    std::int64_t Time;
    float Value; // NaN: none
};

// Samples at 0 (value 1) and 3000 (2), a gap at 4000, a sample at 6000 (3); a set-point at 0.
const CursorRow kCursorRows[] = {
    {"BeforeTheFirstReading", Quantity::ErrorCode, -1, kNaN},
    {"AtASample", Quantity::ErrorCode, 0, 1},
    {"BetweenSamplesHoldsTheEarlier", Quantity::ErrorCode, 2999, 1},
    {"AtTheNextSample", Quantity::ErrorCode, 3000, 2},
    {"BeforeTheGap", Quantity::ErrorCode, 3999, 2},
    {"AtTheGap", Quantity::ErrorCode, 4000, kNaN},
    {"InsideTheGap", Quantity::ErrorCode, 5999, kNaN},
    {"AfterTheGap", Quantity::ErrorCode, 6000, 3},
    {"ThreePeriodsOfSilenceStillHold", Quantity::ErrorCode, 15000, 3},
    {"LongerSilenceIsAGap", Quantity::ErrorCode, 15001, kNaN},
    {"ASetPointHoldsUntilChanged", Quantity::SetCurrentA, 10 * kDay, 700},
};

class CursorValues : public testing::TestWithParam<CursorRow> {};

TEST_P(CursorValues, ReadTheValueAtATime) {
    Rig rig;
    rig.Record(0, SetpointReading({700, 200, 200, 200}));
    rig.Record(0, ErrorCodeReading(1));
    rig.Record(3000, ErrorCodeReading(2));
    rig.Now = 4000;
    rig.History.MarkGap(ReadingGroup::ErrorCode);
    rig.Record(6000, ErrorCodeReading(3));

    const std::optional<ReadingValue> value = rig.History.ValueAt(GetParam().Of, GetParam().Time);
    if (std::isnan(GetParam().Value)) {
        EXPECT_FALSE(value.has_value()) << value->Min;
    } else {
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->Min, GetParam().Value);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CursorValues, testing::ValuesIn(kCursorRows),
                         [](const testing::TestParamInfo<CursorRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST(ReadingHistory, AClockThatGoesBackKeepsEveryGroupInOrder) {
    Rig rig;
    rig.Record(10000, ErrorCodeReading(1));
    rig.Record(5000, ErrorCodeReading(2)); // the clock was set back
    rig.Record(11000, ErrorCodeReading(3));

    const std::vector<TrackEntry> entries = rig.Entries(ReadingGroup::ErrorCode);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].First, 10000);
    EXPECT_EQ(entries[1].Min[0], 2);
    EXPECT_EQ(rig.History.ValueAt(Quantity::ErrorCode, 10000)->Min, 2);
    EXPECT_EQ(rig.History.ValueAt(Quantity::ErrorCode, 10999)->Min, 2);
    EXPECT_EQ(rig.History.Latest(Quantity::ErrorCode)->Min, 3);
}

// --- Reduction of older readings

struct Event {
    std::int64_t Time;
    float Value = kNaN; // NaN: a reading without the value
    bool Gap = false;
};

Event Gap(std::int64_t time) {
    return {time, kNaN, true};
}

struct Expected {
    EntryKind Kind;
    std::int64_t First;
    std::int64_t Last;
    float Min;
    float Max;
    std::uint32_t Count;
    bool Missing;
};

struct ReductionRow {
    const char* Name;
    std::vector<Event> Events;
    std::vector<Expected> Reduced;
};

constexpr EntryKind R = EntryKind::Reduced;
constexpr EntryKind G = EntryKind::Gap;

const ReductionRow kReductionRows[] = {
    {"OneIntervalKeepsItsExtremes",
     {{0, 5}, {3000, 9}, {6000, -2}, {9000, 7}, {12000, 7.5f}},
     {{R, 0, 12000, -2, 9, 5, false}}},
    {"ExtremesAtTheIntervalsEdges",
     {{51000, -1}, {54000, 3}, {57000, 8}},
     {{R, 51000, 57000, -1, 8, 3, false}}},
    {"IntervalsEndAtTheMinute",
     {{54000, 1}, {57000, 2}, {60000, 3}, {63000, 4}},
     {{R, 54000, 57000, 1, 2, 2, false}, {R, 60000, 63000, 3, 4, 2, false}}},
    {"AMarkedGapSplitsAnInterval",
     {{0, 1}, {3000, 5}, Gap(4000), {6000, 2}, {9000, 3}},
     {{R, 0, 3000, 1, 5, 2, false},
      {G, 4000, 4000, kNaN, kNaN, 0, true},
      {R, 6000, 9000, 2, 3, 2, false}}},
    {"SilenceOverThreePeriodsIsAGap",
     {{0, 1}, {3000, 2}, {12001, 3}},
     {{R, 0, 3000, 1, 2, 2, false},
      {G, 12000, 12000, kNaN, kNaN, 0, true},
      {R, 12001, 12001, 3, 3, 1, false}}},
    {"SilenceOfThreePeriodsIsNoGap", {{0, 1}, {9000, 2}}, {{R, 0, 9000, 1, 2, 2, false}}},
    {"AMissingValueMarksItsInterval",
     {{0, 1}, {3000, kNaN}, {6000, 4}},
     {{R, 0, 6000, 1, 4, 3, true}}},
    {"AnIntervalWithoutValues", {{0, kNaN}, {3000, kNaN}}, {{R, 0, 3000, kNaN, kNaN, 2, true}}},
    {"ASecondGapInARowAddsNothing",
     {{0, 1}, Gap(1000), Gap(2000), {3000, 2}},
     {{R, 0, 0, 1, 1, 1, false},
      {G, 1000, 1000, kNaN, kNaN, 0, true},
      {R, 3000, 3000, 2, 2, 1, false}}},
    {"AGapBeforeAnyReadingAddsNothing", {Gap(0), {3000, 1}}, {{R, 3000, 3000, 1, 1, 1, false}}},
    {"TimesBeforeTheEpochBelongToTheirMinute",
     {{-3000, 1}, {0, 2}},
     {{R, -3000, -3000, 1, 1, 1, false}, {R, 0, 0, 2, 2, 1, false}}},
};

HistoryLimits SmallWindow() {
    HistoryLimits limits;
    limits.FullResolutionMs = 10 * kMinute;
    limits.RetentionMs = kDay;
    return limits;
}

class Reduction : public testing::TestWithParam<ReductionRow> {};

TEST_P(Reduction, KeepsEveryExtremeAndEveryGap) {
    Rig rig(SmallWindow());
    std::int64_t last = 0;
    for (const Event& event : GetParam().Events) {
        if (event.Gap) {
            rig.Gap(event.Time);
        } else {
            rig.Record(event.Time, Single(ReadingGroup::ErrorCode, event.Value));
        }
        last = event.Time;
    }
    // A reading well past the window pushes all of the above into the reduced tier.
    rig.Record(last + 10 * kMinute + 2 * kMinute, Single(ReadingGroup::ErrorCode, 0));

    std::vector<TrackEntry> old;
    for (const TrackEntry& entry : rig.Entries(ReadingGroup::ErrorCode)) {
        if (entry.First <= last) {
            old.push_back(entry);
        }
    }
    const std::vector<Expected>& expected = GetParam().Reduced;
    ASSERT_EQ(old.size(), expected.size());
    for (std::size_t i = 0; i < old.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(old[i].Kind, expected[i].Kind);
        EXPECT_EQ(old[i].First, expected[i].First);
        EXPECT_EQ(old[i].Last, expected[i].Last);
        EXPECT_TRUE(Same(old[i].Min[0], expected[i].Min)) << old[i].Min[0];
        EXPECT_TRUE(Same(old[i].Max[0], expected[i].Max)) << old[i].Max[0];
        EXPECT_EQ(old[i].Count, expected[i].Count);
        EXPECT_EQ(old[i].Missing != 0, expected[i].Missing);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Reduction, testing::ValuesIn(kReductionRows),
                         [](const testing::TestParamInfo<ReductionRow>& info) {
                             return std::string(info.param.Name);
                         });

// --- Plot columns

// Column codes: '.' no data, 'o' joined to the value before, 'B' break before, 'I' break
// inside, 'X' both.
std::string Codes(const std::vector<PlotColumn>& columns) {
    std::string codes;
    for (const PlotColumn& column : columns) {
        if (!column.HasData) {
            codes += '.';
        } else if (column.BreakBefore) {
            codes += column.BreakInside ? 'X' : 'B';
        } else {
            codes += column.BreakInside ? 'I' : 'o';
        }
    }
    return codes;
}

struct PlotRow {
    const char* Name;
    std::vector<Event> Events;
    std::int64_t From;
    std::int64_t To;
    int Columns;
    const char* Codes;
};

const PlotRow kPlotRows[] = {
    {"ALineBeginsWithABreak", {{0, 1}, {3000, 2}, {6000, 3}}, 0, 9000, 3, "Boo"},
    {"ValuesBeforeTheRangeJoinTheFirstColumn", {{0, 1}, {3000, 2}, {6000, 3}}, 3000, 9000, 2, "oo"},
    {"EmptyColumnsBetweenNeighboursKeepTheLine", {{0, 1}, {3000, 2}}, 0, 6000, 6, "B..o.."},
    {"AGapBreaksTheLine", {{0, 1}, {3000, 2}, Gap(4000), {6000, 3}}, 0, 9000, 3, "BoB"},
    {"AGapWithinAColumnBreaksInside", {{0, 1}, {3000, 2}, Gap(4000), {6000, 3}}, 0, 9000, 1, "X"},
    {"AGapJustBeforeTheRange", {{0, 1}, Gap(1000), {3000, 2}, {6000, 3}}, 2000, 8000, 2, "Bo"},
    {"AMissingValueIsAHole", {{0, 1}, {3000, kNaN}, {6000, 3}, {9000, 4}}, 0, 12000, 4, "B.Bo"},
    {"ASilenceIsAGap", {{0, 1}, {3000, 2}, {20000, 3}}, 0, 24000, 8, "Bo....B."},
    {"NothingInTheRange", {{0, 1}}, 10000, 20000, 4, "...."},
};

class PlotColumns : public testing::TestWithParam<PlotRow> {};

TEST_P(PlotColumns, ReportValuesAndBreaks) {
    Rig rig;
    for (const Event& event : GetParam().Events) {
        if (event.Gap) {
            rig.Gap(event.Time);
        } else {
            rig.Record(event.Time, Single(ReadingGroup::ErrorCode, event.Value));
        }
    }
    const std::vector<PlotColumn> columns =
        rig.History.Plot(Quantity::ErrorCode, GetParam().From, GetParam().To, GetParam().Columns);
    EXPECT_EQ(Codes(columns), GetParam().Codes);
}

INSTANTIATE_TEST_SUITE_P(Rows, PlotColumns, testing::ValuesIn(kPlotRows),
                         [](const testing::TestParamInfo<PlotRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST(PlotColumns, NoColumnsOrAnEmptyRangeGiveNoValues) {
    Rig rig;
    rig.Record(0, ErrorCodeReading(1));
    EXPECT_TRUE(rig.History.Plot(Quantity::ErrorCode, 0, 1000, 0).empty());
    EXPECT_EQ(Codes(rig.History.Plot(Quantity::ErrorCode, 1000, 0, 2)), "..");
}

TEST(ReadingHistory, ASilenceOfMonthsIsOneGap) {
    // Longer than the 49.7 days that a chunk's 32-bit offsets reach.
    constexpr std::int64_t kLater = 60 * kDay;
    HistoryLimits keepAll;
    keepAll.FullResolutionMs = 100 * kDay;
    keepAll.RetentionMs = 100 * kDay;
    Rig rig(keepAll);
    rig.Record(0, ErrorCodeReading(1));
    rig.Record(3000, ErrorCodeReading(2));
    rig.Record(kLater, ErrorCodeReading(3));
    rig.Record(kLater + 3000, ErrorCodeReading(4));

    const std::vector<TrackEntry> entries = rig.Entries(ReadingGroup::ErrorCode);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[2].Kind, EntryKind::Gap);
    EXPECT_EQ(entries[2].First, 12000);
    EXPECT_EQ(entries[3].First, kLater);
    EXPECT_EQ(entries[4].First, kLater + 3000);
    EXPECT_EQ(rig.History.ValueAt(Quantity::ErrorCode, 3000)->Min, 2);
    EXPECT_FALSE(rig.History.ValueAt(Quantity::ErrorCode, 30 * kDay).has_value());
    EXPECT_EQ(rig.History.ValueAt(Quantity::ErrorCode, kLater + 2999)->Min, 3);
    EXPECT_EQ(Codes(rig.History.Plot(Quantity::ErrorCode, kLater - 3000, kLater + 6000, 3)), ".Bo");
}

TEST(ReadingHistory, ASetPointChangedOnceADayStaysOneUnbrokenLine) {
    // Sixty-four entries a chunk over more than the 49.7 days its 32-bit offsets reach.
    HistoryLimits keepAll;
    keepAll.FullResolutionMs = 100 * kDay;
    keepAll.RetentionMs = 100 * kDay;
    Rig rig(keepAll);
    for (int day = 0; day < 70; ++day) {
        rig.Record(day * kDay, SetpointReading({200 + day, 200, 200, 200}));
    }
    const std::vector<TrackEntry> entries = rig.Entries(ReadingGroup::Setpoints);
    ASSERT_EQ(entries.size(), 70u);
    for (int day = 0; day < 70; ++day) {
        EXPECT_EQ(entries[static_cast<std::size_t>(day)].Kind, EntryKind::Sample);
        EXPECT_EQ(entries[static_cast<std::size_t>(day)].First, day * kDay);
    }
    const std::vector<PlotColumn> days = rig.History.Plot(Quantity::SetCurrentA, 0, 70 * kDay, 70);
    EXPECT_EQ(Codes(days), "B" + std::string(69, 'o'));
    EXPECT_EQ(days[60].Min, 260);
    EXPECT_EQ(rig.History.ValueAt(Quantity::SetCurrentA, 55 * kDay + 1)->Min, 255);
}

TEST(ReadingHistory, AReducedMinuteBeyondTheReachOfItsChunkOpensAnother) {
    // The reduced track's chunk begins at 0; this minute begins within its 32-bit offsets and
    // ends beyond them.
    constexpr std::int64_t kMinuteStart = 4294920000;
    HistoryLimits limits;
    limits.FullResolutionMs = 10 * kMinute;
    limits.RetentionMs = 100 * kDay;
    Rig rig(limits);
    rig.Record(0, ErrorCodeReading(-1));
    for (int tick = 0; tick < 300; ++tick) {
        rig.Record(kMinuteStart + tick * 3000, ErrorCodeReading(tick));
    }
    std::vector<TrackEntry> reduced;
    for (const TrackEntry& entry : rig.Entries(ReadingGroup::ErrorCode)) {
        if (entry.Kind != EntryKind::Sample) {
            reduced.push_back(entry);
        }
    }
    ASSERT_GE(reduced.size(), 5u);
    EXPECT_EQ(reduced[0].First, 0);
    EXPECT_EQ(reduced[1].Kind, EntryKind::Gap);
    EXPECT_EQ(reduced[2].First, kMinuteStart);
    EXPECT_EQ(reduced[2].Last, kMinuteStart + 57000);
    EXPECT_EQ(reduced[2].Max[0], 19);
    EXPECT_EQ(reduced[2].Count, 20u);
    EXPECT_EQ(reduced[3].First, kMinuteStart + kMinute);
    EXPECT_EQ(reduced[3].Min[0], 20);
    const std::vector<PlotColumn> all =
        rig.History.Plot(Quantity::ErrorCode, 0, kMinuteStart + 15 * kMinute, 1);
    EXPECT_EQ(all[0].Min, -1);
    EXPECT_EQ(all[0].Max, 299);
}

// --- Seven days of ticks, across the border of the full-resolution window

// A value that wanders without a pattern the tree could get right by chance.
float Wander(std::int64_t tick) {
    return static_cast<float>((tick * 7919) % 1000) / 10.0f - 20.0f;
}

class SevenDays : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_rig = new Rig();
        for (std::int64_t tick = 0; tick < kTicks; ++tick) {
            GroupReading reading = Single(ReadingGroup::Temperatures, Wander(tick));
            s_rig->Record(kStart + tick * 3000, reading);
        }
    }
    static void TearDownTestSuite() {
        delete s_rig;
        s_rig = nullptr;
    }

    // The extremes of the readings in [from, to), as a plot must give them.
    static std::pair<float, float> Extremes(std::int64_t from, std::int64_t to) {
        float min = std::numeric_limits<float>::infinity();
        float max = -min;
        for (std::int64_t tick = std::max<std::int64_t>(0, (from - kStart + 2999) / 3000);
             tick < kTicks && kStart + tick * 3000 < to; ++tick) {
            min = std::min(min, Wander(tick));
            max = std::max(max, Wander(tick));
        }
        return {min, max};
    }

    // The oldest sample still at full resolution.
    static std::int64_t Border() {
        std::int64_t border = 0;
        bool found = false;
        s_rig->History.ForEachEntry([&](const HistoryEntry& entry) {
            if (!found && entry.Group == ReadingGroup::Temperatures &&
                entry.Entry.Kind == EntryKind::Sample) {
                border = entry.Entry.First;
                found = true;
            }
        });
        return border;
    }

    static constexpr std::int64_t kStart = 28333334 * kMinute; // November 2023, on a minute
    static constexpr std::int64_t kTicks = 7 * kDay / 3000;
    static constexpr std::int64_t kEnd = kStart + (kTicks - 1) * 3000;
    static Rig* s_rig;
};

Rig* SevenDays::s_rig = nullptr;

TEST_F(SevenDays, KeepAtLeastADayAtFullResolutionAndMinutesBeforeIt) {
    const std::int64_t border = Border();
    EXPECT_GE(kEnd - border, kDay);
    EXPECT_LE(kEnd - border, kDay + kMinute);
    std::size_t samples = 0;
    std::size_t reduced = 0;
    for (const TrackEntry& entry : s_rig->Entries(ReadingGroup::Temperatures)) {
        ASSERT_NE(entry.Kind, EntryKind::Gap) << entry.First;
        (entry.Kind == EntryKind::Sample ? samples : reduced) += 1;
        if (entry.Kind == EntryKind::Reduced) {
            EXPECT_EQ(entry.Count, 20u);
            EXPECT_EQ(entry.First % kMinute, 0);
        }
    }
    EXPECT_EQ(samples, static_cast<std::size_t>((kEnd - border) / 3000 + 1));
    EXPECT_EQ(reduced, static_cast<std::size_t>((border - kStart) / kMinute));
}

TEST_F(SevenDays, MinuteColumnsAcrossTheBorderGiveTheExactExtremes) {
    const std::int64_t border = Border();
    const std::int64_t from = border - 30 * kMinute;
    const std::vector<PlotColumn> columns =
        s_rig->History.Plot(Quantity::ControllerTemperatureA, from, from + kHour, 60);
    ASSERT_EQ(columns.size(), 60u);
    for (int c = 0; c < 60; ++c) {
        SCOPED_TRACE(c);
        const auto [min, max] = Extremes(from + c * kMinute, from + (c + 1) * kMinute);
        const PlotColumn& column = columns[static_cast<std::size_t>(c)];
        ASSERT_TRUE(column.HasData);
        EXPECT_EQ(column.Min, min);
        EXPECT_EQ(column.Max, max);
        EXPECT_FALSE(column.BreakBefore);
        EXPECT_FALSE(column.BreakInside);
    }
}

TEST_F(SevenDays, HourColumnsOverAllDaysGiveTheExactExtremes) {
    const int hours = static_cast<int>((kEnd - kStart) / kHour) + 1;
    const std::array<std::vector<PlotColumn>, kQuantityCount> all =
        s_rig->History.PlotAll(kStart, kStart + hours * kHour, hours);
    const std::vector<PlotColumn>& columns =
        all[static_cast<std::size_t>(Quantity::ControllerTemperatureA)];
    ASSERT_EQ(columns.size(), static_cast<std::size_t>(hours));
    EXPECT_TRUE(columns[0].BreakBefore);
    for (int c = 0; c < hours; ++c) {
        SCOPED_TRACE(c);
        const auto [min, max] = Extremes(kStart + c * kHour, kStart + (c + 1) * kHour);
        EXPECT_EQ(columns[static_cast<std::size_t>(c)].Min, min);
        EXPECT_EQ(columns[static_cast<std::size_t>(c)].Max, max);
        EXPECT_EQ(columns[static_cast<std::size_t>(c)].BreakInside, false);
    }
    // Quantities never read stay empty.
    for (const PlotColumn& column :
         all[static_cast<std::size_t>(Quantity::ControllerTemperatureB)]) {
        EXPECT_FALSE(column.HasData);
    }
}

TEST_F(SevenDays, SecondColumnsWithinAReducedMinuteShowItsExtremesUnbroken) {
    const std::int64_t minute = Border() - 2 * kHour;
    const std::vector<PlotColumn> columns =
        s_rig->History.Plot(Quantity::ControllerTemperatureA, minute, minute + kMinute, 6);
    const auto [min, max] = Extremes(minute, minute + kMinute);
    EXPECT_EQ(Codes(columns), "oooooo");
    for (const PlotColumn& column : columns) {
        EXPECT_EQ(column.Min, min);
        EXPECT_EQ(column.Max, max);
    }
}

TEST_F(SevenDays, TheCursorReadsSamplesAfterTheBorderAndMinutesBeforeIt) {
    const std::int64_t border = Border();
    const std::optional<ReadingValue> sample =
        s_rig->History.ValueAt(Quantity::ControllerTemperatureA, border + 1);
    ASSERT_TRUE(sample.has_value());
    EXPECT_FALSE(sample->Reduced);
    EXPECT_EQ(sample->First, border);
    EXPECT_EQ(sample->Min, Wander((border - kStart) / 3000));

    const std::optional<ReadingValue> minute =
        s_rig->History.ValueAt(Quantity::ControllerTemperatureA, border - 1);
    ASSERT_TRUE(minute.has_value());
    EXPECT_TRUE(minute->Reduced);
    EXPECT_EQ(minute->First, border - kMinute);
    EXPECT_EQ(minute->Last, border - 3000);
    const auto [min, max] = Extremes(border - kMinute, border);
    EXPECT_EQ(minute->Min, min);
    EXPECT_EQ(minute->Max, max);
}

// --- Limits

TEST(ReadingHistory, AUnitAnsweringFasterThanThePeriodStaysWithinTheSampleBound) {
    HistoryLimits limits;
    limits.FullResolutionMs = kMinute; // at most 2 * 20 + 2 samples
    limits.ReductionIntervalMs = 10000;
    Rig rig(limits);
    float min = Wander(0);
    float max = Wander(0);
    for (int i = 0; i < 1000; ++i) {
        const float value = Wander(i);
        min = std::min(min, value);
        max = std::max(max, value);
        rig.Record(i * 100, Single(ReadingGroup::ErrorCode, value));
    }
    std::size_t samples = 0;
    for (const TrackEntry& entry : rig.Entries(ReadingGroup::ErrorCode)) {
        samples += entry.Kind == EntryKind::Sample ? 1 : 0;
    }
    EXPECT_LE(samples, 42u);
    const std::vector<PlotColumn> all = rig.History.Plot(Quantity::ErrorCode, 0, 100000, 1);
    EXPECT_EQ(all[0].Min, min);
    EXPECT_EQ(all[0].Max, max);
}

TEST(ReadingHistory, ReadingsOlderThanTheRetentionAreDropped) {
    HistoryLimits limits;
    limits.FullResolutionMs = kMinute;
    limits.RetentionMs = 10 * kMinute;
    Rig rig(limits);
    for (int tick = 0; tick < 600; ++tick) {
        rig.Record(tick * 3000, ErrorCodeReading(tick));
    }
    const std::vector<TrackEntry> entries = rig.Entries(ReadingGroup::ErrorCode);
    ASSERT_FALSE(entries.empty());
    EXPECT_GE(entries.front().Last, rig.Now - 10 * kMinute);
    EXPECT_LE(entries.front().First, rig.Now - 9 * kMinute);
    EXPECT_FALSE(rig.History.ValueAt(Quantity::ErrorCode, rig.Now - 11 * kMinute).has_value());
}

// --- Plots against a plain scan of the entries

// What a plot column must hold, from a scan of every entry (the tree must agree).
std::vector<PlotColumn> ScanPlot(const std::vector<TrackEntry>& entries, std::size_t slot,
                                 std::int64_t from, std::int64_t width, int columns) {
    const QuantityMask bit = static_cast<QuantityMask>(1u << slot);
    auto valid = [&](std::size_t i) {
        return entries[i].Kind != EntryKind::Gap && !std::isnan(entries[i].Min[slot]);
    };
    auto holes = [&](std::size_t i) {
        return entries[i].Kind == EntryKind::Reduced && (entries[i].Missing & bit) != 0;
    };
    auto joined = [&](std::size_t i) {
        return i > 0 && valid(i - 1) && valid(i) && !holes(i - 1) && !holes(i);
    };
    std::vector<PlotColumn> out(static_cast<std::size_t>(columns));
    std::size_t previousLast = entries.size();
    std::size_t first = 0;
    for (int c = 0; c < columns; ++c) {
        const std::int64_t start = from + c * width;
        const std::int64_t end = start + width;
        while (first < entries.size() && entries[first].Last < start) {
            ++first;
        }
        PlotColumn& column = out[static_cast<std::size_t>(c)];
        std::size_t i = first;
        for (; i < entries.size() && entries[i].First < end; ++i) {
            if (!valid(i)) {
                continue;
            }
            const float min = entries[i].Min[slot];
            const float max = entries[i].Max[slot];
            if (!column.HasData) {
                column.HasData = true;
                column.Min = min;
                column.Max = max;
                column.BreakBefore = (i == first && i == previousLast) ? holes(i) : !joined(i);
            } else {
                column.BreakInside = column.BreakInside || !joined(i);
                column.Min = std::min(column.Min, min);
                column.Max = std::max(column.Max, max);
            }
            column.BreakInside = column.BreakInside || holes(i);
        }
        if (i > first) {
            previousLast = i - 1;
        }
    }
    return out;
}

TEST(ReadingHistory, PlotsAgreeWithAScanOfEveryEntry) {
    HistoryLimits limits;
    // Windows wide enough for nodes of three levels in both tiers.
    limits.PeriodMs = 1000;
    limits.FullResolutionMs = 30 * kMinute;
    limits.ReductionIntervalMs = 2000;
    limits.RetentionMs = 4 * kHour;
    Rig rig(limits);
    std::mt19937 random(20261211);
    auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::int64_t time = 1000000000000;
    const std::int64_t first = time;
    for (int i = 0; i < 8000; ++i) {
        const int what = uniform(0, 99);
        if (what < 2) {
            rig.Gap(time);
        } else {
            GroupReading reading;
            reading.Group = ReadingGroup::Temperatures;
            for (float& value : reading.Values) {
                value = uniform(0, 9) == 0 ? kNaN : static_cast<float>(uniform(-50, 150));
            }
            rig.Record(time, reading);
        }
        const int step = uniform(0, 99);
        time += step < 3 ? uniform(3001, 20000) : step < 8 ? uniform(0, 50) : uniform(200, 1500);
    }
    const std::vector<TrackEntry> entries = rig.Entries(ReadingGroup::Temperatures);
    std::size_t reduced = 0;
    for (const TrackEntry& entry : entries) {
        reduced += entry.Kind == EntryKind::Reduced ? 1 : 0;
    }
    ASSERT_GT(reduced, 1000u); // both tiers take part
    ASSERT_LT(reduced, entries.size() - 1000);

    for (int query = 0; query < 300; ++query) {
        const int scale = uniform(0, 3);
        const std::int64_t width = scale == 0   ? uniform(1, 100)
                                   : scale == 1 ? uniform(100, 5000)
                                   : scale == 2 ? uniform(5000, 120000)
                                                : uniform(120000, 900000);
        const int columns = uniform(1, scale < 2 ? 150 : scale == 2 ? 60 : 10);
        const std::int64_t from = first - 5000 + uniform(0, static_cast<int>(time - first));
        const std::array<std::vector<PlotColumn>, kQuantityCount> all =
            rig.History.PlotAll(from, from + width * columns, columns);
        for (std::size_t slot = 0; slot < 8; ++slot) {
            const std::vector<PlotColumn>& plotted = all[static_cast<std::size_t>(
                QuantityAt(ReadingGroup::Temperatures, static_cast<int>(slot)))];
            const std::vector<PlotColumn> scanned = ScanPlot(entries, slot, from, width, columns);
            ASSERT_EQ(Codes(plotted), Codes(scanned))
                << "query " << query << " slot " << slot << " from " << from << " width " << width;
            for (std::size_t c = 0; c < scanned.size(); ++c) {
                if (scanned[c].HasData) {
                    ASSERT_EQ(plotted[c].Min, scanned[c].Min) << query << " " << c;
                    ASSERT_EQ(plotted[c].Max, scanned[c].Max) << query << " " << c;
                }
            }
        }
    }
}

} // namespace
