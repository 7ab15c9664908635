#pragma once

#include "platform/UtcClock.h"
#include "unit/ReadingTrack.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a unit page has read from its unit over time: every temperature, voltage, error code
// and current reading the page interprets, stamped with the UTC clock, for the trends plot,
// the overview of all units and the CSV export.
//
// Layout. The readings arrive in groups, one reply at a time, and each group keeps two
// tracks (ReadingTrack): the samples of the recent window at full resolution, and older
// readings reduced to one entry per reduction interval (per minute) holding each quantity's
// minimum and maximum. Values are 32-bit floats, exact for whole numbers up to 2^24 (which
// covers every °C, mV, mA and status code a unit reports); NaN is a value not read. Times
// are 32-bit millisecond offsets from their chunk's 64-bit start. Both tracks keep a summary
// tree of fan-out 16 for the plot queries.
//
//   group        quantities                                    sample   reduced entry
//   Temperatures controller and Tessel temperature, A to D  8  36 B     4+4+64+4+1 = 77 B
//   Voltages     LED voltage A to D, input, analog          6  28 B     4+4+48+4+1 = 61 B
//   ErrorCode    the error code                             1   8 B     4+4+ 8+4+1 = 21 B
//   CurrentReadBack, Setpoints: 4 currents each, only when the unit is asked or a current is
//   set (a few entries a day).
// A tree node stores 2 floats per quantity and 4 mask bytes: 68, 52 and 12 B for the three
// polled groups; nodes add 1/16 + 1/256 + ... = 1/15 of a node per entry.
//
// Budget, a unit monitored with all three polls every 3000 ms:
//   full resolution, 24 h = 28 800 ticks: (36 + 28 + 8) B + (68 + 52 + 12) B / 15 = 80.8 B
//     a tick, 2.33 MB;
//   reduced, the 6 days before that = 8 640 minutes: (77 + 61 + 21) B + 8.8 B = 168 B a
//     minute, 1.45 MB;
//   together 3.78 MB a unit; 20 units for 7 days: 76 MB, with chunk and allocator overhead
//   about 81 MB more resident, 84 MB in all (bench_history measures it).
//
// Plot cost. A column takes the samples up to the first whole node and from the last one on
// (fewer than 16 each side) and at most 2 x 15 nodes a level between, so a plot costs at most
// the columns times that, whatever the range holds: 24 h (19 samples a column, read one by
// one) and 7 days (134 entries a column, mostly nodes) cost the same.
//
// Older readings are dropped (HistoryLimits::RetentionMs). The counts are bounded as well, so
// that a unit answering far more often than every period cannot outgrow the budget: beyond
// twice the window's ticks the oldest samples are reduced early, beyond twice the retention's
// intervals the oldest reduced entries are dropped.
//
// Gaps. A lost link or monitoring switched off is told with MarkGap; a polled group that was
// silent for more than HistoryLimits::SilentPeriods periods gets a gap of its own, stamped when
// the silence became one. A gap is an entry; reduction never puts readings from both sides of
// one into the same interval, the plot never joins values across one, and the export writes
// it as a row of its own.
//
// Time. Each reading is stamped with the clock when it is recorded. A clock that goes back
// (set by hand, or by a time server) stamps with the group's last time instead, so every
// group stays in time order.

// The quantities, in the order of the export's columns.
enum class Quantity : std::uint8_t {
    ControllerTemperatureA,
    ControllerTemperatureB,
    ControllerTemperatureC,
    ControllerTemperatureD,
    TesselTemperatureA,
    TesselTemperatureB,
    TesselTemperatureC,
    TesselTemperatureD,
    LedVoltageA,
    LedVoltageB,
    LedVoltageC,
    LedVoltageD,
    SetCurrentA,
    SetCurrentB,
    SetCurrentC,
    SetCurrentD,
    ActualCurrentA,
    ActualCurrentB,
    ActualCurrentC,
    ActualCurrentD,
    InputVoltage,
    AnalogVoltage,
    ErrorCode,
};
constexpr int kQuantityCount = 23;

// The readings that arrive together.
enum class ReadingGroup : std::uint8_t {
    Temperatures,    // a "te" reply: controller A to D, then Tessel A to D (°C)
    Voltages,        // a "vt" reply: LED A to D, then input, then analog (mV)
    ErrorCode,       // an "er" reply
    CurrentReadBack, // an "IY" read-back: the currents the unit reports, A to D (mA)
    Setpoints,       // the page's set-points after a current was set, A to D (mA)
};
constexpr int kReadingGroupCount = 5;

// The number of quantities in a group.
int GroupWidth(ReadingGroup group);
// Where a quantity is kept: its group and its place in the group's values.
ReadingGroup GroupOf(Quantity quantity);
int SlotOf(Quantity quantity);
Quantity QuantityAt(ReadingGroup group, int slot);
// Whether the group is polled every period (temperatures, voltages, error code), so that a
// silence is a gap; the currents arrive only when asked for or set.
bool IsPolled(ReadingGroup group);

// The number a page text holds, read without the process locale: blanks around it, an
// optional sign, digits, an optional '.' and fraction digits. Anything else ("", "NA",
// "1800mA") is not a number and gives NaN, a value not read. Values beyond the float range are
// clamped to it.
float ReadingFromText(std::string_view text);

