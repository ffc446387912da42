#pragma once

#include "engine/api/SampleBlock.h"
#include "engine/api/Status.h"

#include <cstdint>

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
};

} // namespace engine
