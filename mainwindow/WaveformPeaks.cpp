#include "WaveformPeaks.h"

WaveformPeaks::WaveformPeaks(engine::PeakComputer &computer)
    : m_computer(computer), m_peaks(computer.peaks())
{}

int32_t WaveformPeaks::channelCount() const
{
    return current() ? m_peaks->channelCount() : 0;
}

int64_t WaveformPeaks::finestFrames() const
{
    return m_peaks ? m_peaks->finestFrames() : 1;
}

std::optional<waveform::Span> WaveformPeaks::span(int32_t channel, int64_t begin, int64_t end) const
{
    if (!current())
        return std::nullopt;
    const auto span = m_peaks->span(channel, begin, end);
    if (!span)
        return std::nullopt;
    return waveform::Span{span->min, span->max};
}

bool WaveformPeaks::computing() const
{
    return current() && !m_peaks->finished();
}

void WaveformPeaks::requestFrames(int64_t begin, int64_t count)
{
    if (current())
        m_computer.requestFrames(begin, count);
}

std::shared_ptr<const waveform::Frames> WaveformPeaks::frames() const
{
    if (!current())
        return nullptr;
    const auto read = m_computer.frames();
    if (read != m_read) {
        m_read = read;
        if (read) {
            auto frames = std::make_shared<waveform::Frames>();
            frames->begin = read->begin;
            frames->channelCount = read->channelCount;
            // Shares the read frames (the strip may hold several megabytes of them).
            frames->samples = std::shared_ptr<const std::vector<float>>(read, &read->samples);
            m_frames = std::move(frames);
        } else {
            m_frames.reset();
        }
    }
    return m_frames;
}
