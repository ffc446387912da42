#pragma once

#include <cstdint>

namespace engine {

/// The MP3 encoder settings object: a plain value holder. It keeps exactly what was set;
/// the MP3 writer clamps into LAME's ranges only when it configures the encoder.
class Mp3Settings
{
public:
    enum ChannelMode : int32_t
    {
        Stereo = 1,
        JointStereo = 2,
        ForcedJointStereo = 3,
        DualChannel = 4
    };
    enum VbrMethod : int32_t
    {
        VbrNone = -1,
        VbrDefault = 0,
        VbrOld = 1,
        VbrNew = 2,
        VbrMtrh = 3,
        VbrAbr = 4
    };
    enum Preset : int32_t
    {
        Phone = 1,
        Sw,
        Am,
        Fm,
        Voice,
        Radio,
        Tape,
        HiFi,
        Cd,
        Studio,
        R3Mix
    };

    int32_t sampleRate = 44100;
    int32_t channels = 2;
    int32_t channelMode = JointStereo;
    int32_t bitrate = 128;
    int16_t quality = 5;
    int32_t vbrMethod = VbrNone;
    int32_t maxVbrBitrate = 320;
    int16_t vbrQuality = 4;
    int16_t abrBitrate = 128;
    bool writeVbrHeader = true;
    bool strictMinimum = false;

    /// Write-only preset: afterwards every property reads back the preset's values.
    /// Returns false (and changes nothing) for a number outside 1..11.
    bool applyPreset(int32_t preset);

    bool operator==(const Mp3Settings &) const = default;
};

} // namespace engine
