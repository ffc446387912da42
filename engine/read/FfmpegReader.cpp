#include "engine/read/FfmpegReader.h"

#include "engine/ffmpeg/FfmpegInput.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace engine {

namespace {

/// Frames decoded before the wanted one so that the decoder state (overlap, bit reservoir)
/// has converged. MP3 VBR needs six frames; ten leave a margin. Small frames (silence in a
/// low-rate VBR file) take more: a frame's data reaches up to 511 bytes back, so the pre-roll
/// also spans a few kilobytes.
constexpr int64_t kMp3PrerollPackets = 10;
constexpr int64_t kMp3PrerollBytes = 4096;
constexpr int64_t kMinimumPreroll = 8192;
constexpr int kSeekAttempts = 4;

/// WMA frames are 512, 1024 or 2048 samples by rate (and codec version).
int wmaFrameLength(AVCodecID codec, int rate)
{
    if (codec != AV_CODEC_ID_WMAV1 && codec != AV_CODEC_ID_WMAV2)
        return 1;
    if (rate <= 16000)
        return 512;
    if (rate <= 22050 || (rate <= 32000 && codec == AV_CODEC_ID_WMAV1))
        return 1024;
    return 2048;
}

int64_t framePts(const AVFrame &frame)
{
    return frame.pts != AV_NOPTS_VALUE ? frame.pts : frame.best_effort_timestamp;
}

/// A read that has to start earlier: the seek landed after the wanted frame.
Status landedLate()
{
    return Status::failure(StatusCode::LandedLate, QStringLiteral("landed late"));
}

} // namespace

FfmpegReader::~FfmpegReader()
{
    av_channel_layout_uninit(&m_swrLayout);
}

Status FfmpegReader::fail(const QString &what, int code) const
{
    return Status::failure(QStringLiteral("%1 '%2': %3").arg(what, m_path, averrorText(code)));
}

Status FfmpegReader::readFailure() const
{
    const QString failure = m_format.readFailure();
    if (failure.isEmpty())
        return Status::success();
    return Status::failure(QStringLiteral("Cannot read '%1': %2").arg(m_path, failure));
}

Result<std::unique_ptr<FfmpegReader>>
FfmpegReader::open(const QString &path, const SourceOpener &source, AudioInput input)
{
    std::unique_ptr<FfmpegReader> reader(new FfmpegReader);
    reader->m_path = path;
    reader->m_source = source;
    if (Status s = reader->useInput(std::move(input)); !s)
        return s;
    if (Status s = reader->openDecoder(); !s)
        return s;
    if (Status s = reader->learnTimeline(); !s)
        return s;
    if (Status s = reader->measureLength(); !s)
        return s;
    if (reader->m_length == 0)
        return cannotOpen(path, Refusal::NoAudio);
    if (auto reached = reader->seek(0); !reached)
        return reached.status();
    return reader;
}

Status FfmpegReader::openInput(const QString &path)
{
    auto opened = openAudioInput(path, m_source);
    if (!opened)
        return opened.status();
    return useInput(std::move(opened.value()));
}

Status FfmpegReader::useInput(AudioInput input)
{
    m_format = std::move(input);
    // The MP3 demuxer starts a running checksum for the encoder's info frame and ends it only
    // when it finds one. Without that frame, every later byte read (the whole file, in the
    // length scan) would be checksummed for nothing.
    if (std::strcmp(m_format->iformat->name, "mp3") == 0 && m_format->pb)
        m_format->pb->update_checksum = nullptr;

    if (const int info = avformat_find_stream_info(m_format.get(), nullptr); info < 0) {
        if (Status failed = readFailure(); !failed)
            return failed;
        return cannotOpen(m_path, Refusal::Damaged, averrorText(info));
    }
    m_stream = av_find_best_stream(m_format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (m_stream == AVERROR_DECODER_NOT_FOUND)
        return cannotOpen(m_path, Refusal::UnknownFormat);
    if (m_stream < 0)
        return cannotOpen(m_path, Refusal::NoAudio);
    for (unsigned i = 0; i < m_format->nb_streams; ++i)
        if (static_cast<int>(i) != m_stream)
            m_format->streams[i]->discard = AVDISCARD_ALL;
    m_placement =
        framePlacementFor(m_format->iformat->name, m_format->streams[m_stream]->codecpar->codec_id);
    m_isMp3 = m_placement == FramePlacement::Mp3Index;
    // MP3 seeks go by our own index. The demuxer's index would only grow with every packet
    // read, and after a byte seek it is fed timestamps out of order, so each packet would
    // shift the whole table.
    if (m_isMp3)
        m_format->max_index_size = 0;
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_frame || !m_packet)
        return fail(QStringLiteral("Cannot decode"), AVERROR(ENOMEM));
    return Status::success();
}

