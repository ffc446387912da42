#pragma once

// Where the FFmpeg versions we build against (5.1 to 7.1) differ in an API we use, the
// difference is named here once.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>

namespace engine {

// libavformat 61 (FFmpeg 7.0) hands the bytes to an AVIO write callback as const.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
using AvioWriteBytes = const uint8_t *;
#else
using AvioWriteBytes = uint8_t *;
#endif

/// The sample formats an encoder takes, ending in AV_SAMPLE_FMT_NONE; null when it does not
/// say. libavcodec 61.13 (FFmpeg 7.1) asks for them by a call instead of a field.
inline const AVSampleFormat *encoderSampleFormats(const AVCodec &codec)
{
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(61, 13, 100)
    const void *formats = nullptr;
    if (avcodec_get_supported_config(nullptr, &codec, AV_CODEC_CONFIG_SAMPLE_FORMAT, 0, &formats,
                                     nullptr) < 0)
        return nullptr;
    return static_cast<const AVSampleFormat *>(formats);
#else
    return codec.sample_fmts;
#endif
}

} // namespace engine
