#pragma once

#include <QAudioDevice>
#include <QAudioFormat>

#include <cstdint>
#include <functional>
#include <memory>

class QAudioSink;
class QIODevice;

namespace engine {

/// Where the output thread writes 16-bit PCM: a sound device or a silent stand-in that keeps
/// the same pace. Used only on the output thread.
class OutputDevice
{
public:
    virtual ~OutputDevice() = default;
    /// Frames that can be written now without blocking.
    virtual int64_t framesFree() = 0;
    /// Writes whole frames; answers how many were taken.
    virtual int64_t write(const int16_t *samples, int64_t frames) = 0;
    /// Frames written and not yet heard.
    virtual int64_t framesBuffered() = 0;
    /// True once the device has stopped playing for good (the sound server went away).
    virtual bool failed() const { return false; }
};

/// Takes frames at the real-time pace of the format without making a sound, so that a machine
/// without a sound device still plays, positions and previews.
class SilentOutput : public OutputDevice
{
public:
    using Clock = std::function<int64_t()>; ///< nanoseconds, monotonic

    /// `clock` defaults to the steady clock; tests pass their own. `buffered` frames count as
    /// written and still to be played, for taking over from a device that failed.
    explicit SilentOutput(int sampleRate, Clock clock = {}, int64_t buffered = 0);

    int64_t framesFree() override;
    int64_t write(const int16_t *samples, int64_t frames) override;
    int64_t framesBuffered() override;

private:
    void advance();

    int64_t m_rate;
    int64_t m_capacity;
    Clock m_clock;
    int64_t m_written = 0;
    int64_t m_played = 0;
    /// Playing runs from (m_anchorNs, m_anchorFrames) at the rate; idle time is not counted.
    int64_t m_anchorNs = 0;
    int64_t m_anchorFrames = 0;
};

/// A Qt Multimedia sink in push mode.
class SinkOutput : public OutputDevice
{
public:
    /// Null when the device cannot be opened with that format.
    static std::unique_ptr<SinkOutput> open(const QAudioDevice &device, const QAudioFormat &format);
    ~SinkOutput() override;

    int64_t framesFree() override;
    int64_t write(const int16_t *samples, int64_t frames) override;
    int64_t framesBuffered() override;
    bool failed() const override;

private:
    SinkOutput(std::unique_ptr<QAudioSink> sink, QIODevice *io, int bytesPerFrame);

    std::unique_ptr<QAudioSink> m_sink;
    QIODevice *m_io; ///< owned by the sink
    int m_bytesPerFrame;
};

} // namespace engine
