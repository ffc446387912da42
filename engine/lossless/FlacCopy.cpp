#include "engine/lossless/FlacCopy.h"

#include "engine/ffmpeg/FfmpegPtr.h"
#include "engine/write/DestinationFile.h"

extern "C" {
#include <libavutil/md5.h>
}

#include <QLocale>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <vector>

namespace engine {

namespace {

struct Md5Deleter
{
    void operator()(AVMD5 *m) const { av_free(m); }
};
using Md5Ptr = std::unique_ptr<AVMD5, Md5Deleter>;

/// The FLAC encoder refuses blocks shorter than this.
constexpr int kMinBlock = 16;
/// Seek points every so many seconds of the copy.
constexpr int kSeekSeconds = 10;
/// Room for the tag transfer that follows a copy, so that it writes the comment in place.
constexpr int kPadding = 8192;

Status codecFailure(const QString &path, const char *what, int code)
{
    return Status::failure(QStringLiteral("Cannot write '%1': the FLAC %2 failed (%3).")
                               .arg(path, QLatin1String(what), averrorText(code)));
}

/// Appends the samples of `frame` to `out` as interleaved values of `bits` bits.
void appendValues(const AVFrame &frame, int bits, std::vector<int32_t> &out)
{
    const int channels = frame.ch_layout.nb_channels;
    const auto format = AVSampleFormat(frame.format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    const bool wide = av_get_bytes_per_sample(format) == 4;
    const int shift = (wide ? 32 : 16) - bits;
    const size_t at = out.size();
    out.resize(at + size_t(frame.nb_samples) * size_t(channels));
    for (int i = 0; i < frame.nb_samples; ++i)
        for (int c = 0; c < channels; ++c) {
            const int plane = planar ? c : 0;
            const int index = planar ? i : i * channels + c;
            const int32_t v = wide ? reinterpret_cast<const int32_t *>(frame.data[plane])[index]
                                   : reinterpret_cast<const int16_t *>(frame.data[plane])[index];
            out[at + size_t(i) * size_t(channels) + size_t(c)] = v >> shift;
        }
}

/// FFmpeg's FLAC decoder over single frames.
class FrameDecoder
{
public:
    static Result<FrameDecoder> open(const FlacSource &flac, bool threaded, const QString &path,
                                     const QString &sourcePath)
    {
        FrameDecoder d;
        d.m_bits = flac.bits;
        d.m_path = path;
        d.m_sourcePath = sourcePath;
        const AVCodec *codec = avcodec_find_decoder(AV_CODEC_ID_FLAC);
        if (!codec)
            return Status::failure(
                QStringLiteral("Cannot write '%1': FFmpeg has no FLAC decoder.").arg(path));
        d.m_context.reset(avcodec_alloc_context3(codec));
        d.m_frame.reset(av_frame_alloc());
        d.m_packet.reset(av_packet_alloc());
        if (!d.m_context || !d.m_frame || !d.m_packet)
            return codecFailure(path, "decoder", AVERROR(ENOMEM));
        // Blocks of the copy may be longer than the source's: the decoder gets the largest.
        QByteArray info = flac.streamInfo;
        info[2] = char(0xFF);
        info[3] = char(0xFF);
        d.m_context->extradata =
            static_cast<uint8_t *>(av_mallocz(size_t(info.size()) + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!d.m_context->extradata)
            return codecFailure(path, "decoder", AVERROR(ENOMEM));
        std::memcpy(d.m_context->extradata, info.constData(), size_t(info.size()));
        d.m_context->extradata_size = int(info.size());
        if (threaded) {
            d.m_context->thread_count = 2;
            d.m_context->thread_type = FF_THREAD_FRAME;
        }
        // Frame CRCs are checked: a frame of the source damaged on the disk must not pass
        // into a copy as if it were sound.
        d.m_context->err_recognition = AV_EF_CRCCHECK | AV_EF_EXPLODE;
        if (const int e = avcodec_open2(d.m_context.get(), codec, nullptr); e < 0)
            return codecFailure(path, "decoder", e);
        return d;
    }

    /// Decodes one frame; what the decoder hands out (at once without threads, later with
    /// them) is appended to `out`.
    Status decode(const uint8_t *data, int64_t bytes, std::vector<int32_t> &out)
    {
        if (const int e = av_new_packet(m_packet.get(), int(bytes)); e < 0)
            return codecFailure(m_path, "decoder", e);
        std::memcpy(m_packet->data, data, size_t(bytes));
        for (;;) {
            const int sent = avcodec_send_packet(m_context.get(), m_packet.get());
            if (sent != AVERROR(EAGAIN)) {
                av_packet_unref(m_packet.get());
                if (sent == AVERROR_INVALIDDATA)
                    return Status::cannotCopy(m_sourcePath,
                                              QStringLiteral("the FLAC stream is damaged"));
                if (sent < 0)
                    return codecFailure(m_path, "decoder", sent);
                return receive(out);
            }
            if (Status s = receive(out); !s)
                return s;
        }
    }

    /// From now on the frames decoded go into `md5` instead of a list of values.
    void hashInto(AVMD5 &md5) { m_md5 = &md5; }
    int64_t hashed() const { return m_hashed; }

    Status drain(std::vector<int32_t> &out)
    {
        if (const int e = avcodec_send_packet(m_context.get(), nullptr); e < 0 && e != AVERROR_EOF)
            return codecFailure(m_path, "decoder", e);
        return receive(out);
    }

private:
    Status receive(std::vector<int32_t> &out)
    {
        for (;;) {
            const int got = avcodec_receive_frame(m_context.get(), m_frame.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return Status::success();
            if (got == AVERROR_INVALIDDATA)
                return Status::cannotCopy(m_sourcePath,
                                          QStringLiteral("the FLAC stream is damaged"));
            if (got < 0)
                return codecFailure(m_path, "decoder", got);
            if (m_md5)
                hash(*m_frame);
            else
                appendValues(*m_frame, m_bits, out);
            av_frame_unref(m_frame.get());
        }
    }

    /// The samples as STREAMINFO's MD5 takes them: little-endian, in whole bytes.
    void hash(const AVFrame &frame)
    {
        const int channels = frame.ch_layout.nb_channels;
        const size_t count = size_t(frame.nb_samples) * size_t(channels);
        m_hashed += frame.nb_samples;
        if (frame.format == AV_SAMPLE_FMT_S16 && std::endian::native == std::endian::little) {
            av_md5_update(m_md5, frame.data[0], count * 2);
            return;
        }
        const int bytes = m_bits / 8;
        m_packed.resize(count * size_t(bytes));
        uint8_t *p = m_packed.data();
        if (frame.format == AV_SAMPLE_FMT_S32 && m_bits == 24) {
            // The decoder's 24-bit output, interleaved in the top bits of 32: the general loop
            // below took longer than the decode.
            const auto *v = reinterpret_cast<const int32_t *>(frame.data[0]);
            for (size_t i = 0; i < count; ++i, p += 3) {
                const uint32_t u = uint32_t(v[i]) >> 8;
                p[0] = uint8_t(u);
                p[1] = uint8_t(u >> 8);
                p[2] = uint8_t(u >> 16);
            }
        } else {
            m_values.clear();
            appendValues(frame, m_bits, m_values);
            for (const int32_t v : m_values)
                for (int b = 0; b < bytes; ++b)
                    *p++ = uint8_t(uint32_t(v) >> (8 * b));
        }
        av_md5_update(m_md5, m_packed.data(), m_packed.size());
    }

    CodecContextPtr m_context;
    FramePtr m_frame;
    PacketPtr m_packet;
    AVMD5 *m_md5 = nullptr;
    int64_t m_hashed = 0;
    std::vector<int32_t> m_values;
    std::vector<uint8_t> m_packed;
    int m_bits = 16;
    QString m_path;
    QString m_sourcePath;
};

/// One FLAC frame of exactly `frames` samples of `values`, from FFmpeg's encoder.
Result<QByteArray> encodeBlock(const FlacSource &flac, const int32_t *values, int frames,
                               const QString &path)
{
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_FLAC);
    if (!codec)
        return Status::failure(
            QStringLiteral("Cannot write '%1': FFmpeg has no FLAC encoder.").arg(path));
    CodecContextPtr context(avcodec_alloc_context3(codec));
    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    if (!context || !frame || !packet)
        return codecFailure(path, "encoder", AVERROR(ENOMEM));
    const bool wide = flac.bits > 16;
    context->sample_rate = flac.sampleRate;
    context->time_base = AVRational{1, flac.sampleRate};
    av_channel_layout_default(&context->ch_layout, flac.channels);
    context->sample_fmt = wide ? AV_SAMPLE_FMT_S32 : AV_SAMPLE_FMT_S16;
    context->bits_per_raw_sample = flac.bits;
    context->frame_size = frames;
    if (const int e = avcodec_open2(context.get(), codec, nullptr); e < 0)
        return codecFailure(path, "encoder", e);
    frame->nb_samples = frames;
    frame->format = context->sample_fmt;
    frame->sample_rate = flac.sampleRate;
    if (const int e = av_channel_layout_copy(&frame->ch_layout, &context->ch_layout); e < 0)
        return codecFailure(path, "encoder", e);
    if (const int e = av_frame_get_buffer(frame.get(), 0); e < 0)
        return codecFailure(path, "encoder", e);
    const size_t count = size_t(frames) * size_t(flac.channels);
    if (wide)
        for (size_t i = 0; i < count; ++i)
            reinterpret_cast<int32_t *>(frame->data[0])[i] = int32_t(uint32_t(values[i]) << 8);
    else
        for (size_t i = 0; i < count; ++i)
            reinterpret_cast<int16_t *>(frame->data[0])[i] = int16_t(values[i]);
    frame->pts = 0;
    if (const int e = avcodec_send_frame(context.get(), frame.get()); e < 0)
        return codecFailure(path, "encoder", e);
    if (const int e = avcodec_send_frame(context.get(), nullptr); e < 0)
        return codecFailure(path, "encoder", e);
    QByteArray coded;
    for (;;) {
        const int got = avcodec_receive_packet(context.get(), packet.get());
        if (got == AVERROR_EOF)
            break;
        if (got < 0)
            return codecFailure(path, "encoder", got);
        // The last packet only carries the encoder's new STREAMINFO as side data.
        if (packet->size > 0 && coded.isEmpty())
            coded = QByteArray(reinterpret_cast<const char *>(packet->data), packet->size);
        av_packet_unref(packet.get());
    }
    if (coded.isEmpty())
        return codecFailure(path, "encoder", AVERROR_BUG);
    return coded;
}

void put(QByteArray &out, uint64_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

void putBlockHeader(QByteArray &out, int type, int64_t bytes, bool last)
{
    out.append(char(type | (last ? 0x80 : 0)));
    put(out, uint64_t(bytes), 3);
}

/// Samples between seek points: ten seconds, and more than a block, so that no frame holds
/// two points (the table's unused points, placeholders, must all come last).
int64_t seekSpacing(const FlacSource &flac)
{
    return std::max<int64_t>(int64_t(kSeekSeconds) * flac.sampleRate, 65536);
}

struct SeekPoint
{
    int64_t sample = -1; ///< -1: a placeholder
    int64_t offset = 0;
    int frames = 0;
};

/// What the copy has written so far, for STREAMINFO and the seek table.
struct Written
{
    int64_t samples = 0;
    int64_t bytes = 0;
    int blocks = 0;
    int minBlockBeforeLast = INT_MAX; ///< STREAMINFO's minimum leaves the last block out
    int lastBlock = 0;
    int maxBlock = 0;
    int64_t minFrame = 0;
    int64_t maxFrame = 0;
    std::vector<SeekPoint> points;
    size_t pointsFilled = 0;
};

QByteArray flacHeader(const FlacSource &flac, const Written &w, const uint8_t md5[16])
{
    QByteArray out("fLaC");
    putBlockHeader(out, 0, 34, false);
    // STREAMINFO's minimum leaves the last block out: a stream may end with a short one.
    put(out, uint64_t(w.blocks > 1 ? w.minBlockBeforeLast : w.lastBlock), 2);
    put(out, uint64_t(w.maxBlock), 2);
    put(out, uint64_t(w.minFrame), 3);
    put(out, uint64_t(w.maxFrame), 3);
    put(out,
        uint64_t(flac.sampleRate) << 44 | uint64_t(flac.channels - 1) << 41 |
            uint64_t(flac.bits - 1) << 36 | (uint64_t(w.samples) & 0xFFFFFFFFFull),
        8);
    out.append(reinterpret_cast<const char *>(md5), 16);
    putBlockHeader(out, 3, int64_t(w.points.size()) * 18, false);
    for (const SeekPoint &p : w.points) {
        put(out, p.sample < 0 ? ~uint64_t(0) : uint64_t(p.sample), 8);
        put(out, uint64_t(p.offset), 8);
        put(out, uint64_t(p.frames), 2);
    }
    for (const QByteArray &block : flac.keptBlocks)
        out.append(block);
    putBlockHeader(out, 1, kPadding, true);
    out.append(QByteArray(kPadding, '\0'));
    return out;
}

/// Samples the copy holds back until it knows whether they join the next ones: a source
/// frame to copy, or decoded samples to encode.
struct Held
{
    std::optional<FlacFrame> frame;
    std::vector<int32_t> values;
    int64_t start = 0; ///< the first decoded sample's place in the source
    int64_t frames(int channels) const { return int64_t(values.size()) / channels; }
};

class FlacCopier
{
public:
    FlacCopier(SourceFile &source, const FlacSource &flac, DestinationFile &out, int64_t begin,
               FrameDecoder &edges, FrameDecoder &check, AVMD5 &md5)
        : m_source(source), m_flac(flac), m_out(out), m_begin(begin), m_edges(edges), m_check(check)
    {
        m_check.hashInto(md5);
    }

    Written written;

    /// The samples [from, to) of the source frame `frame`, decoded, appended to `values`.
    Status decodeInto(const FlacFrame &frame, int64_t from, int64_t to,
                      std::vector<int32_t> &values)
    {
        const auto bytes = m_source.view(frame.offset, frame.bytes);
        if (!bytes)
            return bytes.status();
        std::vector<int32_t> all;
        if (Status s = m_edges.decode(bytes.value(), frame.bytes, all); !s)
            return s;
        const int64_t channels = m_flac.channels;
        if (int64_t(all.size()) != frame.blockSize * channels)
            return Status::cannotCopy(
                m_source.path(),
                QStringLiteral("the FLAC stream is damaged at byte %1").arg(frame.offset));
        values.insert(values.end(), all.begin() + (from - frame.sample) * channels,
                      all.begin() + (to - frame.sample) * channels);
        return Status::success();
    }

    Status writeHeld(const Held &held)
    {
        if (held.frame) {
            const auto bytes = m_source.view(held.frame->offset, held.frame->bytes);
            if (!bytes)
                return bytes.status();
            return write(renumberFlacFrame(bytes.value(), held.frame->bytes, held.frame->header,
                                           held.frame->sample - m_begin),
                         held.frame->blockSize);
        }
        const int channels = m_flac.channels;
        const int64_t frames = held.frames(channels);
        if (frames < kMinBlock)
            return Status::cannotCopy(m_source.path(),
                                      QStringLiteral("the selection is shorter than 16 samples"));
        // Blocks no longer than the source's, so decoders that size their buffers by its
        // STREAMINFO, and players held to the streamable subset, take them.
        const int64_t limit = m_flac.maxBlock >= 2 * kMinBlock ? m_flac.maxBlock : 4096;
        const int64_t pieces = (frames + limit - 1) / limit;
        int64_t at = 0;
        for (int64_t k = 0; k < pieces; ++k) {
            const int64_t n = (frames - at) / (pieces - k);
            auto coded =
                encodeBlock(m_flac, held.values.data() + at * channels, int(n), m_out.path());
            if (!coded)
                return coded.status();
            const QByteArray &c = coded.value();
            const auto *p = reinterpret_cast<const uint8_t *>(c.constData());
            const auto header = parseFlacFrameHeader(p, c.size(), m_flac);
            if (!header || header->blockSize != n)
                return codecFailure(m_out.path(), "encoder", AVERROR_BUG);
            if (Status s = write(renumberFlacFrame(p, c.size(), *header, held.start + at - m_begin),
                                 int(n));
                !s)
                return s;
            at += n;
        }
        return Status::success();
    }

    Status finishCheck()
    {
        if (Status s = m_check.drain(m_unused); !s)
            return s;
        if (m_check.hashed() != written.samples)
            return Status::failure(
                QStringLiteral("Cannot write '%1': the copy decodes to %2 samples, not %3.")
                    .arg(m_out.path())
                    .arg(m_check.hashed())
                    .arg(written.samples));
        return Status::success();
    }

private:
    Status write(const QByteArray &frame, int blockSize)
    {
        Written &w = written;
        // The seek table's points every ten seconds fall in the frame that holds them.
        if (w.pointsFilled < w.points.size() &&
            int64_t(w.pointsFilled) * seekSpacing(m_flac) < w.samples + blockSize)
            w.points[w.pointsFilled++] = SeekPoint{w.samples, w.bytes, blockSize};
        if (w.blocks > 0)
            w.minBlockBeforeLast = std::min(w.minBlockBeforeLast, w.lastBlock);
        w.lastBlock = blockSize;
        w.maxBlock = std::max(w.maxBlock, blockSize);
        w.minFrame = w.blocks == 0 ? frame.size() : std::min<int64_t>(w.minFrame, frame.size());
        w.maxFrame = std::max<int64_t>(w.maxFrame, frame.size());
        ++w.blocks;
        w.samples += blockSize;
        w.bytes += frame.size();
        if (Status s = m_out.write(frame.constData(), frame.size()); !s)
            return s;
        // The MD5 is of the copy's own decode, which the source's range must equal.
        if (Status s = m_check.decode(reinterpret_cast<const uint8_t *>(frame.constData()),
                                      frame.size(), m_unused);
            !s)
            return s;
        return Status::success();
    }

    SourceFile &m_source;
    const FlacSource &m_flac;
    DestinationFile &m_out;
    int64_t m_begin;
    FrameDecoder &m_edges;
    FrameDecoder &m_check;
    std::vector<int32_t> m_unused; ///< the check decoder hashes what it decodes
};

} // namespace

QString describeFlac(const FlacSource &flac)
{
    return QStringLiteral("FLAC as in the source: %1 Hz, %2, %3 bit")
        .arg(QLocale().toString(flac.sampleRate),
             flac.channels == 1   ? QStringLiteral("Mono")
             : flac.channels == 2 ? QStringLiteral("Stereo")
                                  : QStringLiteral("%1 channels").arg(flac.channels))
        .arg(flac.bits);
}

Status copyFlac(SourceFile &source, const FlacSource &flac, const QString &destPath, int64_t begin,
                int64_t end, const JobCallbacks &callbacks)
{
    const QString &path = source.path();
    if (flac.totalSamples > 0)
        end = std::min(end, flac.totalSamples);
    begin = std::clamp<int64_t>(begin, 0, std::max<int64_t>(end, 0));
    if (end - begin < kMinBlock)
        return Status::cannotCopy(path, QStringLiteral("the selection is shorter than 16 samples"));

    FlacFrameScanner scanner(source, flac);
    std::optional<FlacFrame> first;
    for (;;) {
        auto frame = scanner.next();
        if (!frame)
            return frame.status();
        if (!frame.value())
            return Status::cannotCopy(path,
                                      QStringLiteral("the selection lies past the FLAC audio"));
        if (frame.value()->end() > begin) {
            first = frame.value();
            break;
        }
    }
    auto edges = FrameDecoder::open(flac, false, destPath, path);
    if (!edges)
        return edges.status();
    auto check = FrameDecoder::open(flac, true, destPath, path);
    if (!check)
        return check.status();
    Md5Ptr md5(av_md5_alloc());
    if (!md5)
        return codecFailure(destPath, "checksum", AVERROR(ENOMEM));
    av_md5_init(md5.get());

    auto created = DestinationFile::create(destPath);
    if (!created)
        return created.status();
    DestinationFile &out = *created.value();
    FlacCopier copier(source, flac, out, begin, edges.value(), check.value(), *md5);
    const int64_t spacing = seekSpacing(flac);
    copier.written.points.resize(
        size_t(std::max<int64_t>(1, (end - begin + spacing - 1) / spacing)));
    const uint8_t noSum[16] = {};
    const QByteArray placeholder = flacHeader(flac, copier.written, noSum);
    if (Status s = out.write(placeholder.constData(), placeholder.size()); !s)
        return s;

    const int channels = flac.channels;
    CopyPacer pacer(callbacks,
                    int64_t(double(source.size() - flac.firstFrame) * double(end - begin) /
                            std::max<double>(1, double(flac.totalSamples))));
    Held held;
    if (first->sample == begin && first->end() <= end) {
        held.frame = first;
    } else {
        held.start = begin;
        if (Status s = copier.decodeInto(*first, begin, std::min(end, first->end()), held.values);
            !s)
            return s;
    }
    int64_t covered = std::min(end, first->end());
    int64_t sinceLook = 0;
    while (covered < end) {
        const bool shortHead = !held.frame && held.frames(channels) < kMinBlock;
        if (!shortHead && sinceLook >= kCopyStep) {
            const int64_t step = sinceLook;
            sinceLook = 0;
            if (!pacer.advance(step))
                break;
        }
        auto next = scanner.next();
        if (!next)
            return next.status();
        if (!next.value())
            break; // the stream ends before the selection does
        const FlacFrame frame = *next.value();
        sinceLook += frame.bytes;
        const int64_t to = std::min(end, frame.end());
        if (shortHead) {
            // A head under 16 samples takes the next frame's samples into its block.
            if (Status s = copier.decodeInto(frame, frame.sample, to, held.values); !s)
                return s;
        } else if (frame.end() <= end) {
            if (Status s = copier.writeHeld(held); !s)
                return s;
            held = Held{frame, {}, 0};
        } else if (to - frame.sample >= kMinBlock) {
            if (Status s = copier.writeHeld(held); !s)
                return s;
            held = Held{std::nullopt, {}, frame.sample};
            if (Status s = copier.decodeInto(frame, frame.sample, to, held.values); !s)
                return s;
        } else {
            // A tail under 16 samples joins the block before it.
            if (held.frame) {
                const FlacFrame before = *held.frame;
                held = Held{std::nullopt, {}, before.sample};
                if (Status s = copier.decodeInto(before, before.sample, before.end(), held.values);
                    !s)
                    return s;
            }
            if (Status s = copier.decodeInto(frame, frame.sample, to, held.values); !s)
                return s;
        }
        covered = to;
    }
    if (Status s = copier.writeHeld(held); !s)
        return s;
    if (Status s = copier.finishCheck(); !s)
        return s;
    uint8_t sum[16];
    av_md5_final(md5.get(), sum);
    return finishCopy(out, flacHeader(flac, copier.written, sum), pacer);
}

} // namespace engine
