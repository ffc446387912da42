#pragma once

#include "engine/encode/OutputFormats.h"
#include "engine/write/FileWriter.h"
#include "engine/write/SampleConverter.h"

#include <mutex>

namespace engine {

/// Plain RIFF WAVE: a 44-byte header whose sizes are filled in when the file is complete.
/// At the input's rate a frame's bytes depend on nothing before it, so a later stretch of
/// the data can be written at its place by another thread (`writerFrom`).
class WavWriter : public FileWriter
{
public:
    static Result<std::unique_ptr<AudioWriter>> create(const QString &path,
                                                       const WavSettings &format);
    std::unique_ptr<AudioWriter> writerFrom(int64_t frame) override;

private:
    class Stretch;
    /// The later stretch as its writer left it; shared with that writer's thread.
    struct Later
    {
        std::mutex mutex;
        bool made = false;
        bool finished = false;
        uint64_t fromByte = 0; ///< into the data chunk
        uint64_t bytes = 0;
    };

    WavWriter(std::unique_ptr<DestinationFile> file, const WavSettings &format);
    Status start(int rate, int channels) override;
    Status encode(const float *samples, int frames) override;
    Status complete() override;
    Status writeHeader(uint32_t dataBytes);
    Status writeConverted(int frames);
    Result<std::unique_ptr<SampleConverter>> converterFrom(int rate, int channels) const;
    uint64_t bytesOf(int64_t frames) const;

    WavSettings m_format;
    std::unique_ptr<SampleConverter> m_converter;
    uint64_t m_dataBytes = 0;
    Later m_later;
};

} // namespace engine
