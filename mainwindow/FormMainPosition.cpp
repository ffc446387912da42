// Position, nudging and selection: slider units (thousandths of the source) and sample
// positions, and the three time panels.
#include "FormMain.h"
#include "TextNumbers.h"
#include "TimeText.h"
#include "WaveformStrip.h"
#include "ZivSlider.h"

#include <QPushButton>

#include <algorithm>

using settings::kFalse;
using settings::kTrue;
using settings::roundHalfEven;

QString FormMain::positionTextOf(double samplePosition) const
{
    if (!AudioPlayer)
        return TimeText(0);
    const auto frames = settings::roundedInto<int32_t>(samplePosition);
    const auto milliseconds =
        frames ? AudioPlayer->samplesToMilliseconds(*frames) : engine::Result<int32_t>(0);
    return positionText(milliseconds.valueOr(0));
}

void FormMain::ShowCurrentTime(double samplePosition)
{
    const double p = samplePosition > 0 ? samplePosition : double(playOrigin);
    m_ui.setPanel(4, tr("Current: ") + positionTextOf(p));
    m_ui.Waveform->setPosition(p);
}

void FormMain::nudge(double step)
{
    if (!AudioFile || totalSamples <= 0)
        return;
    const double moved = roundHalfEven(playOrigin + step);
    if (step < 0)
        playOrigin = moved > 0 ? int32_t(moved) : 0;
    else
        playOrigin = int32_t(moved >= totalSamples ? roundHalfEven(totalSamples) : moved);
    m_ui.slPosition->setValue(int32_t(roundHalfEven(playOrigin / totalSamples * 1000)));
    ShowCurrentTime(0);
    if (!AudioFile->seek(playOrigin))
        return;
    currentSample = playOrigin;
}

void FormMain::onSliderMouseDown(int16_t Button, int16_t, float, float)
{
    flgSliderHeld = kTrue;
    if (Button == 1)
        flgLeftDrag = kTrue;
}

void FormMain::onSliderMouseMove(int16_t, int16_t, float, float)
{
    if (flgLeftDrag == kTrue)
        ShowCurrentTime(m_ui.slPosition->Value() / 1000.0 * sourceLength());
}

void FormMain::onSliderMouseUp(int16_t Button, int16_t, float, float)
{
    if (Button == 1)
        flgLeftDrag = kFalse;
    RepositionFromSlider(true);
}

void FormMain::onSliderClick()
{
    RepositionFromSlider(false);
}

void FormMain::onSliderKeyUp(int16_t, int16_t)
{
    // A key let go on the slider that did not move it (Shift, Tab, a letter) leaves the sound
    // where it is: a reposition would snap it to the thumb's thousandth.
    if (m_ui.slPosition->keysMovedValue())
        onSliderMouseUp(1, 1, 1.0f, 1.0f);
}

void FormMain::RepositionFromSlider(bool fromMouseUp)
{
    const int32_t value = m_ui.slPosition->Value();
    RepositionToSample(value == 1000 ? totalSamples : value / 1000.0 * sourceLength(), fromMouseUp);
}

void FormMain::RepositionToSample(double samplePosition, bool fromMouseUp)
{
    if (AudioPlayer)
        engine::ignoreFailure(AudioPlayer->resetQueue(), "a new run starts with an empty queue");
    if (AudioFile) {
        if (samplePosition >= totalSamples) {
            playOrigin = int32_t(roundHalfEven(totalSamples));
            engine::ignoreFailure(AudioFile->seek(int32_t(roundHalfEven(totalSamples - 1))),
                                  "at the end nothing is read from there");
        } else {
            if (auto reached = AudioFile->seek(int32_t(roundHalfEven(samplePosition))))
                playOrigin = reached.value();
        }
    }
    if (fromMouseUp)
        flgSliderHeld = kFalse;
    ShowCurrentTime(0);
    currentSample = playOrigin;
    FeedBlock();
    FeedBlock();
}

void FormMain::enableSelectionButtons(bool enable)
{
    m_ui.CmdPreview->setEnabled(enable);
    m_ui.CmdCut->setEnabled(enable);
}

int32_t FormMain::unitsOf(double samples) const
{
    if (totalSamples <= 0)
        return 0;
    return int32_t(roundHalfEven(std::clamp(samples / totalSamples, 0.0, 1.0) * 1000));
}

bool FormMain::hasSelection() const
{
    return selEndSample > selBeginSample;
}

// The sample marks decide; the slider units are drawn from them, so the band, the panels, the
// buttons and the cut never disagree. Two marks within one unit of a long file make a valid
// selection with a band of no width.
void FormMain::showSelection()
{
    selBegin = unitsOf(selBeginSample);
    selEnd = unitsOf(selEndSample);
    selLength = hasSelection() ? selEnd - selBegin : 0;
    enableSelectionButtons(hasSelection());
    m_ui.slPosition->setSelStart(selBegin);
    m_ui.slPosition->setSelLength(selLength);
    m_ui.Waveform->setSelection(selBeginSample, selEndSample);
}

void FormMain::onCmdSelStartClick()
{
    markBegin(currentSample);
}

void FormMain::onCmdSelStopClick()
{
    markEnd(currentSample);
}

void FormMain::markBegin(double samplePosition)
{
    selBeginSample = samplePosition;
    showSelection();
    m_ui.setPanel(2, tr("Begin: ") + positionTextOf(selBeginSample));
}

void FormMain::markEnd(double samplePosition)
{
    selEndSample = samplePosition;
    showSelection();
    m_ui.setPanel(3, tr("End: ") + positionTextOf(selEndSample));
}
