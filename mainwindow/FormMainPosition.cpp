// Position, nudging and selection: slider units (thousandths of the source) and sample
// positions, and the three time panels.
#include "FormMain.h"
#include "TextNumbers.h"
#include "TimeText.h"
#include "ZivSlider.h"

#include <QPushButton>

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
    onSliderMouseUp(1, 1, 1.0f, 1.0f);
}

void FormMain::RepositionFromSlider(bool fromMouseUp)
{
    if (AudioPlayer)
        AudioPlayer->resetQueue();
    if (AudioFile) {
        if (m_ui.slPosition->Value() == 1000) {
            playOrigin = int32_t(roundHalfEven(totalSamples));
            AudioFile->seek(int32_t(roundHalfEven(totalSamples - 1)));
        } else {
            const double target = m_ui.slPosition->Value() / 1000.0 * sourceLength();
            if (auto reached = AudioFile->seek(int32_t(roundHalfEven(target))))
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

void FormMain::onCmdSelStartClick()
{
    selBegin = m_ui.slPosition->Value();
    if (selEnd == 0) {
        selLength = 0;
        enableSelectionButtons(false);
    } else if (selBegin < selEnd) {
        selLength = selEnd - selBegin;
        enableSelectionButtons(true);
    } else {
        selLength = 0;
        enableSelectionButtons(false);
    }
    m_ui.slPosition->setSelStart(selBegin);
    m_ui.slPosition->setSelLength(selLength);
    selBeginSample = currentSample;
    m_ui.setPanel(2, tr("Begin: ") + positionTextOf(selBeginSample));
}

void FormMain::onCmdSelStopClick()
{
    selEnd = m_ui.slPosition->Value();
    if (selBegin < selEnd) {
        selLength = selEnd - selBegin;
        enableSelectionButtons(true);
    } else {
        selLength = 0;
        enableSelectionButtons(false);
    }
    m_ui.slPosition->setSelLength(selLength);
    selEndSample = currentSample;
    m_ui.setPanel(3, tr("End: ") + positionTextOf(selEndSample));
}