// The values of one group as they arrive, in the group's order; NaN where not read.
struct GroupReading {
    ReadingGroup Group = ReadingGroup::Temperatures;
    std::array<float, kMaxTrackWidth> Values{};
};

// From the page's texts and numbers as the interpreters leave them.
GroupReading TemperatureReading(const std::array<std::string, 4>& controller,
                                const std::array<std::string, 4>& tessel);
GroupReading VoltageReading(const std::array<std::string, 4>& led, const std::string& input,
                            const std::string& analog);
GroupReading ErrorCodeReading(std::int32_t code);
GroupReading CurrentReadBackReading(const std::array<std::int32_t, 4>& currents);
GroupReading SetpointReading(const std::array<std::int32_t, 4>& setpoints);

struct HistoryLimits {
    std::int64_t PeriodMs = 3000;                       // the monitoring timers' period
    std::int64_t SilentPeriods = 3;                     // a longer silence is a gap
    std::int64_t FullResolutionMs = 24 * 3600 * 1000LL; // samples kept as they are
    std::int64_t ReductionIntervalMs = 60 * 1000;       // one reduced entry per interval
    std::int64_t RetentionMs = 7 * 24 * 3600 * 1000LL;  // nothing older is kept
};

// One pixel column of a plot: the extremes of the values in its time span, and where the line
// must break. BreakBefore: the line from the previous value (in an earlier column, or before
// the plotted range) must not be drawn into this column's first value; it is set for the first
// value there is. BreakInside: the column's values are not one unbroken line.
struct PlotColumn {
    float Min = 0;
    float Max = 0;
    bool HasData = false;
    bool BreakBefore = false;
    bool BreakInside = false;
};

// A quantity's value at a time: the sample there, or the reduced interval's extremes.
struct ReadingValue {
    std::int64_t First = 0; // when it was read (an interval: its first and last reading)
    std::int64_t Last = 0;
    float Min = 0;
    float Max = 0; // equal to Min for a sample
    std::uint32_t Count = 1;
    bool Reduced = false;
};

// An entry of one group, for iteration over everything kept.
struct HistoryEntry {
    ReadingGroup Group = ReadingGroup::Temperatures;
    TrackEntry Entry; // Min and Max in the group's order
};

class ReadingHistory {
public:
    explicit ReadingHistory(UtcClock clock, HistoryLimits limits = {});

    // Appends a group's reading, stamped now. O(1) amortised: reduction and dropping move
    // each reading once.
    void Record(const GroupReading& reading);
    // From now on nothing is known of any group, or of one, until its next reading (the link
    // was lost or closed, or monitoring was switched off). A second gap in a row adds nothing.
    void MarkGap();
    void MarkGap(ReadingGroup group);

    // The quantity over [from, to) split into columns of equal length; the cost is bounded by
    // the columns times the tree's depth, not by the readings in the range.
    std::vector<PlotColumn> Plot(Quantity quantity, std::int64_t from, std::int64_t to,
                                 int columns) const;
    // The same for every quantity, indexed by Quantity.
    std::array<std::vector<PlotColumn>, kQuantityCount> PlotAll(std::int64_t from, std::int64_t to,
                                                                int columns) const;
    // The same into the caller's vectors, which keep their memory from one redraw to the next.
    void PlotAll(std::int64_t from, std::int64_t to, int columns,
                 std::array<std::vector<PlotColumn>, kQuantityCount>& all) const;

    // The value read last at or before the time (for a cursor), none when the quantity was not
    // read then, the time lies in a gap, or a polled group was silent for longer than a gap.
    std::optional<ReadingValue> ValueAt(Quantity quantity, std::int64_t time) const;
    // The latest value, none when the last entry of its group is a gap or lacks it.
    std::optional<ReadingValue> Latest(Quantity quantity) const;

    // Every entry kept, all groups merged in time order (by their first time, groups in their
    // order where equal).
    void ForEachEntry(const std::function<void(const HistoryEntry&)>& visit) const;

    const HistoryLimits& Limits() const { return m_limits; }
    bool Empty() const;

private:
    struct Group {
        Group(ReadingGroup kind);
        ReadingGroup Kind;
        ReadingTrack Samples;
        ReadingTrack Reduced;
        bool HasEntries = false;
        bool EndsInGap = false;
        std::int64_t LastTime = 0;
    };

    std::int64_t Now(const Group& group) const;
    void AppendGap(Group& group, std::int64_t time);
    void Age(Group& group, std::int64_t now);
    bool ReduceOldest(Group& group, std::int64_t cutoff, bool force);
    // Where a group's plot goes, by slot; null for a slot not wanted.
    using ColumnsBySlot = std::array<std::vector<PlotColumn>*, kMaxTrackWidth>;
    void PlotGroup(const Group& group, std::int64_t from, std::int64_t to, int columns,
                   const ColumnsBySlot& out) const;

    UtcClock m_clock;
    HistoryLimits m_limits;
    std::deque<Group> m_groups; // by ReadingGroup; a deque, as groups never move
};
