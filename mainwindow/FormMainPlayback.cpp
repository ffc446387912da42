// Playback and preview: the window pulls 200 ms blocks from AudioFile and queues one on the
// player whenever it asks; Timer moves the slider and the "Current: " panel.
#include "Dialogs.h"
#include "FormMain.h"
#include "TextNumbers.h"
#include "TimeText.h"
#include "ZivSlider.h"

#include <QLabel>
#include <QPushButton>

using settings::kFalse;
using settings::kTrue;
using settings::roundHalfEven;

void FormMain::connectPlayer()
{
    if (!AudioPlayer)
        return;
    // Queued: the player's events wait for the window's thread, between other work.
    connect(
        AudioPlayer.get(), &engine::AudioPlayer::RequestOnLoadArray, this, [this] { FeedBlock(); },
        Qt::QueuedConnection);
    connect(
        AudioPlayer.get(), &engine::AudioPlayer::EndArrayPlay, this, [this] { FeedBlock(); },
        Qt::QueuedConnection);
    connect(AudioPlayer.get(), &engine::AudioPlayer::Timer, this, &FormMain::onTimer,
            Qt::QueuedConnection);
    connect(AudioPlayer.get(), &engine::AudioPlayer::EndPlay, this, &FormMain::onEndPlay,
            Qt::QueuedConnection);
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
    AudioPlayer->queueBlock(block);
}

void FormMain::TogglePause()
{
    if (flgOpen != kTrue || !AudioPlayer)
        return;
    if (flgPaused != kTrue) {
        setCaption(m_ui.CmdPausePlay, tr("Play"));
        flgPaused = kTrue;
        playOrigin += AudioPlayer->playedSamples().valueOr(0);
        AudioPlayer->stopOutput();
        // A mark set while paused must be exactly where playback will resume.
        currentSample = playOrigin;
        ShowCurrentTime(0);
        return;
    }
    setCaption(m_ui.CmdPausePlay, tr("Pause"));
    flgPaused = kFalse;
    AudioPlayer->startOutput();
    if (AudioFile)
        AudioFile->seek(playOrigin);
    FeedBlock();
}

void FormMain::StopPlayback()
{
    if (AudioPlayer)
        AudioPlayer->stopOutput();
    if (AudioFile)
        AudioFile->close();
    flgOpen = kFalse;
    setCaption(m_ui.CmdPausePlay, tr("Play"));
}

void FormMain::onCmdPausePlayClick()
{
    TogglePause();
}

void FormMain::onTimer(int32_t CurrentSamples, int32_t, int32_t)
{
    const double position = double(playOrigin) + CurrentSamples;
    if (flgSliderHeld != kTrue) {
        const double total = sourceLength();
        if (total > 0) {
            double v = position / total * 1000;
            if (v > 1000)
                v = 1000;
            if (v == 1000) {
                setCaption(m_ui.CmdPausePlay, tr("Play"));
                TogglePause();
            }
            m_ui.slPosition->setValue(int32_t(roundHalfEven(v)));
        }
    }
    ShowCurrentTime(position > totalSamples ? totalSamples : position);
    currentSample = position;
    if (flgPreview == kTrue && currentSample >= selEndSample) {
        if (AudioPlayer)
            AudioPlayer->stopOutput();
        flgPreview = kFalse;
        setCaption(m_ui.CmdPreview, tr("Preview"));
    }
}

void FormMain::onEndPlay()
{
    m_ui.slPosition->setValue(0);
    if (AudioPlayer)
        AudioPlayer->stopOutput();
    setCaption(m_ui.CmdPausePlay, tr("Play"));
    playOrigin = 0;
    flgPaused = kTrue;
    flgOpen = kTrue;
    if (AudioFile)
        AudioFile->seek(0);
}

void FormMain::onCmdPreviewClick()
{
    if (m_ui.slPosition->SelLength() <= 0)
        return;
    if (flgPreview == kTrue) {
        if (AudioPlayer)
            AudioPlayer->stopOutput();
        flgPreview = kFalse;
        setCaption(m_ui.CmdPreview, tr("Preview"));
        return;
    }
    // Any failure from here on is shown; what was done before it stays done.
    auto fail = [this](const QString &description) {
        m_dialogs.message(this, description, tr("Error"), Dialogs::Icon::Critical);
    };
    if (!AudioFile || !AudioPlayer)
        return;
    if (flgOpen == kTrue)
        AudioPlayer->stopOutput();
    flgPreview = kTrue;
    setCaption(m_ui.CmdPreview, tr("Stop"));
    AudioFile->setReaderMode(2);
    flgPaused = kFalse;
    setCaption(m_ui.CmdPausePlay, tr("Pause"));
    const auto begin = int32_t(roundHalfEven(selBeginSample));
    if (auto reached = AudioFile->seek(begin); !reached)
        return fail(reached.description());
    if (AudioFile->openStatus() < 0)
        return;
    playOrigin = begin;
    const auto total = AudioFile->length();
    if (!total)
        return fail(total.description());
    if (total.value() == 0)
        return;
    if (engine::Status s = startPlayerRun(); !s)
        return fail(s.description());
    if (AudioPlayer->outputStatus() < 0) {
        AudioFile->close();
        return;
    }
    flgOpen = kTrue;
    FeedBlock();
    const auto milliseconds = AudioPlayer->samplesToMilliseconds(total.value());
    if (!milliseconds)
        return fail(milliseconds.description());
    totalSeconds = int32_t(roundHalfEven(milliseconds.value() / 1000.0));
    m_ui.LabelTime->setText(TimeText(totalSeconds));
    m_ui.LabelFileName->setText(sourcePath);
}
