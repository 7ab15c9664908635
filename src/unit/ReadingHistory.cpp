#include "unit/ReadingHistory.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();
// Clock values are kept far from the 64-bit limits, so that adding a period or an interval to
// one never overflows.
constexpr std::int64_t kTimeLimit = std::int64_t{1} << 60;

struct Place {
    ReadingGroup Group;
    int Slot;
};

constexpr Place kPlaces[kQuantityCount] = {
    {ReadingGroup::Temperatures, 0},    {ReadingGroup::Temperatures, 1},
    {ReadingGroup::Temperatures, 2},    {ReadingGroup::Temperatures, 3},
    {ReadingGroup::Temperatures, 4},    {ReadingGroup::Temperatures, 5},
    {ReadingGroup::Temperatures, 6},    {ReadingGroup::Temperatures, 7},
    {ReadingGroup::Voltages, 0},        {ReadingGroup::Voltages, 1},
    {ReadingGroup::Voltages, 2},        {ReadingGroup::Voltages, 3},
    {ReadingGroup::Setpoints, 0},       {ReadingGroup::Setpoints, 1},
    {ReadingGroup::Setpoints, 2},       {ReadingGroup::Setpoints, 3},
    {ReadingGroup::CurrentReadBack, 0}, {ReadingGroup::CurrentReadBack, 1},
    {ReadingGroup::CurrentReadBack, 2}, {ReadingGroup::CurrentReadBack, 3},
    {ReadingGroup::Voltages, 4},        {ReadingGroup::Voltages, 5},
    {ReadingGroup::ErrorCode, 0},
};

std::size_t Index(ReadingGroup group) {
    return static_cast<std::size_t>(group);
}

QuantityMask AllOf(int width) {
    return static_cast<QuantityMask>((1u << width) - 1u);
}

std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

// The start of column c of columns over [from, to), without overflow for any range.
std::int64_t ColumnStart(std::int64_t from, std::int64_t to, int columns, int c) {
    const std::uint64_t span = static_cast<std::uint64_t>(to) - static_cast<std::uint64_t>(from);
    const std::uint64_t n = static_cast<std::uint64_t>(columns);
    const std::uint64_t k = static_cast<std::uint64_t>(c);
    const std::uint64_t offset = span / n * k + span % n * k / n;
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(from) + offset);
}

GroupReading Reading(ReadingGroup group, const std::array<std::int32_t, 4>& values) {
    GroupReading reading;
    reading.Group = group;
    reading.Values.fill(kNoValue);
    for (std::size_t c = 0; c < 4; ++c) {
        reading.Values[c] = static_cast<float>(values[c]);
    }
    return reading;
}

// The extremes and holes of one column, as runs are fed to it in time order.
struct ColumnFold {
    std::array<float, kMaxTrackWidth> Min{};
    std::array<float, kMaxTrackWidth> Max{};
    QuantityMask Has = 0;
    QuantityMask BreakBefore = 0;
    QuantityMask BreakInside = 0;
};

// Feeds runs to columns; Pending holds, per quantity, whether a hole came after the last value.
class PlotFold {
public:
    PlotFold(int width, QuantityMask pending) : Width(width), Pending(pending) {}

    // Samples one after the other, each a row of values (NaN: a hole).
    void Samples(const float* rows, std::size_t count) {
        for (std::size_t r = 0; r < count; ++r) {
            const float* values = rows + r * static_cast<std::size_t>(Width);
            QuantityMask valid = 0;
            for (int q = 0; q < Width; ++q) {
                if (!std::isnan(values[q])) {
                    valid |= static_cast<QuantityMask>(1u << q);
                    Extend(q, values[q], values[q]);
                }
            }
            Close(valid, 0, 0, 0);
        }
    }

    void Run(const RunSummary& run) {
        for (int q = 0; q < Width; ++q) {
            if ((run.Valid >> q & 1u) != 0) {
                Extend(q, run.Min[q], run.Max[q]);
            }
        }
        Close(run.Valid, run.Lead, run.Inner, run.Tail);
    }

    int Width;
    QuantityMask Pending;
    ColumnFold Column;

private:
    void Extend(int q, float min, float max) {
        if ((Column.Has >> q & 1u) == 0) {
            Column.Min[q] = min;
            Column.Max[q] = max;
        } else {
            Column.Min[q] = std::min(Column.Min[q], min);
            Column.Max[q] = std::max(Column.Max[q], max);
        }
    }

