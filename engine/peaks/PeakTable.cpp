#include "engine/peaks/PeakTable.h"

#include <QMutexLocker>

#include <algorithm>
#include <cmath>

namespace engine {

namespace {

/// Levels are added while the coarsest still has this many peaks or more: a whole hour on a
/// wide screen then still reads a handful per column, and the split between threads lands
/// within a thousandth of the middle.
constexpr int64_t kCoarsestCount = 1024;

int16_t toStored(float value)
{
    const float clamped = std::clamp(value, -1.0f, 1.0f);
    return int16_t(std::lround(clamped * 32767.0f));
}

float fromStored(int16_t value)
{
    return float(value) / 32767.0f;
}

} // namespace

bool PeakTable::describe(int64_t length, int32_t channels, int32_t rate, int segments)
{
    QMutexLocker lock(&m_mutex);
    if (m_described.load())
        return length == m_length && channels == m_channels && rate == m_rate;
    m_length = std::max<int64_t>(length, 0);
    m_channels = std::max(channels, 1);
    m_rate = rate;
    m_counts.push_back((m_length + kFinestFrames - 1) / kFinestFrames);
    while ((m_counts.back() + kFactor - 1) / kFactor >= kCoarsestCount)
        m_counts.push_back((m_counts.back() + kFactor - 1) / kFactor);
    for (int64_t count : m_counts)
        m_levels.emplace_back(size_t(count * m_channels * 2), int16_t(0));

    int64_t aligned = 1; // finest peaks in one coarsest peak
    for (size_t l = 1; l < m_counts.size(); ++l)
        aligned *= kFactor;
    const int64_t total = m_counts.front();
    std::vector<int64_t> cuts{0};
    for (int i = 1; i < segments; ++i) {
        const int64_t cut = (total * i / segments + aligned / 2) / aligned * aligned;
        if (cut > cuts.back() && cut < total)
            cuts.push_back(cut);
    }
    cuts.push_back(total);
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        auto segment = std::make_unique<Segment>();
        segment->begin = cuts[i];
        segment->end = cuts[i + 1];
        segment->next = cuts[i];
        segment->low.assign(size_t(m_channels), 1.0f);
        segment->high.assign(size_t(m_channels), -1.0f);
        m_segments.push_back(std::move(segment));
    }
    m_described.store(true, std::memory_order_release);
    return true;
}

int64_t PeakTable::segmentBegin(int index) const
{
    return std::min(m_segments[size_t(index)]->begin * kFinestFrames, m_length);
}

int64_t PeakTable::segmentEnd(int index) const
{
    return std::min(m_segments[size_t(index)]->end * kFinestFrames, m_length);
}

void PeakTable::fill(int index, const float *samples, int64_t frames)
{
    Segment &segment = *m_segments[size_t(index)];
    const int64_t before = segment.next;
    while (frames > 0 && segment.next < segment.end) {
        const int64_t take = std::min(frames, kFinestFrames - segment.framesInPeak);
        for (int32_t c = 0; c < m_channels; ++c) {
            float low = segment.low[size_t(c)];
            float high = segment.high[size_t(c)];
            for (int64_t f = 0; f < take; ++f) {
                const float v = samples[f * m_channels + c];
                low = std::min(low, v);
                high = std::max(high, v);
            }
            segment.low[size_t(c)] = low;
            segment.high[size_t(c)] = high;
        }
        samples += take * m_channels;
        frames -= take;
        segment.framesInPeak += take;
        if (segment.framesInPeak == kFinestFrames)
            storeFinest(segment);
    }
    if (segment.next != before)
        segment.done.store(segment.next - segment.begin, std::memory_order_release);
}

void PeakTable::finishSegment(int index)
{
    Segment &segment = *m_segments[size_t(index)];
    if (segment.framesInPeak > 0 && segment.next < segment.end)
        storeFinest(segment);
    segment.done.store(segment.next - segment.begin, std::memory_order_release);
}