Status FfmpegReader::openDecoder()
{
    const AVStream *stream = m_format->streams[m_stream];
    const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder)
        return cannotOpen(m_path, Refusal::UnknownFormat,
                          QString::fromUtf8(avcodec_get_name(stream->codecpar->codec_id)));
    m_codec.reset(avcodec_alloc_context3(decoder));
    if (!m_codec)
        return fail(QStringLiteral("Cannot decode"), AVERROR(ENOMEM));
    if (const int rc = avcodec_parameters_to_context(m_codec.get(), stream->codecpar); rc < 0)
        return fail(QStringLiteral("Cannot decode"), rc);
    m_rate = stream->codecpar->sample_rate;
    if (m_rate <= 0)
        return cannotOpen(m_path, Refusal::Damaged, QStringLiteral("no sample rate"));
    if (m_isMp3) {
        // Timestamps are ours (from the packet index, in frames) and so is the trimming of the
        // encoder delay and padding; the decoder only reports them.
        m_codec->pkt_timebase = AVRational{1, m_rate};
        m_codec->flags2 |= AV_CODEC_FLAG2_SKIP_MANUAL;
    } else {
        m_codec->pkt_timebase = stream->time_base;
    }
    if (const int rc = avcodec_open2(m_codec.get(), decoder, nullptr); rc < 0)
        return cannotOpen(m_path, Refusal::Damaged, averrorText(rc));
    // The program handles mono and stereo; anything wider is mixed down to stereo.
    m_channels = std::clamp(stream->codecpar->ch_layout.nb_channels, 1, 2);
    return Status::success();
}

Status FfmpegReader::learnTimeline()
{
    if (m_isMp3) {
        const int rc = m_mp3.scan(m_format.get(), m_stream, m_rate);
        if (Status failed = readFailure(); !failed)
            return failed;
        if (rc < 0)
            return fail(QStringLiteral("Cannot read"), rc);
        return Status::success();
    }
    // Without a timestamp anchor every seek counts from the start.
    if (m_placement == FramePlacement::Counting)
        return Status::success();
    const AVStream *stream = m_format->streams[m_stream];
    const bool coarse = av_cmp_q(stream->time_base, AVRational{1, m_rate}) > 0;
    m_grid = coarse ? wmaFrameLength(m_codec->codec_id, m_rate) : 1;
    // The first two frames of a sequential decode fix where timestamps sit on the timeline:
    // some decoders swallow the first frame of a packet, which shifts every later one.
    int64_t firstCount = 0;
    for (int i = 0; i < 2; ++i) {
        auto got = decodeFrame();
        if (!got)
            return got.status();
        if (!got.value())
            break;
        const int64_t pts = framePts(*m_frame);
        if (pts == AV_NOPTS_VALUE)
            break;
        if (i == 0) {
            m_anchorPts = pts;
            firstCount = m_frame->nb_samples;
        } else {
            m_anchorCorrection = firstCount - timelinePosition(*m_frame);
        }
    }
    return Status::success();
}

