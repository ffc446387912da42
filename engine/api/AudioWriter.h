#pragma once

#include "engine/api/SampleBlock.h"
#include "engine/api/Status.h"

#include <cstdint>
#include <memory>

namespace engine {

/// An encoder writing one destination. Until finish() succeeds the destination is untouched.
class AudioWriter
{
public:
    virtual ~AudioWriter() = default;
    virtual Status setInputFormat(int32_t sampleRate, int32_t channels) = 0;
    /// What FileReading::exactBits says of the source, for a writer whose depth follows the
    /// source's; before setInputFormat. Other writers ignore it.
    virtual void setSourceBits(int32_t bits) { (void)bits; }
    virtual Status write(const SampleBlock &block) = 0;
    /// What write() would refuse outright (no input format yet, a block of partial frames),
    /// answered without writing anything.
    virtual Status check(const SampleBlock &block) const = 0;
    /// Completes the file and puts it in place of the destination.
    virtual Status finish() = 0;
    /// Drops everything written; the destination stays as it was.
    virtual void discard() = 0;

    /// Where the bytes of a frame do not depend on the frames before it (PCM at the input's
    /// rate: WAV), a writer of this destination's frames from output frame `frame` on, which
    /// another thread may feed while this writer is fed the frames before it: a cut that only
    /// decodes then decodes on two cores. Asked once the input format is set. Its frames join
    /// the file if it finished before this writer finishes, and this writer was given exactly
    /// `frame` frames; otherwise the file ends with this writer's frames. Null where the
    /// format cannot (every encoder). The writer made must not outlive this one.
    virtual std::unique_ptr<AudioWriter> writerFrom(int64_t frame)
    {
        static_cast<void>(frame);
        return nullptr;
    }
};

} // namespace engine
