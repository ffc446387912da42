#pragma once

#include "engine/api/SampleBlock.h"
#include "engine/api/Status.h"

#include <cstdint>

namespace engine {

/// A decoder positioned on one source. Positions are frames of the decoded stream.
class AudioReader
{
public:
    virtual ~AudioReader() = default;
    virtual int32_t sampleRate() const = 0;
    virtual int32_t channelCount() const = 0;
    virtual int64_t length() const = 0;
    virtual Result<int64_t> seek(int64_t frame) = 0;
    virtual Status read(int64_t frames, SampleBlock &block) = 0;
    /// The bits each sample of a lossless source holds (16 for CD audio, 24); 0 for a lossy
    /// source, whose decode has no depth of its own.
    virtual int32_t exactBits() const { return 0; }
};

} // namespace engine
