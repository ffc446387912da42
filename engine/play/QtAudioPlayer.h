#pragma once

#include "engine/api/AudioPlayer.h"
#include "engine/play/PlaybackQueue.h"

#include <QThread>

#include <atomic>
#include <memory>

namespace engine {

class OutputWorker;

/// The player on Qt Multimedia: a QAudioSink on the default output device, fed on a thread of
/// the player's own so that a busy window thread does not make the sound stutter. Without a
/// usable device it plays silently at the same pace.
///
/// Events are raised from the thread that owns the player, out of its event loop, never from
/// inside a call to the player.
class QtAudioPlayer : public AudioPlayer
{
    Q_OBJECT
public:
    struct Options
    {
        /// Plays silently even when a device exists (for tests of the silent output).
        bool forceSilent = false;
    };

    explicit QtAudioPlayer(QObject *parent = nullptr);
    explicit QtAudioPlayer(Options options, QObject *parent = nullptr);
    ~QtAudioPlayer() override;

    Status setPlayerFormat(int32_t sampleRate, int32_t channels) override;
    Result<int32_t> blockSizeForMilliseconds(int32_t milliseconds) const override;
    Status startOutput() override;
    Status queueBlock(const SampleBlock &block) override;
    Status stopOutput() override;
    /// While output runs, also drops what the device holds, and the played-frames count starts
    /// again from 0, so that the window's "origin + played" stays the position heard after a
    /// reposition.
    Status resetQueue() override;
    Result<int64_t> playedSamples() const override;
    Result<int64_t> samplesToMilliseconds(int64_t frames) const override;
    bool isSilent() const override;

private:
    template <typename F> void onOutputThread(F &&work);
    void wake();
    void deliverEvents();
    Status noFormat() const;

    Options m_options;
    int32_t m_rate = 0;
    int32_t m_channels = 0;
    bool m_running = false;
    bool m_started = false;
    /// Before the first start: whether a default output device exists.
    bool m_silentBeforeStart = true;
    PlaybackQueue m_queue;
    std::atomic<bool> m_wakePending{false};
    QThread m_thread;
    std::unique_ptr<OutputWorker> m_worker;
};

} // namespace engine
