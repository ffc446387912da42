#pragma once

#include "FileWriter.h"
#include "SampleConverter.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>

namespace engine {

/// The settings of OGG Vorbis output. Bit rates in kbit/s (0 = none); `quality` is the
/// Vorbis quality times 100 (300 = q3.0), or -1 for bit-rate driven encoding.
struct OggFormat
{
    int32_t sampleRate = 44100;
    int32_t channels = 2;
    int32_t kbps = 128;
    int32_t minKbps = 0;
    int32_t maxKbps = 0;
    int32_t quality = -1;

    bool usesQuality() const { return quality != -1; }
    /// libvorbis's own answer: 0 when it can encode this, its error code otherwise.
    int vorbisVerdict() const;
};

/// OGG Vorbis through libvorbis and libogg.
class OggWriter : public FileWriter
{
public:
    static Result<std::unique_ptr<AudioWriter>> create(const QString &path,
                                                       const OggFormat &format);
    ~OggWriter() override;

private:
    struct Vorbis;

    OggWriter(std::unique_ptr<DestinationFile> file, const OggFormat &format);
    Status start(int rate, int channels) override;
    Status encode(const float *samples, int frames) override;
    Status complete() override;
    Status submit(const float *samples, int frames, bool flush);
    Status drain();
    Status writePages(bool flush);

    OggFormat m_format;
    std::unique_ptr<SampleConverter> m_converter;
    std::unique_ptr<Vorbis> m_vorbis;
};

} // namespace engine
