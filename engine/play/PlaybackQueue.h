#pragma once

#include "engine/api/SampleBlock.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace engine {

/// What the window's thread and the output thread share while sound plays: the blocks queued
/// and not yet handed to the device, how much of the current run has been written and heard,
/// and the bookkeeping that decides which event the window gets next.
///
/// The window queues one block per block event and expects them early enough that output
/// never runs dry: the queue asks for blocks until kBlocksAhead blocks are queued, unheard or
/// asked for. A block that has been heard to its end is announced with one "block finished"
/// event, which the window answers with the next block. Output has ended once every queued
/// block has been heard while a block event went unanswered.
class PlaybackQueue
{
public:
    static constexpr int kBlocksAhead = 2;

    enum class Event
    {
        None,
        Timer,
        RequestBlock,
        BlockFinished,
        EndPlay
    };
    struct TimerValues
    {
        int64_t frames = 0;
        int32_t levelLeft = 0;
        int32_t levelRight = 0;
    };

    // --- the window's thread ---
    void setChannels(int channels);
    /// Appends one block (float, interleaved) converted to 16-bit PCM. Counts as the answer to
    /// an outstanding block event.
    void append(const SampleBlock &block);
    /// The next event to raise, with the values of a Timer event; updates the bookkeeping as
    /// though the event has been raised.
    Event nextEvent(TimerValues *timer);
    int64_t heardFrames() const;

    // --- run control (the output thread, while the window's thread waits for it) ---
    /// Starts a run: nothing queued, nothing written or heard.
    void beginRun();
    /// Ends the run: the queue is dropped and the heard count keeps its last value.
    void endRun();
    /// Drops every block of the run that has not been heard yet and counts from 0 again.
    void restartRun();
    /// Drops what is queued; for blocks queued while output is stopped.
    void dropQueued();

    // --- the output thread ---
    /// Moves up to `maxFrames` queued frames out, to be written to the device.
    std::vector<int16_t> take(int64_t maxFrames);
    /// Records that the device has played `heard` frames of the run so far.
    void setHeard(int64_t heard);
    int64_t writtenFrames() const;
    void markTimerDue();
    /// True when nextEvent() has something to raise.
    bool wantsAttention() const;

private:
    struct Slice
    {
        int64_t end;
        int32_t left;
        int32_t right;
    };

    void clearRunLocked();
    bool drainedLocked() const;
    TimerValues timerValuesLocked();

    mutable std::mutex m_mutex;
    int m_channels = 2;
    bool m_running = false;
    bool m_ended = false;
    bool m_finalTimerRaised = false;
    bool m_timerDue = false;

    std::deque<std::vector<int16_t>> m_blocks; ///< queued, not yet taken
    size_t m_frontOffset = 0;                  ///< elements of the front block already taken
    std::deque<int64_t> m_blockEnds;           ///< run position where each unheard block ends
    int64_t m_queuedEnd = 0;                   ///< run position after the last queued block
    int64_t m_written = 0;
    int64_t m_heard = 0;
    int m_finishedUnannounced = 0;
    int m_outstanding = 0; ///< block events raised and not answered with a block

    std::deque<Slice> m_slices; ///< peaks of written audio, by where it ends
    int32_t m_peakLeft = 0;     ///< peaks heard since the last Timer event
    int32_t m_peakRight = 0;
};

} // namespace engine
