#pragma once

#include "engine/api/OutputChoice.h"

#include <cstdint>

namespace engine {

/// What libvorbis is asked for. Bit rates in kbit/s (0 = none); `quality` is the Vorbis
/// quality times 100 (300 = q3.0), or -1 for bit-rate driven encoding.
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

    /// The encoding the user's settings ask for: the quality, the range, or the one bit rate.
    static OggFormat of(const OggSettings &settings);
};

} // namespace engine
