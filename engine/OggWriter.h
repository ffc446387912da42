#pragma once

#include "FileWriter.h"
#include "OutputFormats.h"
#include "SampleConverter.h"

namespace engine {

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
