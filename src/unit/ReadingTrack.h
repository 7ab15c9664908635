#pragma once

#include <algorithm>
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
// query over entries [from, to) is answered by at most 2 (kFanOut - 1) nodes per level and as
// many entries at its ends, in time order. Nodes that still cover dropped entries are dropped at
// the latest when all their entries are, and a query never uses one, since no query range holds a
// dropped entry.
class ReadingTrack {
public:
    static constexpr std::uint64_t kFanOut = 16;
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
    // A copy of the entry before it that fills up a chunk whose 32-bit offsets cannot reach
    // the next entry's time; it changes no plot and no value, and is no entry of its own.
    bool IsFiller(std::uint64_t index) const;
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

    // The first index whose entry ends at or after time, End() when none does. The search
    // starts at from (Begin() by default), which must not lie beyond the answer; from a nearby
    // index it costs the logarithm of the distance.
    std::uint64_t FirstEndingAtOrAfter(std::int64_t time, std::uint64_t from = 0) const;
    // The first index whose entry begins at or after time, End() when none does; from as above.
    std::uint64_t FirstBeginningAtOrAfter(std::int64_t time, std::uint64_t from = 0) const;

    // Hands feed the runs that together make up entries [from, to), in time order, where
    // Begin() <= from <= to <= End(): feed.Run(const RunSummary&) for a stored node or a
    // reduced entry, and on a track of samples feed.Samples(const float* values, count) for
    // consecutive samples, Width() values each (a gap's all NaN).
    template <typename Feed> void Visit(std::uint64_t from, std::uint64_t to, Feed& feed) const;

private:
    struct Chunk {
        std::int64_t Base = 0;                    // the first entry's First
        std::unique_ptr<std::uint32_t[]> Offsets; // First - Base
        std::unique_ptr<float[]> Min;             // m_width per entry: the samples' values
        std::uint64_t Gaps = 0;                   // a bit per gap entry
        std::uint64_t Fillers = 0;                // a bit per copy that only fills the chunk
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
    void FillChunk();
    void Appended();
    // The first index from from on at which before(index) is false; before must be true for
    // a prefix of the indices only.
    template <typename Before> std::uint64_t Gallop(std::uint64_t from, Before&& before) const;
    RunSummary Node(std::size_t level, std::uint64_t index) const;
    template <typename Feed>
    void FeedEntries(std::uint64_t from, std::uint64_t to, Feed& feed) const;
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
void ReadingTrack::FeedEntries(std::uint64_t from, std::uint64_t to, Feed& feed) const {
    if (m_reduced) {
        for (; from < to; ++from) {
            feed.Run(Leaf(from));
        }
        return;
    }
    while (from < to) {
        const Chunk& chunk = ChunkOf(from);
        const std::size_t slot = from % kChunkEntries;
        const std::uint64_t count = std::min(to - from, kChunkEntries - slot);
        feed.Samples(&chunk.Min[slot * static_cast<std::size_t>(m_width)],
                     static_cast<std::size_t>(count));
        from += count;
    }
}

template <typename Feed>
void ReadingTrack::Visit(std::uint64_t from, std::uint64_t to, Feed& feed) const {
    if (m_levels.empty() || to - from < kFanOut) {
        FeedEntries(from, to, feed);
        return;
    }
    // The entries up to the first whole node and from the last one on, and between them
    // nodes: rising on the left edge, the right edge's nodes waiting here until the left and
    // the top are fed. Each level leaves fewer than kFanOut, and a 64-bit index has at most
    // 22 levels.
    const std::uint64_t leftEnd = std::min(to, (from + kFanOut - 1) / kFanOut * kFanOut);
    const std::uint64_t rightBegin = std::max(leftEnd, to / kFanOut * kFanOut);
    FeedEntries(from, leftEnd, feed);
    struct Later {
        std::size_t level;
        std::uint64_t index;
    };
    std::array<Later, (kFanOut - 1) * 22> later{};
    std::size_t laterCount = 0;
    std::uint64_t low = leftEnd / kFanOut;
    std::uint64_t high = rightBegin / kFanOut;
    for (std::size_t level = 1; low < high; ++level) {
        if (level >= m_levels.size()) {
            for (; low < high; ++low) {
                feed.Run(Node(level, low));
            }
            break;
        }
        for (; low < high && low % kFanOut != 0; ++low) {
            feed.Run(Node(level, low));
        }
        for (; high > low && high % kFanOut != 0;) {
            --high;
            later[laterCount++] = {level, high};
        }
        low /= kFanOut;
        high /= kFanOut;
    }
    while (laterCount > 0) {
        --laterCount;
        feed.Run(Node(later[laterCount].level, later[laterCount].index));
    }
    FeedEntries(rightBegin, to, feed);
}
