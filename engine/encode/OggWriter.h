#pragma once

#include "engine/encode/OutputFormats.h"
#include "engine/write/FileWriter.h"
#include "engine/write/SampleConverter.h"

struct vorbis_info;

namespace engine {

/// Sets `info` up for encoding `format`: 0, or libvorbis's error code.
int setUpVorbis(vorbis_info *info, const OggFormat &format);

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
