#include "engine/lossless/Mp3Frames.h"

extern "C" {
#include <libavutil/crc.h>
}

#include <cstring>

namespace engine {

namespace {

constexpr int kBitratesMpeg1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                    112, 128, 160, 192, 224, 256, 320, 0};
constexpr int kBitratesMpeg2[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                    64, 80, 96, 112, 128, 144, 160, 0};
constexpr int kRates[3] = {44100, 48000, 32000};

/// The encoder delay FFmpeg adds to the LAME header's value: the decoder's own delay.
constexpr int64_t kDecoderDelay = 529;

/// Size of an ID3v2 tag at `p` (header, body and footer), 0 if there is none.
int64_t id3v2Size(const uint8_t *p, int64_t available)
{
    if (available < 10 || std::memcmp(p, "ID3", 3) != 0)
        return 0;
    const int64_t body = int64_t(p[6] & 0x7F) << 21 | int64_t(p[7] & 0x7F) << 14 |
                         int64_t(p[8] & 0x7F) << 7 | int64_t(p[9] & 0x7F);
    return 10 + body + ((p[5] & 0x10) ? 10 : 0);
}

/// Where the audio ends: before an ID3v1 tag and an APEv2 tag in front of it.
int64_t audioEnd(const MappedSource &source)
{
    const uint8_t *d = source.data();
    int64_t end = source.size();
    if (end >= 128 && std::memcmp(d + end - 128, "TAG", 3) == 0)
        end -= 128;
    if (end >= 32 && std::memcmp(d + end - 32, "APETAGEX", 8) == 0) {
        const int64_t tag = readLittleEndian32(d + end - 32 + 12);
        const bool header = d[end - 32 + 23] & 0x80;
        end -= std::min<int64_t>(end, tag + (header ? 32 : 0));
    }
    return end;
}

/// Whether the first frame is a header frame (Xing/Info or VBRI) that decoders skip, and
/// the start trimming its LAME header asks for; the rules FFmpeg's demuxer applies.
bool readHeaderFrame(const MpegHeader &h, const uint8_t *frame, int64_t &skip)
{
    const uint8_t *tag = frame + 4 + h.sideInfoBytes;
    if (std::memcmp(tag, "Xing", 4) == 0 || std::memcmp(tag, "Info", 4) == 0) {
        const uint32_t flags = readBigEndian32(tag + 4);
        const uint8_t *p = tag + 8;
        uint32_t frames = 0;
        uint32_t bytes = 0;
        if (flags & 1) {
            frames = readBigEndian32(p);
            p += 4;
        }
        if (flags & 2) {
            bytes = readBigEndian32(p);
            p += 4;
        }
        if (flags & 4)
            p += 100;
        if (flags & 8)
            p += 4;
        if (p + 24 <= frame + h.bytes &&
            (std::memcmp(p, "LAME", 4) == 0 || std::memcmp(p, "Lavf", 4) == 0 ||
             std::memcmp(p, "Lavc", 4) == 0)) {
            const uint32_t delays = uint32_t(p[21]) << 16 | uint32_t(p[22]) << 8 | p[23];
            skip = int64_t(delays >> 12) + kDecoderDelay;
        }
        return frames != 0 || bytes != 0;
    }
    const uint8_t *vbri = frame + 36;
    if (h.bytes >= 36 + 18 && std::memcmp(vbri, "VBRI", 4) == 0 && vbri[4] == 0 && vbri[5] == 1)
        return readBigEndian32(vbri + 10) != 0 || readBigEndian32(vbri + 14) != 0;
    return false;
}

} // namespace

std::optional<MpegHeader> parseMpegHeader(const uint8_t *p)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int version = (p[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layer = (p[1] >> 1) & 3;   // 1: Layer III
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 15 || rateIndex == 3 || (p[3] & 3) == 2)
        return std::nullopt;
    MpegHeader h;
    h.mpeg1 = version == 3;
    h.bitrateIndex = bitrateIndex;
    h.rateIndex = rateIndex;
    h.sampleRate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    h.kbps = (h.mpeg1 ? kBitratesMpeg1 : kBitratesMpeg2)[bitrateIndex];
    h.mode = p[3] >> 6;
    h.crc = !(p[1] & 1);
    h.samples = h.mpeg1 ? 1152 : 576;
    h.sideInfoBytes = h.mpeg1 ? (h.mono() ? 17 : 32) : (h.mono() ? 9 : 17);
    h.bytes = bitrateIndex == 0 ? 0 : mpegFrameBytes(h, bitrateIndex) + ((p[2] >> 1) & 1);
    return h;
}

