#include "unit/ReadingTrack.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();
constexpr std::int64_t kMaxOffset = std::numeric_limits<std::uint32_t>::max();

QuantityMask Bit(int quantity) {
    return static_cast<QuantityMask>(1u << quantity);
}

} // namespace

RunSummary JoinRuns(const RunSummary& earlier, const RunSummary& later, int width) {
    const QuantityMask a = earlier.Valid;
    const QuantityMask b = later.Valid;
    RunSummary joined;
    joined.Valid = a | b;
    // A quantity that only the later run has begins after the earlier run's holes, and one
    // that only the earlier run has ends before the later run's.
    joined.Lead = static_cast<QuantityMask>((earlier.Lead & a) | (b & ~a));
    joined.Tail = static_cast<QuantityMask>((later.Tail & b) | (a & ~b));
    joined.Inner = static_cast<QuantityMask>((earlier.Inner & a) | (later.Inner & b) |
                                             (a & b & (earlier.Tail | later.Lead)));
    for (int q = 0; q < width; ++q) {
        const QuantityMask bit = Bit(q);
        if ((a & b & bit) != 0) {
            joined.Min[q] = std::min(earlier.Min[q], later.Min[q]);
            joined.Max[q] = std::max(earlier.Max[q], later.Max[q]);
        } else if ((a & bit) != 0) {
            joined.Min[q] = earlier.Min[q];
            joined.Max[q] = earlier.Max[q];
        } else if ((b & bit) != 0) {
            joined.Min[q] = later.Min[q];
            joined.Max[q] = later.Max[q];
        }
    }
    return joined;
}

ReadingTrack::ReadingTrack(int width, bool reduced)
    : m_width(std::clamp(width, 1, kMaxTrackWidth)), m_reduced(reduced) {}

const ReadingTrack::Chunk& ReadingTrack::ChunkOf(std::uint64_t index) const {
    return m_chunks[static_cast<std::size_t>(index / kChunkEntries - m_firstChunk)];
}

ReadingTrack::Chunk& ReadingTrack::ChunkOf(std::uint64_t index) {
    return m_chunks[static_cast<std::size_t>(index / kChunkEntries - m_firstChunk)];
}

std::int64_t ReadingTrack::FirstTime(std::uint64_t index) const {
    const Chunk& chunk = ChunkOf(index);
    return chunk.Base + chunk.Offsets[index % kChunkEntries];
}

std::int64_t ReadingTrack::LastTime(std::uint64_t index) const {
    const Chunk& chunk = ChunkOf(index);
    const std::size_t slot = index % kChunkEntries;
    const std::int64_t first = chunk.Base + chunk.Offsets[slot];
    return m_reduced ? first + chunk.Lengths[slot] : first;
}

EntryKind ReadingTrack::KindAt(std::uint64_t index) const {
    const Chunk& chunk = ChunkOf(index);
    if ((chunk.Gaps >> (index % kChunkEntries) & 1u) != 0) {
        return EntryKind::Gap;
    }
    return m_reduced ? EntryKind::Reduced : EntryKind::Sample;
}

TrackEntry ReadingTrack::At(std::uint64_t index) const {
    const Chunk& chunk = ChunkOf(index);
    const std::size_t slot = index % kChunkEntries;
    TrackEntry entry;
    entry.Kind = KindAt(index);
    entry.First = FirstTime(index);
    entry.Last = LastTime(index);
    entry.Min.fill(kNoValue);
    entry.Max.fill(kNoValue);
    const float* min = &chunk.Min[slot * static_cast<std::size_t>(m_width)];
    const float* max = m_reduced ? &chunk.Max[slot * static_cast<std::size_t>(m_width)] : min;
    std::copy(min, min + m_width, entry.Min.begin());
    std::copy(max, max + m_width, entry.Max.begin());
    if (m_reduced) {
        entry.Count = chunk.Counts[slot];
        entry.Missing = chunk.Missing[slot];
    } else {
        entry.Count = entry.Kind == EntryKind::Gap ? 0 : 1;
        for (int q = 0; q < m_width; ++q) {
            if (std::isnan(entry.Min[q])) {
                entry.Missing |= Bit(q);
            }
        }
    }
    return entry;
}

RunSummary ReadingTrack::Leaf(std::uint64_t index) const {
    RunSummary leaf;
    const Chunk& chunk = ChunkOf(index);
    const std::size_t slot = index % kChunkEntries;
    if ((chunk.Gaps >> slot & 1u) != 0) {
        return leaf;
    }
    const float* min = &chunk.Min[slot * static_cast<std::size_t>(m_width)];
    const float* max = m_reduced ? &chunk.Max[slot * static_cast<std::size_t>(m_width)] : min;
    for (int q = 0; q < m_width; ++q) {
        if (!std::isnan(min[q])) {
            leaf.Valid |= Bit(q);
            leaf.Min[q] = min[q];
            leaf.Max[q] = max[q];
        }
    }
    if (m_reduced) {
        const QuantityMask holes = chunk.Missing[slot] & leaf.Valid;
        leaf.Lead = holes;
        leaf.Inner = holes;
        leaf.Tail = holes;
    }
    return leaf;
}

