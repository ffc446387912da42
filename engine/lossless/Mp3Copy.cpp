#include "engine/lossless/Mp3Copy.h"

#include "engine/write/DestinationFile.h"
#include "engine/write/Mp3HeaderFrame.h"

#include <QByteArray>
#include <QLocale>

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

/// The decoder's own delay, which the LAME header's delay field leaves out.
constexpr int64_t kDecoderDelay = 529;

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
Result<QByteArray> carrierFrame(SourceFile &source, const Mp3Stream &stream, int64_t firstFrame)
{
    const int64_t at = stream.offsets[size_t(firstFrame)];
    const auto first = source.view(at, stream.offsets[size_t(firstFrame) + 1] - at);
    if (!first)
        return first.status();
    const uint8_t *model = first.value();
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
        const int64_t start = stream.offsets[size_t(k)];
        const auto f = source.view(start, stream.offsets[size_t(k) + 1] - start);
        if (!f)
            return f.status();
        const MpegHeader fh = *parseMpegHeader(f.value());
        const int64_t area = std::max(0, fh.bytes - fh.dataStart());
        const int64_t take = std::min(area, wanted);
        fill -= take;
        std::memcpy(fill, f.value() + fh.bytes - take, size_t(take));
        wanted -= take;
    }
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

namespace {

/// The copy written in full, not yet in the destination's place.
Result<std::unique_ptr<DestinationFile>> writeMp3(SourceFile &source, const Mp3Stream &stream,
                                                  const QString &destPath, int64_t begin,
                                                  int64_t end, const JobCallbacks &callbacks,
                                                  const QByteArray &tags)
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
    if (plan.delay < 0 || plan.delay > kMaxMp3Delay)
        return Status::cannotCopy(source.path(), QStringLiteral("the MP3 delay does not fit"));

    const auto carried = carrierFrame(source, stream, plan.firstFrame);
    if (!carried)
        return carried.status();
    const QByteArray &carrier = carried.value();
    uint8_t model[4];
    if (Status s = source.read(stream.offsets[size_t(plan.firstFrame)], model, 4); !s)
        return s;
    const int headerBytes = mp3HeaderFrameBytes(model);

    auto created = DestinationFile::create(destPath);
    if (!created)
        return created;
    DestinationFile &out = *created.value();
    if (Status s = out.write(tags.constData(), tags.size()); !s)
        return s;
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
        const auto data = source.view(stepStart, bytes);
        if (!data)
            return data.status();
        if (Status s = out.write(data.value(), bytes); !s)
            return s;
        musicCrc = lameCrc(data.value(), size_t(bytes), musicCrc);
        next = stop;
        cancelled = !pacer.advance(bytes) && next <= plan.lastFrame;
    }
    if (cancelled) {
        // The file ends with the last frame copied, decoded whole.
        plan.lastFrame = next - 1;
        plan.endTrim = 0;
    }

    // The audio frames' places from the header frame's start, for the seek table.
    Mp3HeaderFields fields;
    fields.frameOffsets.reserve(size_t(plan.lastFrame - plan.firstFrame + 2));
    fields.frameOffsets.push_back(headerBytes);
    for (int64_t k = plan.firstFrame; k <= plan.lastFrame; ++k)
        fields.frameOffsets.push_back(headerBytes + carrier.size() + stream.offsets[size_t(k)] -
                                      copyStart);
    fields.totalBytes = out.position() - tags.size();
    fields.delay = plan.delay;
    // The decoder's delay moves the end as well: the padding covers it.
    fields.padding = plan.endTrim + kDecoderDelay;
    fields.musicCrc = musicCrc;
    if (Status s = completeCopy(out, mp3HeaderFrame(model, fields), pacer, tags.size()); !s)
        return s;
    return created;
}

} // namespace

Status copyMp3(SourceFile &source, const Mp3Stream &stream, const QString &destPath, int64_t begin,
               int64_t end, const JobCallbacks &callbacks, const QByteArray &tags)
{
    return commitWritten(writeMp3(source, stream, destPath, begin, end, callbacks, tags));
}

namespace {

class Mp3CopySource : public CopySource
{
public:
    Mp3CopySource(std::unique_ptr<SourceFile> source, Mp3Stream stream)
        : m_source(std::move(source)), m_stream(std::move(stream))
    {}
    std::optional<int64_t> length() const override { return m_stream.decodedLength(); }
    int32_t sampleRate() const override { return m_stream.first.sampleRate; }
    /// An empty ID3v2.3 tag: a copy's MP3 carries no tag of the source's.
    QByteArray tagHeader() const override { return QByteArray("ID3\x03\0\0\0\0\0\0", 10); }
    Status copy(const QString &destPath, int64_t begin, int64_t end, const QByteArray &tags,
                const JobCallbacks &callbacks) override
    {
        return copyMp3(*m_source, m_stream, destPath, begin, end, callbacks, tags);
    }
    Result<std::unique_ptr<UnfinishedCopy>> write(const QString &destPath, int64_t begin,
                                                  int64_t end, const QByteArray &tags,
                                                  const JobCallbacks &callbacks) override
    {
        return leaveUnfinished(
            writeMp3(*m_source, m_stream, destPath, begin, end, callbacks, tags));
    }

private:
    std::unique_ptr<SourceFile> m_source;
    Mp3Stream m_stream;
};

} // namespace

std::unique_ptr<CopySource> prepareMp3(std::unique_ptr<SourceFile> source, Mp3Stream stream)
{
    return std::make_unique<Mp3CopySource>(std::move(source), std::move(stream));
}

} // namespace engine
