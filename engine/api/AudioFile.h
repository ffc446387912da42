#pragma once

#include "engine/api/SampleBlock.h"
#include "engine/api/Status.h"

#include <QString>

#include <cstdint>

namespace engine {

/// Reading a source: what the conversion job and the window's player use.
class FileReading
{
public:
    virtual ~FileReading() = default;

    virtual Status openForReading(const QString &path) = 0;
    virtual Result<int32_t> sampleRate() const = 0;
    virtual Result<int32_t> channelCount() const = 0;
    /// Exactly the number of frames a sequential read from the start returns.
    virtual Result<int64_t> length() const = 0;
    /// Afterwards reading returns exactly the frames a sequential read returns from `frame`
    /// on. Answers the reached position (the length for a position past the end).
    virtual Result<int64_t> seek(int64_t frame) = 0;
    /// At most `frames` frames; an empty block at the end.
    virtual Status readBlock(int32_t frames, SampleBlock &block) = 0;
    /// Ends a read.
    virtual Status close() = 0;
    /// The bits each sample of an open lossless source holds (16, 24); 0 for a lossy source
    /// or none open. Writers whose depth follows the source's are told it.
    virtual int32_t exactBits() const { return 0; }
};

/// The audio file object: a source as the window's player or the job reads it.
class AudioFile : public FileReading
{};

} // namespace engine
