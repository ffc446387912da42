#pragma once

#include "engine/api/Mp3Settings.h"
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
};

/// Writing a destination in the format last selected: what the conversion job uses.
class FileWriting
{
public:
    virtual ~FileWriting() = default;

    virtual Status createForWriting(const QString &path) = 0;
    virtual Status setInputFormat(int32_t sampleRate, int32_t channels) = 0;
    virtual Status writeBlock(const SampleBlock &block) = 0;
    /// Finishes a written file and puts it in place of the destination.
    virtual Status close() = 0;
    /// Abandons a file being written: the destination stays exactly as it was.
    virtual void discard() = 0;
};

/// Choosing what the next created file is encoded as: what the option dialogs use.
class OutputSelection
{
public:
    virtual ~OutputSelection() = default;

    virtual Status setDefaultOutputFormat(int32_t sampleRate, int32_t kbps, int32_t channels) = 0;
    virtual Status selectMp3Output(const Mp3Settings &settings) = 0;
    virtual Status selectWavOutput(int32_t sampleRate, int16_t channels, int32_t bitsPerSample) = 0;
    /// False: libvorbis cannot encode that combination. Rates in kbit/s, 0 = none.
    virtual Result<bool> checkOggFormat(int32_t sampleRate, int32_t channels, int32_t kbps,
                                        int32_t minKbps, int32_t maxKbps) = 0;
    /// `quality` is the quality times 100, or -1 for bit-rate driven encoding.
    virtual Status selectOggOutput(int32_t sampleRate, int32_t channels, int32_t kbps,
                                   int32_t minKbps, int32_t maxKbps, int32_t quality) = 0;
    virtual Status selectWmaProfile(int32_t profile) = 0;
    /// One line describing the current (last) output selection.
    virtual Result<QString> formatDescription() const = 0;
};

/// The audio file object: one object that can read, write and carry an output selection,
/// as the window holds it. Code that needs one role takes that role only.
class AudioFile : public FileReading, public FileWriting, public OutputSelection
{
public:
    /// Ends a read, or finishes a written file and puts it in place of the destination.
    Status close() override = 0;
};

} // namespace engine
