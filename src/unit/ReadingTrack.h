#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// A bit per quantity of a track, its first quantity in the lowest bit.
using QuantityMask = std::uint8_t;
constexpr int kMaxTrackWidth = 8;

// What a run of consecutive entries of a track holds per quantity, enough to draw it: the
// extremes, and where the line through the run breaks. A quantity's line joins two values only
// when no entry lies between them; an entry without a value (a gap, or a reading that lacked
// it) is a hole, and so, since it cannot say where, is a reduced interval in which some
// reading lacked the value. Lead, Inner and Tail are set only where Valid is.
struct RunSummary {
    std::array<float, kMaxTrackWidth> Min{};
    std::array<float, kMaxTrackWidth> Max{};
    QuantityMask Valid = 0; // the run holds a value
    QuantityMask Lead = 0;  // a hole comes before the run's first value
    QuantityMask Inner = 0; // a hole lies between two values of the run
    QuantityMask Tail = 0;  // a hole comes after the run's last value
};

// The summary of a run followed directly by another.
RunSummary JoinRuns(const RunSummary& earlier, const RunSummary& later, int width);

enum class EntryKind : std::uint8_t {
    Sample,  // one reading at First (== Last); a value not read is NaN
    Reduced, // Count readings from First to Last, their extremes per quantity
    Gap,     // nothing is known from First on until the next entry
};

// One entry of a track, copied out.
struct TrackEntry {
    EntryKind Kind = EntryKind::Sample;
    std::int64_t First = 0;
    std::int64_t Last = 0;
    std::uint32_t Count = 0;
    std::array<float, kMaxTrackWidth> Min{}; // NaN where no reading had the value
    std::array<float, kMaxTrackWidth> Max{};
    QuantityMask Missing = 0; // quantities that some reading of the entry lacked
};

// The entries of one group of quantities in time order: entries never overlap in time, and
// each begins at or after the previous one's end. Entries are numbered for good from 0 on;
// they are appended at the end and dropped at the front. Storage is columnar in chunks of
// kChunkEntries, times as 32-bit offsets from the chunk's first time.
//
// Beside the entries the track keeps a summary tree: a node of level L summarises kFanOut
// nodes of level L-1 (level 0 being the entries), built when its last child is appended. A
// query over entries [from, to) is answered by at most 2 (kFanOut - 1) nodes per level, in
// time order. Nodes that still cover dropped entries are dropped at the latest when all their
// entries are, and a query never uses one, since no query range holds a dropped entry.
class ReadingTrack {
public:
    static constexpr std::uint64_t kFanOut = 8;
    static constexpr std::uint64_t kChunkEntries = 64;

    // width quantities (1 to kMaxTrackWidth); a reduced track also stores interval ends,
    // counts, maxima and missing masks.
    ReadingTrack(int width, bool reduced);
    ReadingTrack(const ReadingTrack&) = delete;
    ReadingTrack& operator=(const ReadingTrack&) = delete;

    int Width() const { return m_width; }
    std::uint64_t Begin() const { return m_begin; }
    std::uint64_t End() const { return m_end; }
    bool Empty() const { return m_begin == m_end; }

    // For an index in [Begin, End).
    std::int64_t FirstTime(std::uint64_t index) const;
    std::int64_t LastTime(std::uint64_t index) const;
    EntryKind KindAt(std::uint64_t index) const;
    TrackEntry At(std::uint64_t index) const;
    RunSummary Leaf(std::uint64_t index) const;

    // On a track of samples; the time must not be earlier than the last entry's end.
    void AppendSample(std::int64_t time, const float* values);
    // Kind, First, Last, Count, Min, Max and Missing of a reduced interval, on a reduced track;
    // Last - First must fit 32 bits.
    void AppendReduced(const TrackEntry& entry);
    void AppendGap(std::int64_t time);
    // Drops the first entry; the track must not be empty.
    void PopFront();

    // The first index whose entry ends at or after time, End() when none does.
    std::uint64_t FirstEndingAtOrAfter(std::int64_t time) const;
    // The first index whose entry begins at or after time, End() when none does.
    std::uint64_t FirstBeginningAtOrAfter(std::int64_t time) const;

    // Calls feed(const RunSummary&) for runs that together make up entries [from, to), in time
    // order; Begin() <= from <= to <= End().
    template <typename Feed> void Visit(std::uint64_t from, std::uint64_t to, Feed&& feed) const;

private:
    struct Chunk {
        std::int64_t Base = 0;                    // the first entry's First
        std::unique_ptr<std::uint32_t[]> Offsets; // First - Base
        std::unique_ptr<float[]> Min;             // m_width per entry: the samples' values
        std::uint64_t Gaps = 0;                   // a bit per gap entry
        // Reduced tracks only.
        std::unique_ptr<std::uint32_t[]> Lengths; // Last - First
        std::unique_ptr<std::uint32_t[]> Counts;
        std::unique_ptr<float[]> Max;
        std::unique_ptr<QuantityMask[]> Missing;
    };
    struct Level {
        std::deque<float> Bounds;                      // per node m_width minima, then maxima
        std::deque<std::array<QuantityMask, 4>> Masks; // per node Valid, Lead, Inner, Tail
        std::uint64_t First = 0;                       // number of the first node kept
    };

    const Chunk& ChunkOf(std::uint64_t index) const;
    Chunk& ChunkOf(std::uint64_t index);
    // Makes room for one more entry at time; returns its chunk and slot.
    Chunk& Reserve(std::int64_t time, std::size_t& slot);
    void Appended();
    RunSummary Node(std::size_t level, std::uint64_t index) const;
    void StoreNode(std::size_t level, const RunSummary& summary);

    int m_width;
    bool m_reduced;
    std::uint64_t m_begin = 0;
    std::uint64_t m_end = 0;
    std::uint64_t m_firstChunk = 0; // number of m_chunks.front()
    std::deque<Chunk> m_chunks;
    std::vector<Level> m_levels; // m_levels[0] holds the nodes of level 1
};

template <typename Feed>
void ReadingTrack::Visit(std::uint64_t from, std::uint64_t to, Feed&& feed) const {
    struct Later {
        std::size_t level;
        std::uint64_t index;
    };
    // Runs at the right edge wait here, so that all are fed in time order; each level leaves
    // fewer than kFanOut, and a 64-bit index has at most 22 levels of 8.
    std::array<Later, (kFanOut - 1) * 22> later{};
    std::size_t laterCount = 0;
    auto feedAt = [&](std::size_t level, std::uint64_t index) {
        if (level == 0) {
            feed(Leaf(index));
        } else {
            feed(Node(level, index));
        }
    };
    std::size_t level = 0;
    while (from < to) {
        if (level >= m_levels.size()) {
            for (; from < to; ++from) {
                feedAt(level, from);
            }
            break;
        }
        for (; from < to && from % kFanOut != 0; ++from) {
            feedAt(level, from);
        }
        for (; to > from && to % kFanOut != 0;) {
            --to;
            later[laterCount++] = {level, to};
        }
        from /= kFanOut;
        to /= kFanOut;
        ++level;
    }
    while (laterCount > 0) {
        --laterCount;
        feedAt(later[laterCount].level, later[laterCount].index);
    }
}
