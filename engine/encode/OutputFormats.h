#pragma once

#include <cstdint>

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

} // namespace engine
