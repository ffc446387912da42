#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace waveform {

/// The lowest and highest sample of one channel over some frames, in [-1, 1].
struct Span
{
    float min = 0;
    float max = 0;
};

/// Decoded frames, interleaved, from `begin` on; shared with whoever read them, not copied.
struct Frames
{
    int64_t begin = 0;
    int32_t channelCount = 0;
    std::shared_ptr<const std::vector<float>> samples;
    int64_t count() const
    {
        return channelCount && samples ? int64_t(samples->size()) / channelCount : 0;
    }
    /// The sample of `channel` at `frame` (which must be one of them).
    float at(int64_t frame, int32_t channel) const
    {
        return (*samples)[size_t((frame - begin) * channelCount + channel)];
    }
};

/// What the strip draws from. The host adapts whatever computes the peaks and reads the
/// frames; the strip only asks, on its own thread, and never waits.
class Source
{
public:
    virtual ~Source() = default;
    /// 0 until known.
    virtual int32_t channelCount() const = 0;
    /// Frames behind one peak of the finest level; below that the strip wants the frames.
    virtual int64_t finestFrames() const = 0;
    /// None while the peaks of any of the frames [begin, end) are not known.
    virtual std::optional<Span> span(int32_t channel, int64_t begin, int64_t end) const = 0;
    /// More peaks may still come.
    virtual bool computing() const = 0;
    /// Asks for frames [begin, begin + count); they show in frames() some time later.
    virtual void requestFrames(int64_t begin, int64_t count) = 0;
    virtual std::shared_ptr<const Frames> frames() const = 0;
};

} // namespace waveform
