// Playback and preview: 200 ms blocks are read from the play source and queued one at a time
// as the player asks; Timer moves the position.
#include "Cutter.h"
#include "TextNumbers.h"
#include "TimeText.h"

#include <algorithm>

engine::Status Cutter::startPlayerRun()
{
    const auto rate = m_playSource->sampleRate();
    const auto channels = m_playSource->channelCount();
    if (rate.failed() || channels.failed())
        return rate.failed() ? rate.status() : channels.status();
    if (engine::Status s = m_player->setPlayerFormat(rate.value(), channels.value()); s.failed())
        return s;
    const auto block = m_player->blockSizeForMilliseconds(200);
    if (block.failed())
        return block.status();
    m_state.blockSamples = block.value();
    return m_player->startOutput();
}

void Cutter::FeedBlock()
{
    if (m_state.play == PlayState::NoSource)
        return;
    int32_t count = m_state.blockSamples;
    if (m_state.play == PlayState::Previewing && m_state.feedLimit >= 0)
        count = int32_t(std::clamp<int64_t>(m_state.feedLimit - m_state.fedTo, 0, count));
    engine::SampleBlock block;
    if (count <= 0 || m_playSource->readBlock(count, block).failed() || block.size() < 2)
        return;
    m_state.fedTo += int64_t(block.size()) / std::max(m_playSource->channelCount().valueOr(1), 1);
    engine::ignoreFailure(m_player->queueBlock(block),
                          "a block that cannot be queued is not heard");
}

void Cutter::pauseAt(int64_t position)
{
    engine::ignoreFailure(m_player->stopOutput(), "output is stopped whatever it reports");
    if (!isBusy())
        setPlay(PlayState::Paused);
    m_state.playOrigin =
        std::clamp<int64_t>(position, 0, std::max<int64_t>(m_state.totalSamples, 0));
    // A mark set while paused must be exactly where playback will resume.
    m_state.currentSample = m_state.playOrigin;
    if (!m_state.flgSliderHeld)
        emit thumbMoved(unitsOf(m_state.playOrigin));
    ShowCurrentTime(0);
}

void Cutter::returnToStart()
{
    pauseAt(0);
    engine::ignoreFailure(m_playSource->seek(0), "the next Play seeks to its origin again");
}

void Cutter::TogglePause()
{
    switch (m_state.play) {
    case PlayState::NoSource:
    case PlayState::Cutting:
        return;
    case PlayState::Playing:
    case PlayState::Previewing:
        // Pausing a preview ends it: Play goes on from where the sound is, as after Stop.
        pauseAt(m_state.playOrigin + m_player->playedSamples().valueOr(0));
        return;
    case PlayState::Paused:
        break;
    }
    setPlay(PlayState::Playing);
    // Not yet reported: a resume whose output or seek fails stays silent or plays from where
    // the reader was; the next click tries again.
    engine::ignoreFailure(m_player->startOutput(), "the next click starts output again");
    engine::ignoreFailure(m_playSource->seek(m_state.playOrigin), "the next click seeks again");
    m_state.fedTo = m_state.playOrigin;
    FeedBlock();
}

void Cutter::StopPlayback()
{
    engine::ignoreFailure(m_player->stopOutput(), "output is stopped whatever it reports");
    engine::ignoreFailure(m_playSource->close(), "closing a source writes nothing");
    setPlay(PlayState::NoSource);
}

void Cutter::onBlockWanted()
{
    // Asked for by a run that has been paused since: the next run starts with its own block.
    if (m_state.play == PlayState::Playing || m_state.play == PlayState::Previewing)
        FeedBlock();
}

void Cutter::onTimer(int64_t CurrentSamples, int32_t, int32_t)
{
    // A tick of a run that has been paused or ended since tells of a position left behind.
    if (m_state.play != PlayState::Playing && m_state.play != PlayState::Previewing)
        return;
    const int64_t position = m_state.playOrigin + CurrentSamples;
    const int64_t total = m_state.totalSamples;
    if (total > 0 && position >= total)
        return returnToStart();
    if (!m_state.flgSliderHeld && total > 0)
        emit thumbMoved(unitsOf(position));
    ShowCurrentTime(position);
    m_state.currentSample = position;
    if (m_state.play == PlayState::Previewing && m_state.currentSample >= m_state.previewEnd)
        endPreview(position);
}

