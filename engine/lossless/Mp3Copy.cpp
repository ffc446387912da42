#include "engine/lossless/Mp3Copy.h"

#include "engine/write/DestinationFile.h"

extern "C" {
#include <libavutil/crc.h>
}

#include <QByteArray>
#include <QLocale>

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

/// The decoder's own delay, which the LAME header's delay field leaves out.
constexpr int64_t kDecoderDelay = 529;
/// The 12-bit delay and padding fields.
constexpr int64_t kMaxDelay = 4095;
/// Xing tag, flags, frames, bytes, table of contents, quality; then the LAME tag.
constexpr int kXingBytes = 4 + 4 + 4 + 4 + 100 + 4;
constexpr int kLameBytes = 36;

uint16_t lameCrc(const uint8_t *data, size_t size, uint16_t crc = 0)
{
    return uint16_t(av_crc(av_crc_get_table(AV_CRC_16_ANSI_LE), crc, data, size));
}

void put32(uint8_t *p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

/// A frame header like `model`'s at another bit rate index, without padding.
void writeHeader(uint8_t *p, const uint8_t *model, int bitrateIndex, bool protect)
{
    p[0] = 0xFF;
    p[1] = uint8_t((model[1] & 0xFE) | (protect ? 0 : 1));
    p[2] = uint8_t(bitrateIndex << 4 | (model[2] & 0x0C));
    p[3] = model[3];
}

/// What the copy holds, in the source's frames.
struct Plan
{
    int64_t firstFrame = 0; ///< the first copied frame (pre-roll included)
    int64_t beginFrame = 0; ///< the frame holding Begin
    int64_t lastFrame = 0;  ///< the frame holding the last selected sample
    int64_t delay = 0;      ///< the LAME header's delay
    int64_t endTrim = 0;    ///< samples of the last frame after End
};

/// The silent frame in front of the copy: side information of zeros (main data begins here,
/// no granule has bits), its data area ending with the bytes the next frame reaches back
/// into. At the highest bit rate index, so those up to 511 bytes always fit.
QByteArray carrierFrame(const MappedSource &source, const Mp3Stream &stream, int64_t firstFrame)
{
    const uint8_t *model = source.data() + stream.offsets[size_t(firstFrame)];
    const MpegHeader h = *parseMpegHeader(model);
    QByteArray frame(mpegFrameBytes(h, 14), '\0');
    auto *p = reinterpret_cast<uint8_t *>(frame.data());
    writeHeader(p, model, 14, h.crc);
    if (h.crc) {
        const uint16_t crc = mpegHeaderCrc(h, p);
        p[4] = uint8_t(crc >> 8);
        p[5] = uint8_t(crc);
    }
    // The reservoir: the last bytes of the data areas before the first copied frame.
    int64_t wanted = std::min<int64_t>(mainDataBegin(h, model), frame.size() - h.dataStart());
    uint8_t *fill = p + frame.size();
    for (int64_t k = firstFrame - 1; k >= 0 && wanted > 0; --k) {
        const uint8_t *f = source.data() + stream.offsets[size_t(k)];
        const MpegHeader fh = *parseMpegHeader(f);
        const int64_t area = std::max(0, fh.bytes - fh.dataStart());
        const int64_t take = std::min(area, wanted);
        fill -= take;
        std::memcpy(fill, f + fh.bytes - take, size_t(take));
        wanted -= take;
    }
    return frame;
}

/// The Xing frame with a LAME tag, for `frames` audio frames after it in `totalBytes`.
QByteArray headerFrame(const uint8_t *model, const std::vector<int64_t> &frameOffsets,
                       int64_t totalBytes, const Plan &plan, uint16_t musicCrc)
{
    const MpegHeader h = *parseMpegHeader(model);
    int index = 1;
    while (index < 14 && mpegFrameBytes(h, index) < 4 + h.sideInfoBytes + kXingBytes + kLameBytes)
        ++index;
    QByteArray frame(mpegFrameBytes(h, index), '\0');
    auto *p = reinterpret_cast<uint8_t *>(frame.data());
    writeHeader(p, model, index, false);
    uint8_t *x = p + 4 + h.sideInfoBytes;
    std::memcpy(x, "Xing", 4);
    put32(x + 4, 0x0F);
    const int64_t frames = int64_t(frameOffsets.size());
    put32(x + 8, uint32_t(frames));
    put32(x + 12, uint32_t(totalBytes));
    for (int i = 0; i < 100; ++i) {
        const int64_t at = frameOffsets[size_t(frames * i / 100)];
        x[16 + i] = uint8_t(std::min<int64_t>(255, at * 256 / totalBytes));
    }
    put32(x + 116, 0);
    uint8_t *lame = x + kXingBytes;
    std::memcpy(lame, "LAME3.100", 9);
    const uint32_t delays = uint32_t(plan.delay << 12 | (plan.endTrim + kDecoderDelay));
    lame[21] = uint8_t(delays >> 16);
    lame[22] = uint8_t(delays >> 8);
    lame[23] = uint8_t(delays);
    put32(lame + 28, uint32_t(totalBytes));
    lame[32] = uint8_t(musicCrc >> 8);
    lame[33] = uint8_t(musicCrc);
    const uint16_t tagCrc = lameCrc(p, size_t(lame + 34 - p));
    lame[34] = uint8_t(tagCrc >> 8);
    lame[35] = uint8_t(tagCrc);
    return frame;
}

} // namespace

