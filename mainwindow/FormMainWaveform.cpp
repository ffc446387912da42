// The waveform strip: its peaks follow the open file; a click and a dropped mark go through the
// routines the slider and the selection buttons use, so all three agree to the sample.
#include "FormMain.h"
#include "WaveformPeaks.h"
#include "WaveformStrip.h"
#include "ZivSlider.h"

void FormMain::connectWaveform()
{
    m_peakComputer = m_factory.createPeakComputer();
    WaveformStrip *strip = m_ui.Waveform;
    connect(strip, &WaveformStrip::positionPicked, this, &FormMain::onWaveformPositionPicked);
    connect(strip, &WaveformStrip::markDropped, this, &FormMain::onWaveformMarkDropped);
    connect(strip, &WaveformStrip::viewChanged, this, [this](double begin, double end) {
        // The slider keeps showing the whole file; a zoomed strip's part is marked on it.
        if (totalSamples > 0 && m_ui.Waveform->zoomed())
            m_ui.slPosition->setVisibleRange(
                std::pair{begin / totalSamples * 1000, end / totalSamples * 1000});
        else
            m_ui.slPosition->setVisibleRange(std::nullopt);
    });
}

void FormMain::startWaveform()
{
    const int32_t rate = AudioFile ? AudioFile->sampleRate().valueOr(0) : 0;
    m_ui.Waveform->setLength(int64_t(totalSamples), rate);
    if (m_peakComputer) {
        m_peakComputer->start(sourcePath);
        m_ui.Waveform->setSource(std::make_shared<WaveformPeaks>(*m_peakComputer));
    }
    m_ui.Waveform->setSelection(selBeginSample, selEndSample);
    m_ui.Waveform->setPosition(playOrigin);
}

void FormMain::stopWaveform()
{
    m_ui.Waveform->setLength(0, 0);
    if (m_peakComputer)
        m_peakComputer->stop();
}

void FormMain::onWaveformPositionPicked(int64_t frame)
{
    // Whatever the slider would not take (nothing open), the strip does not either.
    if (!m_ui.slPosition->isEnabled() || totalSamples <= 0)
        return;
    m_ui.slPosition->setValue(unitsOf(double(frame)));
    RepositionToSample(double(frame), false);
}

void FormMain::onWaveformMarkDropped(WaveformStrip::Mark mark, int64_t frame)
{
    if (!m_ui.slPosition->isEnabled() || totalSamples <= 0)
        return;
    if (mark == WaveformStrip::Mark::Begin)
        markBegin(double(frame));
    else
        markEnd(double(frame));
}