// Fills the rest of the open chunk with copies of its last entry, marked as fillers. A copy
// right behind its original changes no extreme, no break and no value at any time, so the
// plot and the cursor read fillers as they come; iteration and reduction pass over them.
void ReadingTrack::FillChunk() {
    Chunk& chunk = m_chunks.back();
    const std::size_t last = (m_end - 1) % kChunkEntries;
    const std::size_t width = static_cast<std::size_t>(m_width);
    const bool gap = (chunk.Gaps >> last & 1u) != 0;
    while (m_end % kChunkEntries != 0) {
        const std::size_t slot = m_end % kChunkEntries;
        chunk.Offsets[slot] = chunk.Offsets[last];
        std::copy(&chunk.Min[last * width], &chunk.Min[last * width] + width,
                  &chunk.Min[slot * width]);
        if (m_reduced) {
            std::copy(&chunk.Max[last * width], &chunk.Max[last * width] + width,
                      &chunk.Max[slot * width]);
            chunk.Lengths[slot] = chunk.Lengths[last];
            chunk.Counts[slot] = chunk.Counts[last];
            chunk.Missing[slot] = chunk.Missing[last];
        }
        if (gap) {
            chunk.Gaps |= std::uint64_t{1} << slot;
        }
        chunk.Fillers |= std::uint64_t{1} << slot;
        Appended();
    }
}

bool ReadingTrack::IsFiller(std::uint64_t index) const {
    return (ChunkOf(index).Fillers >> (index % kChunkEntries) & 1u) != 0;
}

ReadingTrack::Chunk& ReadingTrack::Reserve(std::int64_t time, std::size_t& slot) {
    // A chunk reaches 49.7 days from its first time: an entry beyond opens a chunk of its own.
    if (m_end % kChunkEntries != 0 && time - m_chunks.back().Base > kMaxOffset) {
        FillChunk();
    }
    if (m_end % kChunkEntries == 0) {
        if (m_chunks.empty()) {
            m_firstChunk = m_end / kChunkEntries;
        }
        Chunk chunk;
        chunk.Base = time;
        const std::size_t values = kChunkEntries * static_cast<std::size_t>(m_width);
        chunk.Offsets = std::make_unique<std::uint32_t[]>(kChunkEntries);
        chunk.Min = std::make_unique<float[]>(values);
        if (m_reduced) {
            chunk.Lengths = std::make_unique<std::uint32_t[]>(kChunkEntries);
            chunk.Counts = std::make_unique<std::uint32_t[]>(kChunkEntries);
            chunk.Max = std::make_unique<float[]>(values);
            chunk.Missing = std::make_unique<QuantityMask[]>(kChunkEntries);
        }
        m_chunks.push_back(std::move(chunk));
    }
    Chunk& chunk = m_chunks.back();
    slot = m_end % kChunkEntries;
    chunk.Offsets[slot] = static_cast<std::uint32_t>(time - chunk.Base);
    return chunk;
}

void ReadingTrack::AppendSample(std::int64_t time, const float* values) {
    std::size_t slot = 0;
    Chunk& chunk = Reserve(time, slot);
    std::copy(values, values + m_width, &chunk.Min[slot * static_cast<std::size_t>(m_width)]);
    Appended();
}

void ReadingTrack::AppendReduced(const TrackEntry& entry) {
    const std::int64_t length = std::clamp<std::int64_t>(entry.Last - entry.First, 0, kMaxOffset);
    std::size_t slot = 0;
    Chunk& chunk = Reserve(entry.First, slot);
    const std::size_t at = slot * static_cast<std::size_t>(m_width);
    std::copy(entry.Min.begin(), entry.Min.begin() + m_width, &chunk.Min[at]);
    if (m_reduced) {
        std::copy(entry.Max.begin(), entry.Max.begin() + m_width, &chunk.Max[at]);
        chunk.Lengths[slot] = static_cast<std::uint32_t>(length);
        chunk.Counts[slot] = entry.Count;
        chunk.Missing[slot] = entry.Missing;
    }
    Appended();
}

