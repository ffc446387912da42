// The waveform strip: its peaks follow the open file; a click and a dropped mark go through the
// commands the slider and the selection buttons use, so all three agree to the sample.
#include "FormMain.h"
#include "WaveformPeaks.h"
#include "WaveformStrip.h"
#include "ZivSlider.h"

void FormMain::connectWaveform()
{
    WaveformStrip *strip = m_ui.Waveform;
    connect(strip, &WaveformStrip::positionPicked, this, [this](int64_t frame) {
        // Whatever the slider would not take (nothing open), the strip does not either.
        if (m_ui.slPosition->isEnabled())
            m_cutter.pickPosition(frame);
    });
    connect(strip, &WaveformStrip::markDropped, this,
            [this](WaveformStrip::Mark mark, int64_t frame) {
                if (!m_ui.slPosition->isEnabled())
                    return;
                if (mark == WaveformStrip::Mark::Begin)
                    m_cutter.markBegin(frame);
                else
                    m_cutter.markEnd(frame);
            });
    connect(strip, &WaveformStrip::viewChanged, this, [this](double begin, double end) {
        // The slider keeps showing the whole file; a zoomed strip's part is marked on it.
        const auto total = double(m_cutter.state().totalSamples);
        if (total > 0 && m_ui.Waveform->zoomed())
            m_ui.slPosition->setVisibleRange(std::pair{begin / total * 1000, end / total * 1000});
        else
            m_ui.slPosition->setVisibleRange(std::nullopt);
    });
}

void FormMain::startWaveform(int64_t length, int32_t sampleRate)
{
    m_ui.Waveform->setLength(length, sampleRate);
    if (engine::PeakComputer *peaks = m_cutter.peaks())
        m_ui.Waveform->setSource(std::make_shared<WaveformPeaks>(*peaks));
}
