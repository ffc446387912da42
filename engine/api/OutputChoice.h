#pragma once

#include "engine/api/Mp3Settings.h"
#include "engine/api/OutputFormatTable.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace engine {

/// The PCM layout of WAV output.
struct WavSettings
{
    int32_t sampleRate = 44100;
    int16_t channels = 2;
    int32_t bitsPerSample = 16;

    /// 8-bit unsigned or 16-bit signed, 8,000 to 48,000 Hz, mono or stereo.
    bool isValid() const;
    bool operator==(const WavSettings &) const = default;
};

/// The OGG Vorbis settings as the user set them: one of three ways to drive the encoder (a
/// quality, a bit-rate range, one bit rate), and the values of the other two kept for when
/// they are chosen again. Bit rates in kbit/s.
struct OggSettings
{
    int32_t sampleRate = 44100;
    int32_t channels = 2;
    int32_t bitrate = 128;
    int32_t minBitrate = 128;
    int32_t maxBitrate = 128;
    /// The Vorbis quality times 100 (300 = q3.0).
    int32_t quality = 300;
    bool vbr = false;
    bool useQuality = false;

    /// Mono or stereo at 8,000 to 48,000 Hz, a quality of 0 to 10.
    bool isValid() const;
    bool operator==(const OggSettings &) const = default;
};

/// FLAC: lossless, so only the layout and the effort are chosen.
struct FlacSettings
{
    /// 0: the source's rate, or its channel count.
    int32_t sampleRate = 0;
    int32_t channels = 0;
    /// 16 or 24; 0: the source's (16 for a lossy source).
    int32_t bitsPerSample = 0;
    /// 0 (fastest) to 8 (smallest).
    int32_t level = 5;

    bool isValid() const;
    bool operator==(const FlacSettings &) const = default;
};

/// Opus: always 48,000 Hz; a bit rate and how it may vary.
struct OpusSettings
{
    enum Mode : int32_t
    {
        Vbr = 0,
        ConstrainedVbr = 1,
        Cbr = 2
    };
    int32_t channels = 2;
    /// 6 to 510 kbit/s; libopus takes at most 256 a channel.
    int32_t bitrate = 128;
    int32_t mode = Vbr;
    /// Tuned for speech rather than music.
    bool voice = false;

    bool isValid() const;
    bool operator==(const OpusSettings &) const = default;
};

/// AAC in an MP4 file.
struct M4aSettings
{
    int32_t sampleRate = 44100;
    int32_t channels = 2;
    /// 32 to 320 kbit/s.
    int32_t bitrate = 192;
    /// Saved as a ringtone: the same file under the .m4r extension phones look for.
    bool ringtone = false;

    bool isValid() const;
    bool operator==(const M4aSettings &) const = default;
};

/// What is done to a part's sound before it is written: fades at its ends and a gain that
/// brings it to a loudness, and for copies ReplayGain tags instead. Everything off by default,
/// and then a cut runs as fast as without it.
struct ShapeSettings
{
    /// From the part's first frame; a fade longer than half the part takes half of it.
    double fadeInSeconds = 0;
    /// To the part's last frame, clamped the same way.
    double fadeOutSeconds = 0;
    /// Quarter-sine fades, which keep the sum of a cross-fade's powers even; linear otherwise.
    bool equalPower = false;
    /// The EBU R128 integrated loudness the part is brought to, in LUFS (-14, -16, -23), with
    /// the true peak kept at or below -1 dBTP; none leaves the level as it is.
    std::optional<double> normaliseLufs;
    /// ReplayGain 2.0 track gain and peak written into a copied file's tags.
    bool gainTags = false;

    /// Anything that changes the samples written (fades or a loudness).
    bool isActive() const;
    bool operator==(const ShapeSettings &) const = default;
};

inline constexpr int32_t kWmaProfileCount = 47;
inline constexpr int32_t kDefaultWmaProfile = 14;

/// Everything that decides what "Cut" writes: the format, the settings of every format (each
/// keeps its own while another is chosen), and the two choices shared by all of them. A plain
/// value: the option dialogs take one and give one back, the settings store keeps it, and the
/// writer, the summary and the destination's extension are made from it.
struct OutputChoice
{
    OutputFormat format = OutputFormat::Mp3;
    Mp3Settings mp3;
    int32_t wmaProfile = kDefaultWmaProfile;
    OggSettings ogg;
    WavSettings wav;
    FlacSettings flac;
    OpusSettings opus;
    M4aSettings m4a;
    /// Copy the coded audio where the source allows it rather than re-encode.
    bool keepEncoding = false;
    bool copyTags = true;
    ShapeSettings shape;

    /// The chosen format's row of the format table.
    const OutputFormatEntry &entry() const;
    /// "mp3": what the destination's name ends in.
    QString extension() const;
    /// The save dialog's filter text and pattern (the ringtone's own for an M4R).
    QString filterText() const;
    QString pattern() const;
    bool operator==(const OutputChoice &) const = default;
};

} // namespace engine
