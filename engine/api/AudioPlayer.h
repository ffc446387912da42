#pragma once

#include "engine/api/SampleBlock.h"
#include "engine/api/Status.h"

#include <QObject>

#include <cstdint>

namespace engine {

/// Sound output with a block queue. Its events arrive on the thread that owns the player
/// object, between other work of that thread, as queued signals.
class AudioPlayer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioPlayer() override = default;

    virtual Status setPlayerFormat(int32_t sampleRate, int32_t channels) = 0;
    virtual Result<int32_t> blockSizeForMilliseconds(int32_t milliseconds) const = 0;
    /// Starts (or resumes) output from an empty queue; the played-frames count restarts at 0.
    virtual Status startOutput() = 0;
    virtual Status queueBlock(const SampleBlock &block) = 0;
    /// Silences at once and drops the queue and what the device still holds.
    virtual Status stopOutput() = 0;
    /// Drops what is queued and not yet heard. While output runs, the played-frames count
    /// starts again from 0, so that "position of the reset + played" stays what is heard.
    virtual Status resetQueue() = 0;
    /// Frames heard since output was last started.
    virtual Result<int64_t> playedSamples() const = 0;
    virtual Result<int64_t> samplesToMilliseconds(int64_t frames) const = 0;
    /// True when no sound device could be opened and output only keeps the pace silently.
    virtual bool isSilent() const = 0;

signals:
    // None is raised while output is stopped. Each block event asks for exactly one block.

    /// About every 50 ms while output runs: frames heard in this run, and the peak of each
    /// channel over the period (0..32767).
    void Timer(int64_t CurrentSamples, int32_t LevelLeft, int32_t LevelRight);
    /// The player wants another block to stay ahead of the device (at the start of a run).
    void RequestOnLoadArray();
    /// A queued block has been heard to its end; another one is wanted in its place.
    void EndArrayPlay();
    /// Everything queued has been heard and a block event went unanswered. Comes once per
    /// run, right after a last Timer with the full count.
    void EndPlay();
};

} // namespace engine