    // After the values of a run were taken: where the line breaks, and what comes next.
    void Close(QuantityMask valid, QuantityMask lead, QuantityMask inner, QuantityMask tail) {
        const QuantityMask broken = (Pending | lead) & valid;
        const QuantityMask first = valid & static_cast<QuantityMask>(~Column.Has);
        Column.BreakBefore |= broken & first;
        Column.BreakInside |= (broken & static_cast<QuantityMask>(~first)) | inner;
        Column.Has |= valid;
        Pending = static_cast<QuantityMask>((AllOf(Width) & ~valid) | tail);
    }
};

} // namespace

int GroupWidth(ReadingGroup group) {
    switch (group) {
    case ReadingGroup::Temperatures:
        return 8;
    case ReadingGroup::Voltages:
        return 6;
    case ReadingGroup::ErrorCode:
        return 1;
    case ReadingGroup::CurrentReadBack:
    case ReadingGroup::Setpoints:
        return 4;
    }
    return 1;
}

ReadingGroup GroupOf(Quantity quantity) {
    return kPlaces[static_cast<std::size_t>(quantity)].Group;
}

int SlotOf(Quantity quantity) {
    return kPlaces[static_cast<std::size_t>(quantity)].Slot;
}

Quantity QuantityAt(ReadingGroup group, int slot) {
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        if (kPlaces[q].Group == group && kPlaces[q].Slot == slot) {
            return static_cast<Quantity>(q);
        }
    }
    return Quantity::ErrorCode;
}

bool IsPolled(ReadingGroup group) {
    return group == ReadingGroup::Temperatures || group == ReadingGroup::Voltages ||
           group == ReadingGroup::ErrorCode;
}

float ReadingFromText(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Only digits with at most one '.', so that from_chars meets neither "inf" nor "nan", nor
    // an exponent, nor a second sign.
    std::size_t digits = 0;
    std::size_t points = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.') {
            ++points;
        } else {
            return kNoValue;
        }
    }
    if (digits == 0 || points > 1) {
        return kNoValue;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (error == std::errc::result_out_of_range) {
        // Too large when a digit other than 0 stands before the point, else too small.
        value = text.find_first_of("123456789") < text.find('.') ? kLargest : 0.0;
    } else if (error != std::errc() || end != text.data() + text.size()) {
        return kNoValue;
    }
    value = std::min(value, kLargest);
    // "-0" is 0, so that it is written back as "0".
    return static_cast<float>(negative && value != 0 ? -value : value);
}

GroupReading TemperatureReading(const std::array<std::string, 4>& controller,
                                const std::array<std::string, 4>& tessel) {
    GroupReading reading;
    reading.Group = ReadingGroup::Temperatures;
    for (std::size_t c = 0; c < 4; ++c) {
        reading.Values[c] = ReadingFromText(controller[c]);
        reading.Values[4 + c] = ReadingFromText(tessel[c]);
    }
    return reading;
}

GroupReading VoltageReading(const std::array<std::string, 4>& led, const std::string& input,
                            const std::string& analog) {
    GroupReading reading;
    reading.Group = ReadingGroup::Voltages;
    reading.Values.fill(kNoValue);
    for (std::size_t c = 0; c < 4; ++c) {
        reading.Values[c] = ReadingFromText(led[c]);
    }
    reading.Values[4] = ReadingFromText(input);
    reading.Values[5] = ReadingFromText(analog);
    return reading;
}

GroupReading ErrorCodeReading(std::int32_t code) {
    GroupReading reading;
    reading.Group = ReadingGroup::ErrorCode;
    reading.Values.fill(kNoValue);
    reading.Values[0] = static_cast<float>(code);
    return reading;
}

GroupReading CurrentReadBackReading(const std::array<std::int32_t, 4>& currents) {
    return Reading(ReadingGroup::CurrentReadBack, currents);
}

GroupReading SetpointReading(const std::array<std::int32_t, 4>& setpoints) {
    return Reading(ReadingGroup::Setpoints, setpoints);
}

ReadingHistory::Group::Group(ReadingGroup kind)
    : Kind(kind), Samples(GroupWidth(kind), false), Reduced(GroupWidth(kind), true) {}

ReadingHistory::ReadingHistory(UtcClock clock, HistoryLimits limits)
    : m_clock(std::move(clock)), m_limits(limits) {
    // Limits that would break the arithmetic or the order of the tiers are brought into range.
    constexpr std::int64_t kDay = 24 * 3600 * 1000LL;
    m_limits.PeriodMs = std::clamp<std::int64_t>(m_limits.PeriodMs, 1, kDay);
    m_limits.SilentPeriods = std::clamp<std::int64_t>(m_limits.SilentPeriods, 1, 1000);
    m_limits.ReductionIntervalMs = std::clamp<std::int64_t>(m_limits.ReductionIntervalMs, 1, kDay);
    m_limits.FullResolutionMs = std::clamp<std::int64_t>(m_limits.FullResolutionMs, 0, 3650 * kDay);
    m_limits.RetentionMs =
        std::clamp<std::int64_t>(m_limits.RetentionMs, m_limits.FullResolutionMs, 3650 * kDay);
    for (int g = 0; g < kReadingGroupCount; ++g) {
        m_groups.emplace_back(static_cast<ReadingGroup>(g));
    }
}

