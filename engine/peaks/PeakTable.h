#pragma once

#include "engine/api/PeakComputer.h"

#include <QMutex>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace engine {

/// Peaks at several levels: the finest keeps the lowest and highest sample of every 256 frames
/// of each channel, each coarser level one peak for every four below it, so a view of any
/// width reads a few dozen values per column. Values are 16-bit (about 5 MB per hour of
/// stereo at 44.1 kHz for the finest level, a third more for the rest).
///
/// The frames are split into segments, each filled from its start by one thread. A segment
/// publishes how far it got with a release store, so readers on any thread take what is
/// published without a lock; nothing is moved once described.
class PeakTable : public Peaks
{
public:
    static constexpr int64_t kFinestFrames = 256;
    static constexpr int64_t kFactor = 4;

    /// Describes the source and splits it into `segments` parts (fewer for a short one),
    /// cut at boundaries of the coarsest level so no coarse peak needs two threads. The
    /// first call decides; a later one only says whether it agrees.
    bool describe(int64_t length, int32_t channels, int32_t rate, int segments);
    int segmentCount() const { return int(m_segments.size()); }
    /// The frames segment `index` covers.
    int64_t segmentBegin(int index) const;
    int64_t segmentEnd(int index) const;
    /// Adds the next frames of segment `index` (interleaved, as read); only its own thread
    /// calls this. Frames past the segment's end are ignored.
    void fill(int index, const float *samples, int64_t frames);
    /// The segment's frames have all been added: its last, shorter peak is published too.
    void finishSegment(int index);
    void fail(const Status &failure);
    void beginWork() { m_running.fetch_add(1); }
    void endWork() { m_running.fetch_sub(1); }

    bool described() const override { return m_described.load(std::memory_order_acquire); }
    int64_t length() const override { return described() ? m_length : 0; }
    int32_t channelCount() const override { return described() ? m_channels : 0; }
    int32_t sampleRate() const override { return described() ? m_rate : 0; }
    int64_t finestFrames() const override { return kFinestFrames; }
    std::optional<PeakSpan> span(int32_t channel, int64_t begin, int64_t end) const override;
    int64_t knownFrames() const override;
    bool finished() const override { return m_running.load() == 0; }
    Status status() const override;

private:
    struct Segment
    {
        int64_t begin = 0; // finest peaks
        int64_t end = 0;
        std::atomic<int64_t> done{0}; // finest peaks complete, with every coarse one they make
        // The writer's own state: the peak being gathered.
        int64_t next = 0;
        int64_t framesInPeak = 0;
        std::vector<float> low;
        std::vector<float> high;
    };

    bool known(int64_t first, int64_t last) const;
    void storeFinest(Segment &segment);
    void buildCoarse(int level, int64_t index);
    void include(int level, int64_t index, int32_t channel, PeakSpan &span, bool &any) const;

    int64_t m_length = 0;
    int32_t m_channels = 0;
    int32_t m_rate = 0;
    /// levels[l][(peak * channels + channel) * 2 + 0/1] = low / high.
    std::vector<std::vector<int16_t>> m_levels;
    std::vector<int64_t> m_counts;
    std::vector<std::unique_ptr<Segment>> m_segments;
    std::atomic<bool> m_described{false};
    std::atomic<int> m_running{0};
    mutable QMutex m_mutex; // describe() and the failure
    Status m_status;
};

} // namespace engine
