#pragma once

#include "engine/api/Status.h"
#include "engine/lossless/CopySupport.h"
#include "engine/write/Mp3HeaderFrame.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace engine {

/// How many bytes before its own data area a frame's main data begins (the bit reservoir).
int mainDataBegin(const MpegHeader &h, const uint8_t *frame);
/// The CRC of a protected frame's header and side information, as stored after the header.
uint16_t mpegHeaderCrc(const MpegHeader &h, const uint8_t *frame);

/// The audio frames of an MP3 file, after ID3v2 and the Xing/Info/VBRI header frame,
/// before ID3v1 and APE tags.
struct Mp3Stream
{
    MpegHeader first;
    /// Where each audio frame starts, and after the last one where it ends.
    std::vector<int64_t> offsets;
    /// Decoded samples the source drops at its start (its LAME header's delay + 529, as
    /// FFmpeg reads it), so the reader's frame 0 is the decode's frame `skip`.
    int64_t skip = 0;
    /// The frame count and end padding of a LAME header that gives both; FFmpeg then keeps
    /// `headerFrames` x samples per frame - delay - padding in all.
    std::optional<int64_t> headerFrames;
    int64_t padding = 0;
    bool variable = false;
    int averageKbps = 0;

    int64_t frameCount() const { return int64_t(offsets.size()) - 1; }
    /// What a full decode returns, where the header frame says it and agrees with the
    /// frames found; nothing where only counting the decoder's output would tell.
    std::optional<int64_t> decodedLength() const
    {
        if (!headerFrames || *headerFrames != frameCount())
            return std::nullopt;
        // `skip` holds the decoder's own delay of 529 as well as the header's.
        const int64_t delay = skip - 529;
        return std::max<int64_t>(0, frameCount() * first.samples - delay - padding);
    }
};

/// Scans every frame; CannotCopy with the reason for a stream that a copy cannot keep
/// exact (free format, a change of rate or channels, another layer).
Result<Mp3Stream> scanMp3(SourceFile &source);

} // namespace engine
