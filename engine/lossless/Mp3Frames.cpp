#include "engine/lossless/Mp3Frames.h"

extern "C" {
#include <libavutil/crc.h>
}

#include <cstring>

namespace engine {

namespace {

/// The encoder delay FFmpeg adds to the LAME header's value: the decoder's own delay.
constexpr int64_t kDecoderDelay = 529;

/// Where the audio ends: before an ID3v1 tag and an APEv2 tag in front of it.
Result<int64_t> audioEnd(SourceFile &source)
{
    int64_t end = source.size();
    if (end >= 128) {
        const auto tail = source.view(end - 128, 128);
        if (!tail)
            return tail.status();
        if (std::memcmp(tail.value(), "TAG", 3) == 0)
            end -= 128;
    }
    if (end >= 32) {
        const auto footer = source.view(end - 32, 32);
        if (!footer)
            return footer.status();
        const uint8_t *f = footer.value();
        if (std::memcmp(f, "APETAGEX", 8) == 0) {
            const int64_t tag = readLittleEndian32(f + 12);
            const bool header = f[23] & 0x80;
            end -= std::min<int64_t>(end, tag + (header ? 32 : 0));
        }
    }
    return end;
}

/// Whether the first frame is a header frame (Xing/Info or VBRI) that decoders skip, and
/// the trimming its LAME header asks for; the rules FFmpeg's demuxer applies.
bool readHeaderFrame(const MpegHeader &h, const uint8_t *frame, Mp3Stream &stream)
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
            stream.skip = int64_t(delays >> 12) + kDecoderDelay;
            // The end is trimmed only where the header counts the frames.
            if (flags & 1) {
                stream.headerFrames = frames;
                stream.padding = int64_t(delays & 0xFFF);
            }
        }
        return frames != 0 || bytes != 0;
    }
    const uint8_t *vbri = frame + 36;
    if (h.bytes >= 36 + 18 && std::memcmp(vbri, "VBRI", 4) == 0 && vbri[4] == 0 && vbri[5] == 1)
        return readBigEndian32(vbri + 10) != 0 || readBigEndian32(vbri + 14) != 0;
    return false;
}

} // namespace

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

Result<Mp3Stream> scanMp3(SourceFile &source)
{
    const QString &path = source.path();
    const auto audioEnds = audioEnd(source);
    if (!audioEnds)
        return audioEnds.status();
    const int64_t end = audioEnds.value();
    // Views of at most `bytes` at `at`, never past the audio's end.
    auto bytesAt = [&](int64_t at, int64_t bytes) {
        return source.view(at, std::max<int64_t>(0, std::min(bytes, end - at)));
    };
    int64_t at = 0;
    for (;;) {
        const auto head = bytesAt(at, 10);
        if (!head)
            return head.status();
        const int64_t tag = id3v2Size(head.value(), std::min<int64_t>(10, end - at));
        if (tag == 0)
            break;
        at += tag;
    }
    // The first frame: a header whose next header follows where it says, as the demuxer
    // looks for it.
    std::optional<MpegHeader> first;
    for (const int64_t limit = std::min(end - 4, at + (1 << 16)); at < limit; ++at) {
        const auto here = source.view(at, 4);
        if (!here)
            return here.status();
        first = parseMpegHeader(here.value());
        if (!first)
            continue;
        if (first->bitrateIndex == 0)
            return Status::cannotCopy(path, QStringLiteral("a free-format MP3"));
        if (at + first->bytes + 4 <= end) {
            const auto following = source.view(at + first->bytes, 4);
            if (!following)
                return following.status();
            const auto next = parseMpegHeader(following.value());
            if (next && next->sampleRate == first->sampleRate)
                break;
        }
        first.reset();
    }
    if (!first)
        return Status::cannotCopy(path, QStringLiteral("not an MPEG Layer III file"));

    Mp3Stream stream;
    if (first->bytes >= 4 + first->sideInfoBytes + 8) {
        const auto frame = source.view(at, first->bytes);
        if (!frame)
            return frame.status();
        if (readHeaderFrame(*first, frame.value(), stream))
            at += first->bytes;
    }
    int64_t kbpsSum = 0;
    while (at + 4 <= end) {
        const auto here = source.view(at, 4);
        if (!here)
            return here.status();
        const auto h = parseMpegHeader(here.value());
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
