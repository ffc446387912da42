#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace engine {

/// One MPEG audio Layer III frame header.
struct MpegHeader
{
    bool mpeg1 = true;
    int bitrateIndex = 0; ///< 0: free format
    int rateIndex = 0;
    int sampleRate = 0;
    int kbps = 0;
    int mode = 0; ///< 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool crc = false;
    int bytes = 0;
    int samples = 0;
    int sideInfoBytes = 0;

    int dataStart() const { return 4 + (crc ? 2 : 0) + sideInfoBytes; }
    bool mono() const { return mode == 3; }
};

/// The header at `p` (four bytes); nothing unless it is a Layer III header with a valid rate.
std::optional<MpegHeader> parseMpegHeader(const uint8_t *p);
/// The bytes of a frame with the same version and rate at another bit rate index.
int mpegFrameBytes(const MpegHeader &h, int bitrateIndex);

/// The CRC-16 a LAME tag keeps of the music and of itself; `crc` continues an earlier one.
uint16_t lameCrc(const uint8_t *data, size_t size, uint16_t crc = 0);

/// What the Xing frame with a LAME tag says about the frames after it.
struct Mp3HeaderFields
{
    /// Where each frame after the header frame starts, counted from where `totalBytes`
    /// counts: the seek table is made from them, their number is the frame count.
    std::vector<int64_t> frameOffsets;
    int64_t totalBytes = 0; ///< the bytes the header counts (readers derive a bit rate)
    int64_t delay = 0;      ///< samples decoders drop at the start, their own delay left out
    int64_t padding = 0;    ///< samples decoders drop at the end
    uint16_t musicCrc = 0;  ///< lameCrc() of the frames after the header frame
};

/// The 12-bit limit of the delay and padding fields.
inline constexpr int64_t kMaxMp3Delay = 4095;

/// A Xing frame with a LAME tag, shaped like the frame header `model` (version, rate,
/// mode) at the lowest bit rate whose frame holds both: FFmpeg and mpg123 trim `delay` and
/// `padding` by it, so the decode has exactly the samples meant. LAME writes none where its
/// own frames are too small for it (CBR at low rates).
QByteArray mp3HeaderFrame(const uint8_t *model, const Mp3HeaderFields &fields);
/// The size mp3HeaderFrame() gives for frames like `model`: it depends on nothing else.
int mp3HeaderFrameBytes(const uint8_t *model);

} // namespace engine
