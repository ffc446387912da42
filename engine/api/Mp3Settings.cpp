#include "engine/api/Mp3Settings.h"

#include <array>
#include <cstddef>

namespace engine {

namespace {

// The named presets, modelled on LAME's historical ones but held to the values the MP3
// dialog offers (its rate, bit rate, quality and ABR lists). Rate and bit rate grow from
// telephone to studio; the VBR fields are what a user switching VBR on would start from.
// R3Mix is the one VBR preset: new VBR, quality 1, 96 to 224 kbit/s. The low presets use
// the smallest bit rate whose frames can hold the LAME header (LAME leaves the header out
// of smaller CBR frames), so that every preset gives files of the exact length.
constexpr std::array<Mp3Settings, 11> kPresets = [] {
    auto preset = [](int32_t rate, int32_t channels, int32_t mode, int32_t kbps, int16_t quality,
                     int32_t maxVbr) {
        Mp3Settings s;
        s.sampleRate = rate;
        s.channels = channels;
        s.channelMode = mode;
        s.bitrate = kbps;
        s.quality = quality;
        s.vbrMethod = Mp3Settings::VbrNone;
        s.maxVbrBitrate = maxVbr;
        s.vbrQuality = 4;
        s.abrBitrate = int16_t(kbps);
        s.writeVbrHeader = true;
        s.strictMinimum = false;
        return s;
    };
    using S = Mp3Settings;
    std::array<Mp3Settings, 11> table = {
        preset(8000, 1, S::JointStereo, 24, 5, 56),    // Phone
        preset(11025, 1, S::JointStereo, 32, 5, 64),   // SW
        preset(16000, 1, S::JointStereo, 48, 5, 96),   // AM
        preset(32000, 2, S::JointStereo, 112, 5, 192), // FM
        preset(24000, 1, S::JointStereo, 64, 5, 112),  // Voice
        preset(44100, 2, S::JointStereo, 112, 5, 256), // Radio
        preset(44100, 2, S::JointStereo, 128, 5, 256), // Tape
        preset(44100, 2, S::JointStereo, 160, 2, 320), // HiFi
        preset(44100, 2, S::Stereo, 192, 2, 320),      // CD
        preset(44100, 2, S::Stereo, 256, 2, 320),      // Studio
        preset(44100, 2, S::JointStereo, 96, 2, 224),  // R3Mix
    };
    Mp3Settings &r3mix = table[S::R3Mix - 1];
    r3mix.vbrMethod = S::VbrNew;
    r3mix.vbrQuality = 1;
    r3mix.abrBitrate = 160;
    return table;
}();

} // namespace

bool Mp3Settings::applyPreset(int32_t preset)
{
    if (preset < Phone || preset > R3Mix)
        return false;
    *this = kPresets[std::size_t(preset - Phone)];
    return true;
}

} // namespace engine
