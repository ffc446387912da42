#pragma once

#include "engine/api/AudioWriter.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace engine {

/// Runs another writer's encoding on a thread of its own, so that the caller's decoding of
/// the next block overlaps the encoding of this one (the encoder is the slow half of a cut).
/// A few blocks wait at most, so memory stays flat. The first block is written on the
/// caller's thread (so a refused set-up answers at once), and blocks the writer would refuse
/// outright are refused before queueing; a failure while encoding is answered by the next
/// write or by finish(), never lost. Any failure stays the answer: a writer that refused a
/// block or its set-up never finishes as if it had written everything. After finish() or
/// discard() the thread is gone and the
/// other writer is used from the caller's thread alone.
class BackgroundWriter : public AudioWriter
{
public:
    explicit BackgroundWriter(std::unique_ptr<AudioWriter> writer);
    ~BackgroundWriter() override;

    Status setInputFormat(int32_t sampleRate, int32_t channels) override;
    void setSourceBits(int32_t bits) override
    {
        if (!m_started)
            m_writer->setSourceBits(bits);
    }
    Status write(const SampleBlock &block) override;
    Status check(const SampleBlock &block) const override;
    Status finish() override;
    void discard() override;
    /// The other writer's own, fed on the caller's thread: it writes beside the queue.
    std::unique_ptr<AudioWriter> writerFrom(int64_t frame) override;

private:
    void run();
    /// Ends the thread; with `drop` the blocks still waiting are not written.
    void stop(bool drop);
    /// Keeps `failure` as the answer to every later call, and gives it back.
    Status keep(const Status &failure);

    std::unique_ptr<AudioWriter> m_writer;
    bool m_started = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<SampleBlock> m_waiting;
    bool m_closing = false;
    bool m_dropping = false;
    Status m_failure;
    std::thread m_thread;
};

} // namespace engine