QString describeMp3(const Mp3Stream &stream)
{
    static const char *const modes[] = {"Stereo", "Joint Stereo", "Dual Channel", "Mono"};
    const QString rate = stream.variable
                             ? QStringLiteral("VBR, about %1 Kbps").arg(stream.averageKbps)
                             : QStringLiteral("%1 Kbps").arg(stream.first.kbps);
    return QStringLiteral("MP3 as in the source: %1 Hz, %2, %3")
        .arg(QLocale().toString(stream.first.sampleRate),
             QString::fromLatin1(modes[stream.first.mode]), rate);
}

Status copyMp3(const MappedSource &source, const Mp3Stream &stream, const QString &destPath,
               int64_t begin, int64_t end, const JobCallbacks &callbacks)
{
    const int64_t spf = stream.first.samples;
    const int64_t decoded = stream.frameCount() * spf;
    const int64_t from = std::clamp<int64_t>(begin + stream.skip, 0, decoded);
    const int64_t to = std::clamp<int64_t>(end + stream.skip, from, decoded);
    Plan plan;
    plan.beginFrame = from / spf;
    plan.lastFrame = (to - 1) / spf;
    // FFmpeg lets the end padding of a one-frame selection overwrite the start skip.
    if (to <= from || plan.lastFrame <= plan.beginFrame)
        return Status::cannotCopy(source.path(),
                                  QStringLiteral("the selection lies within one MP3 frame"));
    // The decoder's overlap and synthesis filter reach one granule back: one frame of two
    // granules in MPEG-1, two of one granule in MPEG-2 and 2.5.
    const int64_t preRoll = std::min<int64_t>(plan.beginFrame, stream.first.mpeg1 ? 1 : 2);
    plan.firstFrame = plan.beginFrame - preRoll;
    plan.delay = (1 + preRoll) * spf + from % spf - kDecoderDelay;
    plan.endTrim = (plan.lastFrame + 1) * spf - to;
    if (plan.delay < 0 || plan.delay > kMaxDelay)
        return Status::cannotCopy(source.path(), QStringLiteral("the MP3 delay does not fit"));

    const QByteArray carrier = carrierFrame(source, stream, plan.firstFrame);
    const uint8_t *model = source.data() + stream.offsets[size_t(plan.firstFrame)];
    // A first guess of the header's size; the real one cannot differ, it depends only on
    // the version, rate and mode.
    const int headerBytes = headerFrame(model, {0}, 1, plan, 0).size();

    auto created = DestinationFile::create(destPath);
    if (!created)
        return created.status();
    DestinationFile &out = *created.value();
    if (Status s = out.write(QByteArray(headerBytes, '\0').constData(), headerBytes); !s)
        return s;
    if (Status s = out.write(carrier.constData(), carrier.size()); !s)
        return s;
    uint16_t musicCrc =
        lameCrc(reinterpret_cast<const uint8_t *>(carrier.constData()), size_t(carrier.size()));

    const int64_t copyStart = stream.offsets[size_t(plan.firstFrame)];
    CopyPacer pacer(callbacks, stream.offsets[size_t(plan.lastFrame + 1)] - copyStart);
    // Steps end on frame boundaries, the first one after the frame past Begin, so that a
    // cancelled copy is a finished file with Begin and its end in different frames.
    int64_t next = plan.firstFrame;
    int64_t minimumEnd = std::min(plan.lastFrame, plan.beginFrame + 1);
    bool cancelled = false;
    while (next <= plan.lastFrame && !cancelled) {
        int64_t stop = next;
        const int64_t stepStart = stream.offsets[size_t(next)];
        while (stop <= plan.lastFrame &&
               (stop <= minimumEnd || stream.offsets[size_t(stop)] - stepStart < kCopyStep))
            ++stop;
        const int64_t bytes = stream.offsets[size_t(stop)] - stepStart;
        const uint8_t *data = source.data() + stepStart;
        if (Status s = out.write(data, bytes); !s)
            return s;
        musicCrc = lameCrc(data, size_t(bytes), musicCrc);
        next = stop;
        cancelled = !pacer.advance(bytes) && next <= plan.lastFrame;
    }
    if (cancelled) {
        // The file ends with the last frame copied, decoded whole.
        plan.lastFrame = next - 1;
        plan.endTrim = 0;
    }

    // The audio frames' places from the header frame's start, for the seek table.
    std::vector<int64_t> frameOffsets;
    frameOffsets.reserve(size_t(plan.lastFrame - plan.firstFrame + 2));
    frameOffsets.push_back(headerBytes);
    for (int64_t k = plan.firstFrame; k <= plan.lastFrame; ++k)
        frameOffsets.push_back(headerBytes + carrier.size() + stream.offsets[size_t(k)] -
                               copyStart);
    const int64_t total = out.position();
    const QByteArray header = headerFrame(model, frameOffsets, total, plan, musicCrc);
    return finishCopy(out, header, pacer);
}

} // namespace engine
