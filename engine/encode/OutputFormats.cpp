#include "engine/encode/OutputFormats.h"

#include "engine/encode/OggWriter.h"

#include <vorbis/codec.h>

#include <memory>

namespace engine {

OggFormat OggFormat::of(const OggSettings &settings)
{
    if (settings.useQuality)
        return {settings.sampleRate, settings.channels, 128, 0, 0, settings.quality};
    return {settings.sampleRate,
            settings.channels,
            settings.bitrate,
            settings.vbr ? settings.minBitrate : 0,
            settings.vbr ? settings.maxBitrate : 0,
            -1};
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
