#include "engine/play/OutputDevice.h"

#include <QAudioSink>

#include <algorithm>
#include <chrono>

namespace engine {

namespace {

/// About what a sound server holds ahead of the speaker, so that both outputs take blocks at
/// the same moments.
constexpr int64_t kSilentBufferMilliseconds = 100;
constexpr int64_t kNanosPerSecond = 1'000'000'000;

int64_t steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

SilentOutput::SilentOutput(int sampleRate, Clock clock, int64_t buffered)
    : m_rate(std::max(sampleRate, 1)), m_capacity(m_rate * kSilentBufferMilliseconds / 1000),
      m_clock(clock ? std::move(clock) : Clock(steadyNanoseconds))
{
    if (buffered > 0) {
        m_written = buffered;
        m_anchorNs = m_clock();
    }
}

void SilentOutput::advance()
{
    if (m_played == m_written)
        return;
    const int64_t elapsed = m_clock() - m_anchorNs;
    const int64_t due = m_anchorFrames + elapsed * m_rate / kNanosPerSecond;
    if (due < m_written) {
        m_played = std::max(m_played, due);
        return;
    }
    // Ran dry: move the anchor to the moment the last frame was played, so that the time
    // spent idle is not credited to the next write.
    m_anchorNs += (m_written - m_anchorFrames) * kNanosPerSecond / m_rate;
    m_anchorFrames = m_written;
    m_played = m_written;
}

int64_t SilentOutput::framesFree()
{
    return m_capacity - framesBuffered();
}

int64_t SilentOutput::write(const int16_t *, int64_t frames)
{
    advance();
    if (m_played == m_written) {
        m_anchorNs = m_clock();
        m_anchorFrames = m_written;
    }
    const int64_t room = std::max<int64_t>(m_capacity - (m_written - m_played), 0);
    frames = std::clamp<int64_t>(frames, 0, room);
    m_written += frames;
    return frames;
}

int64_t SilentOutput::framesBuffered()
{
    advance();
    return m_written - m_played;
}

std::unique_ptr<SinkOutput> SinkOutput::open(const QAudioDevice &device, const QAudioFormat &format)
{
    if (device.isNull() || !device.isFormatSupported(format))
        return nullptr;
    auto sink = std::make_unique<QAudioSink>(device, format);
    // Without a server Qt reports the failure at once, without a state change.
    QIODevice *io = sink->start();
    if (!io || sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState)
        return nullptr;
    return std::unique_ptr<SinkOutput>(new SinkOutput(std::move(sink), io, format.bytesPerFrame()));
}

SinkOutput::SinkOutput(std::unique_ptr<QAudioSink> sink, QIODevice *io, int bytesPerFrame)
    : m_sink(std::move(sink)), m_io(io), m_bytesPerFrame(bytesPerFrame)
{}

SinkOutput::~SinkOutput()
{
    m_sink->stop();
}

int64_t SinkOutput::framesFree()
{
    return m_sink->bytesFree() / m_bytesPerFrame;
}

int64_t SinkOutput::write(const int16_t *samples, int64_t frames)
{
    const qint64 written =
        m_io->write(reinterpret_cast<const char *>(samples), frames * m_bytesPerFrame);
    return written > 0 ? written / m_bytesPerFrame : 0;
}

bool SinkOutput::failed() const
{
    // An underrun only idles the sink; a lost server stops it with an error.
    return m_sink->state() == QAudio::StoppedState && m_sink->error() != QAudio::NoError;
}

int64_t SinkOutput::framesBuffered()
{
    const qint64 held = m_sink->bufferSize() - m_sink->bytesFree();
    return std::max<qint64>(held, 0) / m_bytesPerFrame;
}

} // namespace engine
