#pragma once

#include "WaveformSource.h"
#include "engine/api/PeakComputer.h"

#include <memory>

/// The engine's peaks as the strip asks for them. It belongs to one computation: once the
/// computer has started on another file (or stopped), it answers nothing, so no peak or frame
/// of an earlier file is ever drawn over a later one.
class WaveformPeaks : public waveform::Source
{
public:
    explicit WaveformPeaks(engine::PeakComputer &computer);

    int32_t channelCount() const override;
    int64_t finestFrames() const override;
    std::optional<waveform::Span> span(int32_t channel, int64_t begin, int64_t end) const override;
    bool computing() const override;
    void requestFrames(int64_t begin, int64_t count) override;
    std::shared_ptr<const waveform::Frames> frames() const override;

private:
    bool current() const { return m_peaks && m_computer.peaks() == m_peaks; }

    engine::PeakComputer &m_computer;
    std::shared_ptr<const engine::Peaks> m_peaks;
    // The last frames handed over, kept until the computer has newer ones.
    mutable std::shared_ptr<const engine::FrameWindow> m_read;
    mutable std::shared_ptr<const waveform::Frames> m_frames;
};
