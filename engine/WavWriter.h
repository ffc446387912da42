#pragma once

#include "FileWriter.h"
#include "SampleConverter.h"

namespace engine {

/// The PCM layout of WAV output.
struct WavFormat
{
    int32_t sampleRate = 44100;
    int16_t channels = 2;
    int32_t bitsPerSample = 16;

    /// 8-bit unsigned or 16-bit signed, 8,000 to 48,000 Hz, mono or stereo.
    bool isValid() const;
};

/// Plain RIFF WAVE: a 44-byte header whose sizes are filled in when the file is complete.
class WavWriter : public FileWriter
{
public:
    static Result<std::unique_ptr<AudioWriter>> create(const QString &path,
                                                       const WavFormat &format);

private:
    WavWriter(std::unique_ptr<DestinationFile> file, const WavFormat &format);
    Status start(int rate, int channels) override;
    Status encode(const float *samples, int frames) override;
    Status complete() override;
    Status writeHeader(uint32_t dataBytes);
    Status writeConverted(int frames);

    WavFormat m_format;
    std::unique_ptr<SampleConverter> m_converter;
    uint64_t m_dataBytes = 0;
};

} // namespace engine
