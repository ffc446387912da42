#pragma once

#include "engine/api/Status.h"
#include "engine/lossless/CopySupport.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace engine {

/// A native FLAC file as far as a copy needs it: STREAMINFO and the blocks a copy keeps.
struct FlacSource
{
    int sampleRate = 0;
    int channels = 0;
    int bits = 0;
    int minBlock = 0;
    int maxBlock = 0;
    int64_t totalSamples = 0; ///< 0 where the encoder did not know it
    QByteArray streamInfo;    ///< the 34 bytes, for the decoder
    /// VORBIS_COMMENT and PICTURE blocks with their headers, in the source's order: the tag
    /// transfer after a copy changes the comment's fields the way it changes an Ogg
    /// Vorbis copy's comment header, and pictures have no other way into the copy.
    std::vector<QByteArray> keptBlocks;
    int64_t firstFrame = 0; ///< the offset of the first frame header
};

/// What the header of one frame says.
struct FlacFrameHeader
{
    int bytes = 0; ///< through the CRC-8
    bool variable = false;
    uint64_t number = 0; ///< the frame's number, or its first sample in a variable stream
    int numberBytes = 0; ///< the coded number's length, from byte 4 on
    int blockSize = 0;
};

/// One frame of the source.
struct FlacFrame
{
    int64_t offset = 0;
    int64_t bytes = 0;
    int64_t sample = 0; ///< its first sample in the stream
    int blockSize = 0;
    FlacFrameHeader header;
    int64_t end() const { return sample + blockSize; }
};

/// The source's STREAMINFO and metadata; CannotCopy with the reason for a FLAC the copy
/// does not take (not 16 or 24 bit), CannotOpen where it is no FLAC.
Result<FlacSource> parseFlac(SourceFile &source);

/// The header at `p` (`available` bytes there), if it is one for `flac`'s stream: sync
/// code, reserved bits, a valid CRC-8 and the stream's channels, rate and sample size.
std::optional<FlacFrameHeader> parseFlacFrameHeader(const uint8_t *p, int64_t available,
                                                    const FlacSource &flac);

/// `frame` with the variable-blocksize bit set, `sample` as its coded number, and both CRCs
/// computed anew.
QByteArray renumberFlacFrame(const uint8_t *frame, int64_t bytes, const FlacFrameHeader &header,
                             int64_t sample);

/// The frames of the source, one after the other. A frame ends where the CRC-16 of its
/// bytes comes out right and the next valid header follows on with the next number.
class FlacFrameScanner
{
public:
    FlacFrameScanner(SourceFile &source, const FlacSource &flac);
    /// The next frame; nothing after the last one.
    Result<std::optional<FlacFrame>> next();

private:
    bool followsOn(const FlacFrame &frame, const FlacFrameHeader &next) const;
    int64_t sampleOf(const FlacFrameHeader &header) const;

    SourceFile &m_source;
    const FlacSource &m_flac;
    int64_t m_at = 0;
    int m_fixedBlock = 0; ///< a fixed-blocksize stream's block, from its first frame
};

} // namespace engine
