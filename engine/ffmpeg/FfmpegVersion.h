#pragma once

// Where the FFmpeg versions we build against (5.1 to 7.1) differ in an API we use, the
// difference is named here once.

extern "C" {
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

} // namespace engine