int64_t FfmpegReader::timelinePosition(const AVFrame &frame) const
{
    const int64_t pts = framePts(frame);
    if (pts == AV_NOPTS_VALUE)
        return AV_NOPTS_VALUE;
    if (m_isMp3)
        return pts - m_mp3.startSkip();
    if (m_anchorPts == AV_NOPTS_VALUE)
        return AV_NOPTS_VALUE;
    const AVRational tb = m_format->streams[m_stream]->time_base;
    int64_t raw = av_rescale_q_rnd(pts - m_anchorPts, tb, AVRational{1, m_rate},
                                   static_cast<AVRounding>(AV_ROUND_NEAR_INF));
    if (m_grid > 1)
        raw = (raw >= 0 ? raw + m_grid / 2 : raw - m_grid / 2) / m_grid * m_grid;
    return raw + m_anchorCorrection;
}

// Right after a seek, the demuxer has to work out the timestamps of the packets it lands in
// without the packets before them. Ogg gets that wrong in its last page (by whole packets), so
// everything stored at the landing position is decoded as pre-roll and never placed by its
// timestamp; from the next packet or page on the timestamps follow on from known ones.
bool FfmpegReader::fromLandingPacket(const AVFrame &frame)
{
    if (frame.pkt_pos < 0)
        return false;
    if (m_landingPosition < 0)
        m_landingPosition = frame.pkt_pos;
    return frame.pkt_pos == m_landingPosition;
}

Status FfmpegReader::measureLength()
{
    if (m_isMp3) {
        m_length = m_mp3.length();
        return Status::success();
    }
    return tailDecodeLength();
}

// Decoding the last seconds gives the exact end for any container with usable timestamps:
// the decoder applies the end trimming, and a truncated file simply ends earlier.
Status FfmpegReader::tailDecodeLength()
{
    const AVStream *stream = m_format->streams[m_stream];
    // Counting starts at the first frame: the whole file is decoded once.
    int64_t estimate = 0;
    if (m_placement == FramePlacement::Counting)
        estimate = 0;
    else if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        estimate = av_rescale_q(stream->duration, stream->time_base, AVRational{1, m_rate});
    else if (m_format->duration != AV_NOPTS_VALUE && m_format->duration > 0)
        estimate = av_rescale_q(m_format->duration, AV_TIME_BASE_Q, AVRational{1, m_rate});

    for (int64_t margin = 5 * int64_t(m_rate);; margin *= 8) {
        const int64_t from = estimate - margin;
        if (Status s = reposition(std::max<int64_t>(from, 0), 0); !s)
            return s;
        const bool fromStart = from <= 0;
        int64_t end = -1;
        int64_t counted = 0;
        for (;;) {
            auto got = decodeFrame();
            if (!got)
                return got.status();
            if (!got.value())
                break;
            if (m_frame->sample_rate != m_rate)
                continue;
            if (!fromStart && fromLandingPacket(*m_frame))
                continue;
            if (fromStart) {
                counted += m_frame->nb_samples;
                end = counted;
            } else if (const int64_t at = timelinePosition(*m_frame); at != AV_NOPTS_VALUE) {
                end = at + m_frame->nb_samples;
            } else if (end >= 0) {
                // The frames a decoder gives out when flushed carry no timestamp.
                end += m_frame->nb_samples;
            }
        }
        if (end >= 0 || fromStart) {
            m_length = std::max<int64_t>(end, 0);
            return Status::success();
        }
    }
}

