#include "engine/encode/OutputFormats.h"

#include "engine/encode/OggWriter.h"

#include <vorbis/codec.h>

#include <memory>

namespace engine {

bool WavFormat::isValid() const
{
    return sampleRate >= 8000 && sampleRate <= 48000 && (channels == 1 || channels == 2) &&
           (bitsPerSample == 8 || bitsPerSample == 16);
}

int OggFormat::vorbisVerdict() const
{
    if (channels < 1 || sampleRate < 1)
        return OV_EINVAL;
    vorbis_info info;
    vorbis_info_init(&info);
    // Cleared however the set-up ends.
    const std::unique_ptr<vorbis_info, decltype(&vorbis_info_clear)> cleared(&info,
                                                                             vorbis_info_clear);
    return setUpVorbis(&info, *this);
}

} // namespace engine