std::int64_t ReadingHistory::Now(const Group& group) const {
    const std::int64_t now = std::clamp<std::int64_t>(m_clock(), -kTimeLimit, kTimeLimit);
    return group.HasEntries ? std::max(now, group.LastTime) : now;
}

void ReadingHistory::Record(const GroupReading& reading) {
    Group& group = m_groups[Index(reading.Group)];
    const std::int64_t now = Now(group);
    const std::int64_t silence = m_limits.SilentPeriods * m_limits.PeriodMs;
    if (IsPolled(group.Kind) && group.HasEntries && !group.EndsInGap &&
        now - group.LastTime > silence) {
        AppendGap(group, group.LastTime + silence);
    }
    group.Samples.AppendSample(now, reading.Values.data());
    group.HasEntries = true;
    group.EndsInGap = false;
    group.LastTime = now;
    Age(group, now);
}

void ReadingHistory::MarkGap() {
    for (int g = 0; g < kReadingGroupCount; ++g) {
        MarkGap(static_cast<ReadingGroup>(g));
    }
}

void ReadingHistory::MarkGap(ReadingGroup kind) {
    Group& group = m_groups[Index(kind)];
    if (group.HasEntries && !group.EndsInGap) {
        const std::int64_t now = Now(group);
        AppendGap(group, now);
        Age(group, now);
    }
}

void ReadingHistory::AppendGap(Group& group, std::int64_t time) {
    group.Samples.AppendGap(time);
    group.EndsInGap = true;
    group.LastTime = time;
}

void ReadingHistory::Age(Group& group, std::int64_t now) {
    const std::uint64_t maxSamples =
        2 * static_cast<std::uint64_t>(m_limits.FullResolutionMs / m_limits.PeriodMs) + 2;
    const std::uint64_t maxReduced =
        2 * static_cast<std::uint64_t>(m_limits.RetentionMs / m_limits.ReductionIntervalMs) + 2;
    const std::int64_t cutoff = now - m_limits.FullResolutionMs;
    while (ReduceOldest(group, cutoff, group.Samples.End() - group.Samples.Begin() > maxSamples)) {
    }
    ReadingTrack& reduced = group.Reduced;
    const std::int64_t retained = now - m_limits.RetentionMs;
    while (!reduced.Empty() && (reduced.LastTime(reduced.Begin()) < retained ||
                                reduced.End() - reduced.Begin() > maxReduced)) {
        reduced.PopFront();
    }
}

// Moves the oldest gap, or the oldest interval's run of samples, to the reduced track once
// it lies wholly before the cutoff. A run ends at the interval's end or at a gap; it is moved
// only when a later entry shows that it has ended. Forced (too many samples), the oldest run
// moves at once.
bool ReadingHistory::ReduceOldest(Group& group, std::int64_t cutoff, bool force) {
    ReadingTrack& samples = group.Samples;
    if (samples.Empty()) {
        return false;
    }
    const std::uint64_t begin = samples.Begin();
    const std::int64_t first = samples.FirstTime(begin);
    if (samples.IsFiller(begin)) {
        samples.PopFront(); // a copy of what went before
        return true;
    }
    if (samples.KindAt(begin) == EntryKind::Gap) {
        if (!force && first >= cutoff) {
            return false;
        }
        ReadingTrack& reduced = group.Reduced;
        if (reduced.Empty() || reduced.KindAt(reduced.End() - 1) != EntryKind::Gap) {
            reduced.AppendGap(first);
        }
        samples.PopFront();
        return true;
    }
    const std::int64_t interval = m_limits.ReductionIntervalMs;
    const std::int64_t slot = FloorDiv(first, interval);
    if (!force && slot * interval + interval > cutoff) {
        return false;
    }
    const int width = samples.Width();
    TrackEntry bucket;
    bucket.Kind = EntryKind::Reduced;
    bucket.First = first;
    bucket.Min.fill(kNoValue);
    bucket.Max.fill(kNoValue);
    // A forced run stops short of the newest sample, and may leave the rest of its interval
    // to another reduced entry.
    const std::uint64_t limit = force ? samples.End() - 1 : samples.End();
    std::uint64_t end = begin;
    for (; end < limit && samples.KindAt(end) == EntryKind::Sample &&
           FloorDiv(samples.FirstTime(end), interval) == slot;
         ++end) {
        if (samples.IsFiller(end)) {
            continue;
        }
        const TrackEntry sample = samples.At(end);
        bucket.Last = sample.First;
        ++bucket.Count;
        bucket.Missing |= sample.Missing;
        for (int q = 0; q < width; ++q) {
            const float value = sample.Min[q];
            if (std::isnan(value)) {
                continue;
            }
            bucket.Min[q] = std::isnan(bucket.Min[q]) ? value : std::min(bucket.Min[q], value);
            bucket.Max[q] = std::isnan(bucket.Max[q]) ? value : std::max(bucket.Max[q], value);
        }
    }
    if (end == begin || (!force && end == samples.End())) {
        return false;
    }
    group.Reduced.AppendReduced(bucket);
    for (std::uint64_t i = begin; i < end; ++i) {
        samples.PopFront();
    }
    return true;
}