Status FfmpegReader::reposition(int64_t frame, int64_t preroll)
{
    m_pending.clear();
    m_pendingOffset = 0;
    m_position = frame;
    m_aligning = true;
    m_flushed = false;
    m_countPosition = AV_NOPTS_VALUE;
    m_landingPosition = -1;
    avcodec_flush_buffers(m_codec.get());
    m_swr.reset();

    int rc = 0;
    if (m_isMp3) {
        const auto &entries = m_mp3.entries();
        if (entries.empty())
            return Status::success();
        const int64_t packet = m_mp3.packetAt(frame + m_mp3.startSkip());
        int64_t first = std::max<int64_t>(0, packet - kMp3PrerollPackets);
        while (first > 0 &&
               entries[packet].bytePosition - entries[first].bytePosition < kMp3PrerollBytes)
            --first;
        m_nextMp3Packet = first;
        rc = av_seek_frame(m_format.get(), -1, entries[m_nextMp3Packet].bytePosition,
                           AVSEEK_FLAG_BYTE);
    } else {
        const int64_t from = frame - preroll;
        m_countFromStart = from <= 0 || m_anchorPts == AV_NOPTS_VALUE;
        if (m_countFromStart) {
            // A seek to the start is not the same as a fresh start: demuxers and decoders keep
            // state (Ogg start trimming, the first-frame handling of Vorbis and WMA) that only
            // opening anew resets, and the decode must match a sequential one from the start.
            m_countPosition = 0;
            m_format.reset();
            m_codec.reset();
            if (Status s = openInput(m_path); !s)
                return s;
            return openDecoder();
        }
        const AVStream *stream = m_format->streams[m_stream];
        const int64_t ts =
            m_anchorPts + av_rescale_q(from, AVRational{1, m_rate}, stream->time_base);
        rc = avformat_seek_file(m_format.get(), m_stream, std::numeric_limits<int64_t>::min(), ts,
                                ts, 0);
    }
    if (rc < 0)
        return fail(QStringLiteral("Cannot seek in"), rc);
    return Status::success();
}

