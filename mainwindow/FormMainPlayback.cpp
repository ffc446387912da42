// Playback and preview: the window pulls 200 ms blocks from AudioFile and queues one on the
// player whenever it asks; Timer moves the slider and the "Current: " panel.
#include "Dialogs.h"
#include "FormMain.h"
#include "TextNumbers.h"
#include "TimeText.h"
#include "ZivSlider.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

using settings::kFalse;
using settings::kTrue;
using settings::roundHalfEven;

void FormMain::connectPlayer()
{
    if (!AudioPlayer)
        return;
    // The player raises its events on this thread already. Handled at once, they stay in
    // order with the clicks around them: a second, queued hop would let a tick raised before
    // a pause be applied after it.
    connect(AudioPlayer.get(), &engine::AudioPlayer::RequestOnLoadArray, this,
            &FormMain::onBlockWanted);
    connect(AudioPlayer.get(), &engine::AudioPlayer::EndArrayPlay, this, &FormMain::onBlockWanted);
    connect(AudioPlayer.get(), &engine::AudioPlayer::Timer, this, &FormMain::onTimer);
    connect(AudioPlayer.get(), &engine::AudioPlayer::EndPlay, this, &FormMain::onEndPlay);
}

double FormMain::sourceLength() const
{
    return AudioFile ? AudioFile->length().valueOr(0) : 0;
}

engine::Status FormMain::startPlayerRun()
{
    const auto rate = AudioFile->sampleRate();
    const auto channels = AudioFile->channelCount();
    if (!rate || !channels)
        return !rate ? rate.status() : channels.status();
    if (engine::Status s = AudioPlayer->setPlayerFormat(rate.value(), channels.value()); !s)
        return s;
    const auto block = AudioPlayer->blockSizeForMilliseconds(200);
    if (!block)
        return block.status();
    blockSamples = block.value();
    return AudioPlayer->startOutput();
}

void FormMain::FeedBlock()
{
    if (flgOpen != kTrue || !AudioFile || !AudioPlayer)
        return;
    engine::SampleBlock block;
    if (!AudioFile->readBlock(blockSamples, block) || block.size() < 2)
        return;
    engine::ignoreFailure(AudioPlayer->queueBlock(block),
                          "a block that cannot be queued is not heard");
}

void FormMain::pauseAt(double position)
{
    if (AudioPlayer)
        engine::ignoreFailure(AudioPlayer->stopOutput(), "output is stopped whatever it reports");
    flgPaused = kTrue;
    setCaption(m_ui.CmdPausePlay, tr("Play"));
    playOrigin = int32_t(roundHalfEven(std::clamp(position, 0.0, std::max(totalSamples, 0.0))));
    // A mark set while paused must be exactly where playback will resume.
    currentSample = playOrigin;
    if (flgSliderHeld != kTrue)
        m_ui.slPosition->setValue(unitsOf(playOrigin));
    ShowCurrentTime(0);
}

void FormMain::returnToStart()
{
    endPreview();
    pauseAt(0);
    if (AudioFile)
        engine::ignoreFailure(AudioFile->seek(0), "the next Play seeks to its origin again");
}

void FormMain::endPreview()
{
    flgPreview = kFalse;
    setCaption(m_ui.CmdPreview, tr("Preview"));
}

void FormMain::TogglePause()
{
    if (flgOpen != kTrue || !AudioPlayer)
        return;
    if (flgPaused != kTrue) {
        pauseAt(double(playOrigin) + AudioPlayer->playedSamples().valueOr(0));
        return;
    }
    setCaption(m_ui.CmdPausePlay, tr("Pause"));
    flgPaused = kFalse;
    // Not yet reported: a resume whose output or seek fails stays silent or plays from where
    // the reader was; the next click tries again.
    engine::ignoreFailure(AudioPlayer->startOutput(), "the next click starts output again");
    if (AudioFile)
        engine::ignoreFailure(AudioFile->seek(playOrigin), "the next click seeks again");
    FeedBlock();
}

