#pragma once

#include "engine/encode/OutputFormats.h"
#include "engine/write/FileWriter.h"
#include "engine/write/SampleConverter.h"

namespace engine {

/// Plain RIFF WAVE: a 44-byte header whose sizes are filled in when the file is complete.
class WavWriter : public FileWriter
{
public:
    static Result<std::unique_ptr<AudioWriter>> create(const QString &path,
                                                       const WavSettings &format);

private:
    WavWriter(std::unique_ptr<DestinationFile> file, const WavSettings &format);
    Status start(int rate, int channels) override;
    Status encode(const float *samples, int frames) override;
    Status complete() override;
    Status writeHeader(uint32_t dataBytes);
    Status writeConverted(int frames);

    WavSettings m_format;
    std::unique_ptr<SampleConverter> m_converter;
    uint64_t m_dataBytes = 0;
};

} // namespace engine