Result<bool> FfmpegReader::decodeFrame()
{
    for (;;) {
        int rc = avcodec_receive_frame(m_codec.get(), m_frame.get());
        if (rc >= 0)
            return true;
        if (rc == AVERROR_EOF)
            return false;
        if (rc != AVERROR(EAGAIN)) {
            if (Status failed = readFailure(); !failed)
                return failed;
            return fail(QStringLiteral("Cannot decode"), rc);
        }
        if (m_flushed)
            return false;

        rc = av_read_frame(m_format.get(), m_packet.get());
        // A file that could not be read fails, whatever the demuxer made of the missing bytes
        // (the end of the file, a damaged packet); a truncated file ends where its data ends.
        if (Status failed = readFailure(); !failed)
            return failed;
        if (rc == AVERROR_EOF || rc == AVERROR(EIO)) {
            m_flushed = true;
            avcodec_send_packet(m_codec.get(), nullptr);
            continue;
        }
        if (rc < 0)
            return fail(QStringLiteral("Cannot read"), rc);
        if (m_packet->stream_index != m_stream) {
            av_packet_unref(m_packet.get());
            continue;
        }
        if (m_isMp3) {
            const auto &entries = m_mp3.entries();
            int64_t index = m_mp3.packetStartingAt(m_packet->pos);
            if (index < 0)
                index = m_nextMp3Packet;
            if (m_packet->duration <= 0 || index >= static_cast<int64_t>(entries.size()) ||
                Mp3Index::frameRate(m_packet->data, m_packet->size) != m_rate) {
                av_packet_unref(m_packet.get());
                continue;
            }
            m_packet->pts = m_packet->dts = entries[index].rawStart;
            m_nextMp3Packet = index + 1;
        }
        rc = avcodec_send_packet(m_codec.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        // A damaged packet is skipped, as every player does; the rest still plays.
        if (rc < 0 && rc != AVERROR_INVALIDDATA && rc != AVERROR(EAGAIN))
            return fail(QStringLiteral("Cannot decode"), rc);
    }
}

Result<bool> FfmpegReader::fillPending(SampleBlock *direct, int64_t directFrames,
                                       int64_t *directDone)
{
    for (;;) {
        auto got = decodeFrame();
        if (!got)
            return got.status();
        if (!got.value()) {
            // The index knows where an MP3 ends even when its last frames do not decode.
            if (m_isMp3 && padMp3Until(m_length, direct, directFrames, directDone)) {
                m_aligning = false;
                return true;
            }
            // Everything after the landing point was pre-roll: start earlier.
            if (m_aligning && !m_isMp3 && !m_countFromStart && m_position < m_length)
                return landedLate();
            return false;
        }
        // Frames at another rate (a chained Ogg, joined MP3s) do not fit the timeline; the
        // length leaves them out too.
        if (m_frame->sample_rate != m_rate)
            continue;
        const int64_t count = m_frame->nb_samples;
        int64_t start = 0;
        int64_t skipFront = 0;
        bool padded = false;
        if (m_aligning) {
            if (!m_isMp3 && !m_countFromStart && fromLandingPacket(*m_frame))
                continue;
            if (m_isMp3 || !m_countFromStart) {
                start = timelinePosition(*m_frame);
                if (start == AV_NOPTS_VALUE)
                    start = m_countPosition;
                if (start == AV_NOPTS_VALUE)
                    continue;
            } else {
                start = m_countPosition;
            }
            m_countPosition = start + count;
            if (start + count <= m_position)
                continue;
            if (start > m_position && !m_isMp3)
                return landedLate();
            skipFront = std::max<int64_t>(m_position - start, 0);
            m_aligning = false;
            if (m_isMp3)
                padded = padMp3Until(start, direct, directFrames, directDone);
        } else {
            start = nextPosition(directDone);
            if (m_isMp3) {
                const int64_t at = timelinePosition(*m_frame);
                padded = at != AV_NOPTS_VALUE && padMp3Until(at, direct, directFrames, directDone);
                if (padded)
                    start = at;
            }
        }
        const int64_t keep = std::min(count - skipFront, m_length - (start + skipFront));
        if (keep <= 0)
            return padded;
        if (Status s = appendConverted(*m_frame, skipFront, keep, direct, directFrames, directDone);
            !s)
            return s;
        return true;
    }
}

Status FfmpegReader::appendConverted(AVFrame &frame, int64_t skipFront, int64_t keep,
                                     SampleBlock *direct, int64_t directFrames, int64_t *directDone)
{
    // A damaged stream can change its layout or sample format from one frame to the next (an
    // MP3 frame header is all it takes; frames at another rate never get here). Another
    // layout or format gets a converter of its own.
    if (frame.ch_layout.nb_channels <= 0)
        return Status::success();
    if (m_swr && (frame.format != m_swrFormat ||
                  av_channel_layout_compare(&frame.ch_layout, &m_swrLayout) != 0))
        m_swr.reset();
    if (!m_swr) {
        m_swrFormat = frame.format;
        av_channel_layout_uninit(&m_swrLayout);
        if (av_channel_layout_copy(&m_swrLayout, &frame.ch_layout) < 0)
            return fail(QStringLiteral("Cannot convert the samples of"), AVERROR(ENOMEM));
        AVChannelLayout out;
        av_channel_layout_default(&out, m_channels);
        SwrContext *raw = nullptr;
        int rc = swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_FLT, frame.sample_rate,
                                     &frame.ch_layout, static_cast<AVSampleFormat>(frame.format),
                                     frame.sample_rate, 0, nullptr);
        m_swr.reset(raw);
        if (rc >= 0)
            rc = swr_init(m_swr.get());
        if (rc < 0)
            return fail(QStringLiteral("Cannot convert the samples of"), rc);
    }
    // The converted frame goes straight into the caller's block as far as it is wanted, the
    // rest into the pending buffer: every sample is copied once on its way out.
    const size_t needed = static_cast<size_t>(frame.nb_samples) * m_channels;
    if (m_converted.size() < needed)
        m_converted.resize(needed);
    auto *out = reinterpret_cast<uint8_t *>(m_converted.data());
    const int done =
        swr_convert(m_swr.get(), &out, frame.nb_samples,
                    const_cast<const uint8_t **>(frame.extended_data), frame.nb_samples);
    if (done < 0)
        return fail(QStringLiteral("Cannot convert the samples of"), done);
    keep = std::min<int64_t>(keep, done - skipFront);
    if (keep <= 0)
        return Status::success();
    handOut(m_converted.data() + skipFront * m_channels, keep, direct, directFrames, directDone);
    return Status::success();
}