void FormMain::StopPlayback()
{
    if (AudioPlayer)
        engine::ignoreFailure(AudioPlayer->stopOutput(), "output is stopped whatever it reports");
    if (AudioFile)
        engine::ignoreFailure(AudioFile->close(), "closing a source writes nothing");
    flgOpen = kFalse;
    setCaption(m_ui.CmdPausePlay, tr("Play"));
}

void FormMain::onCmdPausePlayClick()
{
    TogglePause();
}

void FormMain::onBlockWanted()
{
    // Asked for by a run that has been paused since: the next run starts with its own block.
    if (flgPaused != kTrue)
        FeedBlock();
}

void FormMain::onTimer(int32_t CurrentSamples, int32_t, int32_t)
{
    // A tick of a run that has been paused or ended since tells of a position left behind.
    if (flgOpen != kTrue || flgPaused == kTrue)
        return;
    const double position = double(playOrigin) + CurrentSamples;
    const double total = sourceLength();
    if (total > 0 && position >= total)
        return returnToStart();
    if (flgSliderHeld != kTrue && total > 0)
        m_ui.slPosition->setValue(int32_t(roundHalfEven(position / total * 1000)));
    ShowCurrentTime(position);
    currentSample = position;
    if (flgPreview == kTrue && currentSample >= selEndSample) {
        endPreview();
        pauseAt(position);
    }
}

void FormMain::onEndPlay()
{
    if (flgOpen != kTrue || flgPaused == kTrue)
        return;
    returnToStart();
}

void FormMain::onCmdPreviewClick()
{
    if (!hasSelection())
        return;
    if (flgPreview == kTrue) {
        endPreview();
        // Paused where the sound is, so that Play goes on from there.
        if (flgPaused != kTrue)
            TogglePause();
        return;
    }
    if (!AudioFile || !AudioPlayer)
        return;
    // A preview that cannot start leaves the window paused where it was, not showing "Pause"
    // and "Stop" over silence; a failure is also shown.
    auto abandon = [this](const QString &description = QString()) {
        endPreview();
        pauseAt(playOrigin);
        if (!description.isEmpty())
            m_dialogs.message(this, description, tr("Error"), Dialogs::Icon::Critical);
    };
    if (flgOpen == kTrue)
        engine::ignoreFailure(AudioPlayer->stopOutput(), "output is stopped whatever it reports");
    flgPreview = kTrue;
    setCaption(m_ui.CmdPreview, tr("Stop"));
    engine::ignoreFailure(AudioFile->setReaderMode(2), "a mode the engine does not use");
    flgPaused = kFalse;
    setCaption(m_ui.CmdPausePlay, tr("Pause"));
    const auto begin = int32_t(roundHalfEven(selBeginSample));
    if (auto reached = AudioFile->seek(begin); !reached)
        return abandon(reached.description());
    if (AudioFile->openStatus() < 0)
        return abandon();
    playOrigin = begin;
    const auto total = AudioFile->length();
    if (!total)
        return abandon(total.description());
    if (total.value() == 0)
        return abandon();
    if (engine::Status s = startPlayerRun(); !s)
        return abandon(s.description());
    if (AudioPlayer->outputStatus() < 0) {
        engine::ignoreFailure(AudioFile->close(), "closing a source writes nothing");
        flgOpen = kFalse;
        return abandon();
    }
    flgOpen = kTrue;
    FeedBlock();
    const auto milliseconds = AudioPlayer->samplesToMilliseconds(total.value());
    if (!milliseconds)
        return abandon(milliseconds.description());
    totalSeconds = int32_t(roundHalfEven(milliseconds.value() / 1000.0));
    m_ui.LabelTime->setText(TimeText(totalSeconds));
    m_ui.LabelFileName->setText(sourcePath);
}