void PeakTable::storeFinest(Segment &segment)
{
    const int64_t peak = segment.next;
    auto &finest = m_levels.front();
    for (int32_t c = 0; c < m_channels; ++c) {
        const size_t at = size_t((peak * m_channels + c) * 2);
        finest[at] = toStored(segment.low[size_t(c)]);
        finest[at + 1] = toStored(segment.high[size_t(c)]);
        segment.low[size_t(c)] = 1.0f;
        segment.high[size_t(c)] = -1.0f;
    }
    segment.framesInPeak = 0;
    ++segment.next;
    // Each coarse peak is made as soon as its last finer one is there, before the segment
    // publishes it, so a reader never meets a coarse peak that is not yet made.
    int64_t index = peak + 1;
    for (size_t l = 1; l < m_counts.size() && index % kFactor == 0; ++l) {
        index /= kFactor;
        buildCoarse(int(l), index - 1);
    }
    // The file's last peak: the coarse peaks over the shorter tail are made from what there is.
    if (segment.next == m_counts.front()) {
        int64_t last = segment.next - 1;
        for (size_t l = 1; l < m_counts.size(); ++l) {
            last /= kFactor;
            buildCoarse(int(l), last);
        }
    }
}

void PeakTable::buildCoarse(int level, int64_t index)
{
    const auto &finer = m_levels[size_t(level - 1)];
    auto &coarse = m_levels[size_t(level)];
    const int64_t first = index * kFactor;
    const int64_t last = std::min(first + kFactor, m_counts[size_t(level - 1)]);
    for (int32_t c = 0; c < m_channels; ++c) {
        int16_t low = INT16_MAX;
        int16_t high = INT16_MIN;
        for (int64_t i = first; i < last; ++i) {
            const size_t at = size_t((i * m_channels + c) * 2);
            low = std::min(low, finer[at]);
            high = std::max(high, finer[at + 1]);
        }
        const size_t at = size_t((index * m_channels + c) * 2);
        coarse[at] = low;
        coarse[at + 1] = high;
    }
}

bool PeakTable::known(int64_t first, int64_t last) const
{
    for (const auto &segment : m_segments) {
        const int64_t from = std::max(first, segment->begin);
        const int64_t to = std::min(last, segment->end);
        if (from < to && to > segment->begin + segment->done.load(std::memory_order_acquire))
            return false;
    }
    return true;
}

void PeakTable::include(int level, int64_t index, int32_t channel, PeakSpan &span, bool &any) const
{
    const size_t at = size_t((index * m_channels + channel) * 2);
    const float low = fromStored(m_levels[size_t(level)][at]);
    const float high = fromStored(m_levels[size_t(level)][at + 1]);
    span.min = any ? std::min(span.min, low) : low;
    span.max = any ? std::max(span.max, high) : high;
    any = true;
}

std::optional<PeakSpan> PeakTable::span(int32_t channel, int64_t begin, int64_t end) const
{
    if (!described() || channel < 0 || channel >= m_channels)
        return std::nullopt;
    begin = std::max<int64_t>(begin, 0);
    end = std::min(end, m_length);
    if (begin >= end)
        return std::nullopt;
    int64_t low = begin / kFinestFrames;
    int64_t high = (end + kFinestFrames - 1) / kFinestFrames;
    if (!known(low, high))
        return std::nullopt;
    // Finer peaks at the ragged ends, the coarsest that fit in between.
    PeakSpan span;
    bool any = false;
    int level = 0;
    while (low < high) {
        if (size_t(level) + 1 == m_counts.size()) {
            for (int64_t i = low; i < high; ++i)
                include(level, i, channel, span, any);
            break;
        }
        while (low < high && low % kFactor != 0)
            include(level, low++, channel, span, any);
        while (low < high && high % kFactor != 0 && high != m_counts[size_t(level)])
            include(level, --high, channel, span, any);
        // Nothing left between the ragged ends: a coarser peak would take in neighbours.
        if (low >= high)
            break;
        low /= kFactor;
        high = (high + kFactor - 1) / kFactor;
        ++level;
    }
    return span;
}

int64_t PeakTable::knownFrames() const
{
    if (!described())
        return 0;
    int64_t peaks = 0;
    for (const auto &segment : m_segments)
        peaks += segment->done.load(std::memory_order_acquire);
    return std::min(peaks * kFinestFrames, m_length);
}

void PeakTable::fail(const Status &failure)
{
    QMutexLocker lock(&m_mutex);
    if (m_status.ok())
        m_status = failure;
}

Status PeakTable::status() const
{
    QMutexLocker lock(&m_mutex);
    return m_status;
}

} // namespace engine