void FfmpegReader::handOut(const float *samples, int64_t frames, SampleBlock *direct,
                           int64_t directFrames, int64_t *directDone)
{
    if (direct) {
        const int64_t now = std::min(frames, directFrames - *directDone);
        direct->insert(direct->end(), samples, samples + now * m_channels);
        *directDone += now;
        samples += now * m_channels;
        frames -= now;
    }
    if (frames <= 0)
        return;
    if (m_pendingOffset > 0) {
        m_pending.erase(m_pending.begin(), m_pending.begin() + m_pendingOffset);
        m_pendingOffset = 0;
    }
    m_pending.insert(m_pending.end(), samples, samples + frames * m_channels);
}

int64_t FfmpegReader::nextPosition(const int64_t *directDone) const
{
    return m_position + static_cast<int64_t>(m_pending.size() - m_pendingOffset) / m_channels +
           (directDone ? *directDone : 0);
}

// An MP3 frame that does not decode (damage, a cut in the middle) yields nothing. Silence in
// its place keeps every later frame where the index, and so every seek, puts it.
bool FfmpegReader::padMp3Until(int64_t position, SampleBlock *direct, int64_t directFrames,
                               int64_t *directDone)
{
    const int64_t gap = std::min(position, m_length) - nextPosition(directDone);
    if (gap <= 0)
        return false;
    constexpr int64_t kChunk = 4096;
    const std::vector<float> silence(static_cast<size_t>(kChunk * m_channels), 0.0f);
    for (int64_t done = 0; done < gap; done += kChunk)
        handOut(silence.data(), std::min(kChunk, gap - done), direct, directFrames, directDone);
    return true;
}

Result<int64_t> FfmpegReader::seek(int64_t frame)
{
    frame = std::clamp<int64_t>(frame, 0, m_length);
    // Counting from where the reader already is costs less than counting from the start.
    if (m_placement == FramePlacement::Counting && !m_aligning && frame >= m_position) {
        SampleBlock skipped;
        while (m_position < frame) {
            if (Status s = read(std::min<int64_t>(frame - m_position, 1 << 16), skipped); !s)
                return s;
            if (skipped.empty())
                break;
        }
        return frame;
    }
    int64_t preroll = std::max<int64_t>(kMinimumPreroll, 4 * m_grid);
    for (int attempt = 0;; ++attempt) {
        // The last attempt starts from the very beginning, which cannot land late.
        const bool last = attempt + 1 >= kSeekAttempts;
        if (Status s = reposition(frame, last ? frame : preroll); !s)
            return s;
        if (frame >= m_length)
            return frame;
        auto filled = fillPending();
        if (filled)
            return frame;
        if (filled.status().code() != StatusCode::LandedLate || last)
            return filled.status();
        preroll *= 16;
    }
}

Status FfmpegReader::read(int64_t frames, SampleBlock &block)
{
    block.clear();
    frames = std::min(frames, m_length - m_position);
    if (frames <= 0)
        return Status::success();
    block.reserve(static_cast<size_t>(frames) * m_channels);
    while (frames > 0) {
        const int64_t available =
            static_cast<int64_t>(m_pending.size() - m_pendingOffset) / m_channels;
        if (available == 0) {
            int64_t direct = 0;
            auto filled = fillPending(&block, frames, &direct);
            if (!filled)
                return filled.status();
            if (!filled.value())
                break;
            m_position += direct;
            frames -= direct;
            continue;
        }
        const int64_t take = std::min(available, frames);
        const auto first = m_pending.begin() + static_cast<std::ptrdiff_t>(m_pendingOffset);
        block.insert(block.end(), first, first + take * m_channels);
        m_pendingOffset += static_cast<size_t>(take * m_channels);
        m_position += take;
        frames -= take;
    }
    return Status::success();
}

} // namespace engine
