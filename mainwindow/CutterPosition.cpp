// Position, nudging and selection: slider units (thousandths of the source) and frames, and
// the three time panels.
#include "Cutter.h"
#include "TextNumbers.h"

#include <algorithm>

int32_t Cutter::unitsOf(int64_t samples) const
{
    if (m_state.totalSamples <= 0)
        return 0;
    const double share =
        std::clamp(double(samples) / double(m_state.totalSamples), 0.0, 1.0) * 1000;
    return int32_t(settings::roundHalfEven(share));
}

void Cutter::nudge(double step)
{
    if (m_state.play == PlayState::NoSource || m_state.totalSamples <= 0)
        return;
    const auto moved = int64_t(settings::roundHalfEven(double(m_state.playOrigin) + step));
    m_state.playOrigin = std::clamp<int64_t>(moved, 0, m_state.totalSamples);
    emit thumbMoved(unitsOf(m_state.playOrigin));
    ShowCurrentTime(0);
    if (m_playSource->seek(m_state.playOrigin).failed())
        return;
    m_state.currentSample = m_state.playOrigin;
    m_state.fedTo = m_state.playOrigin;
}

void Cutter::pickPosition(int64_t frame)
{
    if (m_state.play == PlayState::NoSource || m_state.totalSamples <= 0)
        return;
    emit thumbMoved(unitsOf(frame));
    RepositionToSample(frame, false);
}

void Cutter::sliderPressed(int16_t button)
{
    m_state.flgSliderHeld = true;
    if (button == 1)
        m_state.flgLeftDrag = true;
}

void Cutter::sliderDragged(int32_t units)
{
    if (m_state.flgLeftDrag)
        ShowCurrentTime(
            int64_t(settings::roundHalfEven(units / 1000.0 * double(m_state.totalSamples))));
}

void Cutter::sliderReleased(int16_t button, int32_t units)
{
    if (button == 1)
        m_state.flgLeftDrag = false;
    RepositionFromSlider(units, true);
}

void Cutter::RepositionFromSlider(int32_t units, bool fromMouseUp)
{
    const int64_t total = m_state.totalSamples;
    RepositionToSample(
        units >= 1000 ? total : int64_t(settings::roundHalfEven(units / 1000.0 * double(total))),
        fromMouseUp);
}

void Cutter::RepositionToSample(int64_t samplePosition, bool fromMouseUp)
{
    engine::ignoreFailure(m_player->resetQueue(), "a new run starts with an empty queue");
    if (m_state.play != PlayState::NoSource) {
        if (samplePosition >= m_state.totalSamples) {
            m_state.playOrigin = m_state.totalSamples;
            engine::ignoreFailure(m_playSource->seek(m_state.totalSamples - 1),
                                  "at the end nothing is read from there");
        } else if (auto reached = m_playSource->seek(std::max<int64_t>(samplePosition, 0))) {
            m_state.playOrigin = reached.value();
        }
    }
    if (fromMouseUp)
        m_state.flgSliderHeld = false;
    ShowCurrentTime(0);
    m_state.currentSample = m_state.playOrigin;
    m_state.fedTo = m_state.playOrigin;
    FeedBlock();
    FeedBlock();
}

// The marks decide; the slider units are drawn from them, so the band, the panels, the
// buttons and the cut never disagree. Two marks within one unit of a long file make a valid
// selection with a band of no width.
void Cutter::showSelection()
{
    m_state.selBegin = unitsOf(m_state.selBeginSample);
    m_state.selEnd = unitsOf(m_state.selEndSample);
    m_state.selLength = hasSelection() ? m_state.selEnd - m_state.selBegin : 0;
    // Only a ringtone's summary depends on the selection.
    if (ringtoneTooLong() != m_state.ringtoneWarned)
        showCopyChoice();
    emit selectionChanged();
}

void Cutter::setBegin()
{
    markBegin(m_state.currentSample);
}

void Cutter::setEnd()
{
    markEnd(m_state.currentSample);
}

void Cutter::markBegin(int64_t samplePosition)
{
    if (isBusy() || m_state.play == PlayState::NoSource)
        return;
    const int64_t frame = std::clamp<int64_t>(samplePosition, 0, m_state.totalSamples);
    // A Begin at or past the selected part's end starts the next part rather than emptying
    // this one: marking parts one after another needs no step between them.
    if (const engine::Part *part = selectedPartRange(); part && frame >= part->end)
        selectPart(-1);
    m_state.selBeginSample = frame;
    showSelection();
    emit panelChanged(2, tr("Begin: ") + positionTextOf(m_state.selBeginSample));
    followMarks();
}

void Cutter::markEnd(int64_t samplePosition)
{
    if (isBusy() || m_state.play == PlayState::NoSource)
        return;
    const int64_t frame = std::clamp<int64_t>(samplePosition, 0, m_state.totalSamples);
    if (const engine::Part *part = selectedPartRange(); part && frame <= part->begin)
        selectPart(-1);
    m_state.selEndSample = frame;
    showSelection();
    emit panelChanged(3, tr("End: ") + positionTextOf(m_state.selEndSample));
    followMarks();
}
