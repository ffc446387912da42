#pragma once

#include "engine/api/SampleBlock.h"
#include "engine/api/Status.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace engine {

/// The lowest and the highest sample of one channel over a run of frames, in [-1, 1].
struct PeakSpan
{
    float min = 0;
    float max = 0;
};

/// The peaks of one source while they are being computed, and after. Every call may come from
/// any thread while the computation goes on; what it answers never changes once answered.
class Peaks
{
public:
    virtual ~Peaks() = default;
    /// False until the source has been opened by the computation (length and format known).
    virtual bool described() const = 0;
    virtual int64_t length() const = 0;
    virtual int32_t channelCount() const = 0;
    virtual int32_t sampleRate() const = 0;
    /// Frames behind one peak of the finest level; a span over fewer frames is that coarse.
    virtual int64_t finestFrames() const = 0;
    /// Peaks of `channel` over frames [begin, end); none while any of them is not known yet
    /// (still to come, or never: the read failed or was cancelled before them).
    virtual std::optional<PeakSpan> span(int32_t channel, int64_t begin, int64_t end) const = 0;
    /// Frames whose peaks are known, from 0 to length().
    virtual int64_t knownFrames() const = 0;
    /// Every thread of the computation has ended: all known, or a failure, or cancelled.
    virtual bool finished() const = 0;
    /// The failure that ended the computation early; success otherwise.
    virtual Status status() const = 0;
};

/// Decoded frames of a source, interleaved as the reader gives them.
struct FrameWindow
{
    int64_t begin = 0;
    int32_t channelCount = 0;
    SampleBlock samples;
    int64_t frameCount() const { return channelCount ? int64_t(samples.size()) / channelCount : 0; }
};

/// Computes a source's peaks in the background with readers of its own, so neither the window
/// nor playback nor a cut waits for it, and reads frames for a close-up view the same way.
class PeakComputer
{
public:
    virtual ~PeakComputer() = default;
    /// Cancels and joins any earlier computation, then starts one on `path`. Opening the file
    /// happens in the background too; a failure shows in peaks()->status().
    virtual void start(const QString &path) = 0;
    /// Cancels and joins: afterwards no thread of it runs and peaks() is empty.
    virtual void stop() = 0;
    /// The peaks of the current computation; none after stop() or before start().
    virtual std::shared_ptr<const Peaks> peaks() const = 0;
    /// Asks for frames [begin, begin + count) of the current source, read in the background;
    /// a newer request replaces one not yet served.
    virtual void requestFrames(int64_t begin, int64_t count) = 0;
    /// The frames of the last request served; none before.
    virtual std::shared_ptr<const FrameWindow> frames() const = 0;
};

} // namespace engine