int mpegFrameBytes(const MpegHeader &h, int bitrateIndex)
{
    const int kbps = (h.mpeg1 ? kBitratesMpeg1 : kBitratesMpeg2)[bitrateIndex];
    return (h.mpeg1 ? 144000 : 72000) * kbps / h.sampleRate;
}

int mainDataBegin(const MpegHeader &h, const uint8_t *frame)
{
    const uint8_t *side = frame + 4 + (h.crc ? 2 : 0);
    return h.mpeg1 ? (side[0] << 1 | side[1] >> 7) : side[0];
}

uint16_t mpegHeaderCrc(const MpegHeader &h, const uint8_t *frame)
{
    const AVCRC *table = av_crc_get_table(AV_CRC_16_ANSI);
    uint32_t crc = av_crc(table, 0xFFFF, frame + 2, 2);
    crc = av_crc(table, crc, frame + 6, size_t(h.sideInfoBytes));
    // FFmpeg's table for a CRC that is not reflected keeps its bytes swapped.
    return uint16_t((crc & 0xFF) << 8 | (crc >> 8 & 0xFF));
}

Result<Mp3Stream> scanMp3(const MappedSource &source)
{
    const uint8_t *d = source.data();
    const int64_t end = audioEnd(source);
    const QString &path = source.path();
    int64_t at = 0;
    while (const int64_t tag = id3v2Size(d + at, end - at))
        at += tag;
    // The first frame: a header whose next header follows where it says, as the demuxer
    // looks for it.
    std::optional<MpegHeader> first;
    for (const int64_t limit = std::min(end - 4, at + (1 << 16)); at < limit; ++at) {
        first = parseMpegHeader(d + at);
        if (!first)
            continue;
        if (first->bitrateIndex == 0)
            return Status::cannotCopy(path, QStringLiteral("a free-format MP3"));
        if (at + first->bytes + 4 <= end) {
            const auto next = parseMpegHeader(d + at + first->bytes);
            if (next && next->sampleRate == first->sampleRate)
                break;
        }
        first.reset();
    }
    if (!first)
        return Status::cannotCopy(path, QStringLiteral("not an MPEG Layer III file"));

    Mp3Stream stream;
    if (first->bytes >= 4 + first->sideInfoBytes + 8 &&
        readHeaderFrame(*first, d + at, stream.skip))
        at += first->bytes;
    int64_t kbpsSum = 0;
    while (at + 4 <= end) {
        const auto h = parseMpegHeader(d + at);
        if (!h)
            break;
        if (h->bitrateIndex == 0)
            return Status::cannotCopy(path, QStringLiteral("a free-format MP3"));
        if (at + h->bytes > end)
            break;
        if (stream.offsets.empty())
            stream.first = *h;
        else if (h->sampleRate != stream.first.sampleRate)
            return Status::cannotCopy(path, QStringLiteral("the MP3 changes its sample rate"));
        else if (h->mono() != stream.first.mono())
            return Status::cannotCopy(path,
                                      QStringLiteral("the MP3 changes between mono and stereo"));
        stream.variable = stream.variable || h->bitrateIndex != stream.first.bitrateIndex;
        kbpsSum += h->kbps;
        stream.offsets.push_back(at);
        at += h->bytes;
    }
    // Anything but a short remainder after the last frame is damage the decoder would skip
    // over, and its frames would then no longer be where the count says.
    if (stream.offsets.empty() || end - at > (1 << 12))
        return Status::cannotCopy(path, QStringLiteral("the MP3 frames are damaged"));
    stream.offsets.push_back(at);
    stream.averageKbps = int((kbpsSum + stream.frameCount() / 2) / stream.frameCount());
    return stream;
}

} // namespace engine