void Cutter::onEndPlay()
{
    // A preview that ends exactly at its End has heard its last block: it ends there.
    if (m_state.play == PlayState::Previewing && m_state.feedLimit >= 0)
        return endPreview(m_state.feedLimit);
    if (m_state.play == PlayState::Playing || m_state.play == PlayState::Previewing)
        returnToStart();
}

void Cutter::endPreview(int64_t position)
{
    const bool wholePart = m_state.feedLimit < 0 && m_state.playOrigin == m_state.selBeginSample &&
                           m_state.previewEnd == m_state.selEndSample;
    if (m_state.loop && wholePart && hasSelection())
        return previewRange(m_state.selBeginSample, m_state.selEndSample, false);
    pauseAt(m_state.feedLimit >= 0 ? m_state.feedLimit : position);
}

void Cutter::setLoop(bool loop)
{
    m_state.loop = loop;
}

int64_t Cutter::edgeFrames() const
{
    return int64_t(settings::roundHalfEven(m_edgeSeconds * m_playSource->sampleRate().valueOr(0)));
}

void Cutter::playBegin()
{
    if (!hasSelection() || isBusy() || !hasSource())
        return;
    const int64_t begin = m_state.selBeginSample;
    previewRange(begin, std::min(begin + edgeFrames(), m_state.totalSamples), false);
}

void Cutter::playEnd()
{
    if (!hasSelection() || isBusy() || !hasSource())
        return;
    const int64_t end = m_state.selEndSample;
    previewRange(std::max<int64_t>(end - edgeFrames(), 0), end, true);
}

void Cutter::preview()
{
    if (!hasSelection() || isBusy() || m_state.play == PlayState::NoSource)
        return;
    if (m_state.play == PlayState::Previewing) {
        // Paused where the sound is, so that Play goes on from there.
        TogglePause();
        return;
    }
    previewRange(m_state.selBeginSample, m_state.selEndSample, false);
}

void Cutter::previewRange(int64_t from, int64_t to, bool exactEnd)
{
    // A preview that cannot start leaves the window paused where it was, not showing "Pause"
    // and "Stop" over silence; a failure is also shown.
    auto abandon = [this](const QString &description) {
        pauseAt(m_state.playOrigin);
        if (!description.isEmpty())
            message(description, tr("Error"), Dialogs::Icon::Critical);
    };
    engine::ignoreFailure(m_player->stopOutput(), "output is stopped whatever it reports");
    setPlay(PlayState::Previewing);
    const int64_t begin = from;
    m_state.previewEnd = to;
    m_state.feedLimit = exactEnd ? to : -1;
    if (auto reached = m_playSource->seek(begin); reached.failed())
        return abandon(reached.description());
    m_state.playOrigin = begin;
    m_state.fedTo = begin;
    const auto total = m_playSource->length();
    if (total.failed())
        return abandon(total.description());
    if (total.value() == 0)
        return abandon(QString());
    if (engine::Status s = startPlayerRun(); s.failed())
        return abandon(s.description());
    FeedBlock();
    const auto milliseconds = m_player->samplesToMilliseconds(total.value());
    if (milliseconds.failed())
        return abandon(milliseconds.description());
    m_state.totalSeconds = int32_t(settings::roundHalfEven(double(milliseconds.value()) / 1000.0));
    m_state.fileNameText = m_state.sourcePath;
    emit sourceLabelsChanged();
}

QString Cutter::positionTextOf(int64_t samplePosition) const
{
    return positionText(m_player->samplesToMilliseconds(samplePosition).valueOr(0));
}

void Cutter::ShowCurrentTime(int64_t samplePosition)
{
    const int64_t p = samplePosition > 0 ? samplePosition : m_state.playOrigin;
    emit panelChanged(4, tr("Current: ") + positionTextOf(p));
    emit positionChanged(p);
}