void ReadingHistory::PlotGroup(const Group& group, std::int64_t from, std::int64_t to, int columns,
                               const ColumnsBySlot& out) const {
    const int width = GroupWidth(group.Kind);
    for (std::size_t q = 0; q < static_cast<std::size_t>(width); ++q) {
        if (out[q] != nullptr) {
            out[q]->assign(static_cast<std::size_t>(std::max(columns, 0)), PlotColumn{});
        }
    }
    if (columns <= 0 || to <= from) {
        return;
    }
    const ReadingTrack* tracks[2] = {&group.Reduced, &group.Samples};

    // Whether the line may come into the range from the entry just before it.
    const ReadingTrack* before = nullptr;
    std::uint64_t beforeIndex = 0;
    for (const ReadingTrack* track : tracks) {
        if (track->Empty()) {
            continue;
        }
        const std::uint64_t first = track->FirstEndingAtOrAfter(from);
        if (first > track->Begin()) {
            before = track;
            beforeIndex = first - 1;
        }
        if (first < track->End()) {
            break;
        }
    }
    QuantityMask pending = AllOf(width);
    if (before != nullptr) {
        const RunSummary run = before->Leaf(beforeIndex);
        pending = static_cast<QuantityMask>(AllOf(width) & ~(run.Valid & ~run.Tail));
    }

    // An entry that spans a column border is fed to both columns; after it, Pending holds its
    // own holes, so the second column finds it joined to itself unless it has holes.
    PlotFold fold(width, pending);
    // Columns move forward in time, so each search starts where the last one ended.
    std::uint64_t lows[2] = {tracks[0]->Begin(), tracks[1]->Begin()};
    std::uint64_t highs[2] = {tracks[0]->Begin(), tracks[1]->Begin()};
    for (int c = 0; c < columns; ++c) {
        const std::int64_t start = ColumnStart(from, to, columns, c);
        const std::int64_t end = ColumnStart(from, to, columns, c + 1);
        fold.Column = ColumnFold{};
        for (std::size_t t = 0; t < 2; ++t) {
            const ReadingTrack& track = *tracks[t];
            if (track.Empty() || track.LastTime(track.End() - 1) < start ||
                track.FirstTime(track.Begin()) >= end) {
                continue;
            }
            lows[t] = track.FirstEndingAtOrAfter(start, lows[t]);
            highs[t] = track.FirstBeginningAtOrAfter(end, std::max(highs[t], lows[t]));
            if (lows[t] < highs[t]) {
                track.Visit(lows[t], highs[t], fold);
            }
        }
        for (std::size_t q = 0; q < static_cast<std::size_t>(width); ++q) {
            if (out[q] == nullptr) {
                continue;
            }
            const QuantityMask bit = static_cast<QuantityMask>(1u << q);
            PlotColumn& column = (*out[q])[static_cast<std::size_t>(c)];
            column.HasData = (fold.Column.Has & bit) != 0;
            if (column.HasData) {
                column.Min = fold.Column.Min[q];
                column.Max = fold.Column.Max[q];
                column.BreakBefore = (fold.Column.BreakBefore & bit) != 0;
                column.BreakInside = (fold.Column.BreakInside & bit) != 0;
            }
        }
    }
}

std::vector<PlotColumn> ReadingHistory::Plot(Quantity quantity, std::int64_t from, std::int64_t to,
                                             int columns) const {
    std::vector<PlotColumn> columnsOut;
    ColumnsBySlot out{};
    out[static_cast<std::size_t>(SlotOf(quantity))] = &columnsOut;
    PlotGroup(m_groups[Index(GroupOf(quantity))], from, to, columns, out);
    return columnsOut;
}