void ReadingTrack::AppendGap(std::int64_t time) {
    std::size_t slot = 0;
    Chunk& chunk = Reserve(time, slot);
    const std::size_t at = slot * static_cast<std::size_t>(m_width);
    std::fill(&chunk.Min[at], &chunk.Min[at] + m_width, kNoValue);
    chunk.Gaps |= std::uint64_t{1} << slot;
    if (m_reduced) {
        std::fill(&chunk.Max[at], &chunk.Max[at] + m_width, kNoValue);
        chunk.Lengths[slot] = 0;
        chunk.Counts[slot] = 0;
        chunk.Missing[slot] = static_cast<QuantityMask>((1u << m_width) - 1u);
    }
    Appended();
}

RunSummary ReadingTrack::Node(std::size_t level, std::uint64_t index) const {
    const Level& stored = m_levels[level - 1];
    const std::size_t at = static_cast<std::size_t>(index - stored.First);
    const std::size_t width = static_cast<std::size_t>(m_width);
    RunSummary node;
    const auto bounds = stored.Bounds.begin() + static_cast<std::ptrdiff_t>(at * 2 * width);
    std::copy(bounds, bounds + m_width, node.Min.begin());
    std::copy(bounds + m_width, bounds + 2 * m_width, node.Max.begin());
    const std::array<QuantityMask, 4>& masks = stored.Masks[at];
    node.Valid = masks[0];
    node.Lead = masks[1];
    node.Inner = masks[2];
    node.Tail = masks[3];
    return node;
}

void ReadingTrack::StoreNode(std::size_t level, const RunSummary& summary) {
    Level& stored = m_levels[level - 1];
    stored.Bounds.insert(stored.Bounds.end(), summary.Min.begin(), summary.Min.begin() + m_width);
    stored.Bounds.insert(stored.Bounds.end(), summary.Max.begin(), summary.Max.begin() + m_width);
    stored.Masks.push_back({summary.Valid, summary.Lead, summary.Inner, summary.Tail});
}

// Builds every node that the entry just appended completes: one node per level of which the
// appended entry is the last descendant.
void ReadingTrack::Appended() {
    ++m_end;
    std::uint64_t count = m_end; // nodes made so far at the level below the one being built
    for (std::size_t level = 1; count % kFanOut == 0; ++level) {
        if (m_levels.size() < level) {
            m_levels.emplace_back();
        }
        const std::uint64_t node = count / kFanOut - 1;
        const std::uint64_t firstChild = node * kFanOut;
        const std::uint64_t firstKept = level == 1 ? m_begin : m_levels[level - 2].First;
        RunSummary summary;
        // A node whose children are partly dropped is never read; it only keeps the
        // numbering of its level.
        if (firstChild >= firstKept) {
            for (std::uint64_t child = firstChild; child < firstChild + kFanOut; ++child) {
                const RunSummary part = level == 1 ? Leaf(child) : Node(level - 1, child);
                summary = child == firstChild ? part : JoinRuns(summary, part, m_width);
            }
        }
        StoreNode(level, summary);
        count = node + 1;
    }
}

void ReadingTrack::PopFront() {
    ++m_begin;
    if (m_begin % kChunkEntries == 0 && !m_chunks.empty() &&
        m_begin / kChunkEntries > m_firstChunk) {
        m_chunks.pop_front();
        ++m_firstChunk;
    }
    std::uint64_t span = 1;
    const std::size_t width = static_cast<std::size_t>(m_width);
    for (Level& stored : m_levels) {
        span *= kFanOut;
        if (m_begin % span != 0) {
            break; // a node of a higher level cannot have become free either
        }
        while (!stored.Masks.empty() && (stored.First + 1) * span <= m_begin) {
            stored.Masks.pop_front();
            stored.Bounds.erase(stored.Bounds.begin(),
                                stored.Bounds.begin() + static_cast<std::ptrdiff_t>(2 * width));
            ++stored.First;
        }
    }
}

template <typename Before>
std::uint64_t ReadingTrack::Gallop(std::uint64_t from, Before&& before) const {
    std::uint64_t low = std::max(from, m_begin);
    std::uint64_t high = low;
    // Steps that double until they pass the answer, then halving between the last two.
    for (std::uint64_t step = 1; high < m_end && before(high); step *= 2) {
        low = high + 1;
        high = std::min(m_end, high + step);
    }
    while (low < high) {
        const std::uint64_t middle = low + (high - low) / 2;
        if (before(middle)) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

std::uint64_t ReadingTrack::FirstEndingAtOrAfter(std::int64_t time, std::uint64_t from) const {
    return Gallop(from, [&](std::uint64_t index) { return LastTime(index) < time; });
}

std::uint64_t ReadingTrack::FirstBeginningAtOrAfter(std::int64_t time, std::uint64_t from) const {
    return Gallop(from, [&](std::uint64_t index) { return FirstTime(index) < time; });
}