std::array<std::vector<PlotColumn>, kQuantityCount>
ReadingHistory::PlotAll(std::int64_t from, std::int64_t to, int columns) const {
    std::array<std::vector<PlotColumn>, kQuantityCount> all;
    PlotAll(from, to, columns, all);
    return all;
}

void ReadingHistory::PlotAll(std::int64_t from, std::int64_t to, int columns,
                             std::array<std::vector<PlotColumn>, kQuantityCount>& all) const {
    for (const Group& group : m_groups) {
        ColumnsBySlot out{};
        for (int slot = 0; slot < GroupWidth(group.Kind); ++slot) {
            out[static_cast<std::size_t>(slot)] =
                &all[static_cast<std::size_t>(QuantityAt(group.Kind, slot))];
        }
        PlotGroup(group, from, to, columns, out);
    }
}

namespace {

std::optional<ReadingValue> ValueOf(const TrackEntry& entry, int slot) {
    const float min = entry.Min[static_cast<std::size_t>(slot)];
    if (entry.Kind == EntryKind::Gap || std::isnan(min)) {
        return std::nullopt;
    }
    ReadingValue value;
    value.First = entry.First;
    value.Last = entry.Last;
    value.Min = min;
    value.Max = entry.Max[static_cast<std::size_t>(slot)];
    value.Count = entry.Count;
    value.Reduced = entry.Kind == EntryKind::Reduced;
    return value;
}

} // namespace

std::optional<ReadingValue> ReadingHistory::ValueAt(Quantity quantity, std::int64_t time) const {
    const Group& group = m_groups[Index(GroupOf(quantity))];
    const ReadingTrack* track = &group.Samples;
    if (track->Empty() || track->FirstTime(track->Begin()) > time) {
        track = &group.Reduced;
    }
    if (track->Empty() || time == std::numeric_limits<std::int64_t>::max()) {
        return std::nullopt;
    }
    const std::uint64_t after = track->FirstBeginningAtOrAfter(time + 1);
    if (after == track->Begin()) {
        return std::nullopt;
    }
    const TrackEntry entry = track->At(after - 1);
    if (IsPolled(group.Kind) && time - entry.Last > m_limits.SilentPeriods * m_limits.PeriodMs) {
        return std::nullopt;
    }
    return ValueOf(entry, SlotOf(quantity));
}

std::optional<ReadingValue> ReadingHistory::Latest(Quantity quantity) const {
    const Group& group = m_groups[Index(GroupOf(quantity))];
    const ReadingTrack& track = group.Samples.Empty() ? group.Reduced : group.Samples;
    if (track.Empty()) {
        return std::nullopt;
    }
    return ValueOf(track.At(track.End() - 1), SlotOf(quantity));
}

void ReadingHistory::ForEachEntry(const std::function<void(const HistoryEntry&)>& visit) const {
    // One cursor per group, over its reduced entries and then its samples.
    struct Cursor {
        const ReadingTrack* Tracks[2];
        int Track = 0;
        std::uint64_t Index = 0;

        void Settle() {
            while (Track < 2 && Index >= Tracks[Track]->End()) {
                ++Track;
                if (Track < 2) {
                    Index = Tracks[Track]->Begin();
                }
            }
        }
        bool Done() const { return Track >= 2; }
        std::int64_t Time() const { return Tracks[Track]->FirstTime(Index); }
    };
    std::vector<Cursor> cursors;
    for (const Group& group : m_groups) {
        Cursor cursor{{&group.Reduced, &group.Samples}, 0, group.Reduced.Begin()};
        cursor.Settle();
        cursors.push_back(cursor);
    }
    for (;;) {
        std::size_t next = cursors.size();
        for (std::size_t g = 0; g < cursors.size(); ++g) {
            if (!cursors[g].Done() &&
                (next == cursors.size() || cursors[g].Time() < cursors[next].Time())) {
                next = g;
            }
        }
        if (next == cursors.size()) {
            return;
        }
        Cursor& cursor = cursors[next];
        const ReadingTrack& track = *cursor.Tracks[cursor.Track];
        if (!track.IsFiller(cursor.Index)) {
            HistoryEntry entry;
            entry.Group = static_cast<ReadingGroup>(next);
            entry.Entry = track.At(cursor.Index);
            visit(entry);
        }
        ++cursor.Index;
        cursor.Settle();
    }
}

bool ReadingHistory::Empty() const {
    return std::all_of(m_groups.begin(), m_groups.end(), [](const Group& group) {
        return group.Samples.Empty() && group.Reduced.Empty();
    });
}
