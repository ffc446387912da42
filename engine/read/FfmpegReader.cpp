#include "engine/read/FfmpegReader.h"

#include "engine/ffmpeg/FfmpegInput.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace engine {

namespace {

constexpr int kSeekAttempts = 4;

/// The depth of a lossless stream: FLAC, ALAC and WavPack say it in bits_per_raw_sample, PCM
/// in its codec; 0 for everything lossy.
int32_t losslessBits(const AVCodecParameters &codec)
{
    const AVCodecDescriptor *descriptor = avcodec_descriptor_get(codec.codec_id);
    if (!descriptor || (descriptor->props & AV_CODEC_PROP_LOSSY) ||
        !(descriptor->props & AV_CODEC_PROP_LOSSLESS))
        return 0;
    if (codec.bits_per_raw_sample > 0)
        return codec.bits_per_raw_sample;
    return av_get_bits_per_sample(codec.codec_id);
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
    if (Status s = reader->m_timeline->learn(*reader); !s)
        return s;
    if (Status s = reader->measureLength(); !s)
        return s;
    if (reader->m_length == 0)
        return cannotOpen(path, Refusal::NoAudio);
    if (auto reached = reader->seek(0); !reached)
        return reached.status();
    return reader;
}

Status FfmpegReader::reopen()
{
    m_format.reset();
    m_codec.reset();
    if (Status s = openInput(m_path); !s)
        return s;
    return openDecoder();
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
    const AVStream &stream = *m_format->streams[m_stream];
    // The timeline outlives a new demuxer for the same file: what it learnt still holds.
    if (!m_timeline)
        m_timeline =
            makeFrameTimeline(framePlacementFor(m_format->iformat->name, stream.codecpar->codec_id),
                              *m_format.get(), stream);
    m_timeline->configureInput(*m_format.get());
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_frame || !m_packet)
        return fail(QStringLiteral("Cannot decode"), AVERROR(ENOMEM));
    return Status::success();
}

Status FfmpegReader::openDecoder()
{
    const AVStream *stream = m_format->streams[m_stream];
    const AVCodec *decoder = m_timeline->decoder(stream->codecpar->codec_id);
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
    m_timeline->configureDecoder(*m_codec, *stream);
    if (const int rc = avcodec_open2(m_codec.get(), decoder, nullptr); rc < 0)
        return cannotOpen(m_path, Refusal::Damaged, averrorText(rc));
    // The program handles mono and stereo; anything wider is mixed down to stereo.
    m_channels = std::clamp(stream->codecpar->ch_layout.nb_channels, 1, 2);
    m_exactBits = losslessBits(*stream->codecpar);
    return Status::success();
}

// Right after a seek, the demuxer has to work out the timestamps of the packets it lands in
// without the packets before them. Ogg gets that wrong in its last page (by whole packets), so
// everything stored at the landing position is decoded as pre-roll and never placed by its
// timestamp; from the next packet or page on the timestamps follow on from known ones.
// An audio decoder gives out the frames of a packet before it takes the next one, so the
// frame just received comes from the packet sent last.
bool FfmpegReader::fromLandingPacket()
{
    if (m_sentPosition < 0)
        return false;
    if (m_landingPosition < 0)
        m_landingPosition = m_sentPosition;
    return m_sentPosition == m_landingPosition;
}

// Decoding the last seconds gives the exact end for any container with usable timestamps:
// the decoder applies the end trimming, and a truncated file simply ends earlier.
Status FfmpegReader::measureLength()
{
    if (const std::optional<int64_t> known = m_timeline->knownLength()) {
        m_length = *known;
        return Status::success();
    }
    const int64_t estimate =
        m_timeline->lengthEstimate(*m_format.get(), *m_format->streams[m_stream]);
    for (int64_t margin = 5 * int64_t(m_rate);; margin *= 8) {
        if (Status s = reposition(std::max<int64_t>(estimate - margin, 0), 0); !s)
            return s;
        const bool counted = m_landing == Landing::Counted;
        int64_t end = -1;
        int64_t count = 0;
        for (;;) {
            auto got = decodeFrame();
            if (!got)
                return got.status();
            if (!got.value())
                break;
            if (m_frame->sample_rate != m_rate)
                continue;
            if (counted) {
                count += m_frame->nb_samples;
                end = count;
                continue;
            }
            if (m_landing == Landing::Placed && fromLandingPacket())
                continue;
            if (const int64_t at = m_timeline->position(*m_frame); at != AV_NOPTS_VALUE)
                end = at + m_frame->nb_samples;
            else if (end >= 0)
                // The frames a decoder gives out when flushed carry no timestamp.
                end += m_frame->nb_samples;
        }
        if (end >= 0 || counted) {
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
    m_sentPosition = -1;
    avcodec_flush_buffers(m_codec.get());
    m_swr.reset();

    auto landing = m_timeline->reposition(*this, frame, preroll);
    if (!landing)
        return landing.status();
    m_landing = landing.value();
    if (m_landing == Landing::Counted)
        m_countPosition = m_timeline->countStart();
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
        if (!m_timeline->admitPacket(*m_packet)) {
            av_packet_unref(m_packet.get());
            if (m_timeline->landingMissed())
                return landedLate();
            continue;
        }
        const int64_t position = m_packet->pos;
        rc = avcodec_send_packet(m_codec.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        if (rc >= 0)
            m_sentPosition = position;
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
            // The index knows where the file ends even when its last frames do not decode.
            if (m_landing == Landing::Indexed &&
                fillGapUntil(m_length, direct, directFrames, directDone)) {
                m_aligning = false;
                return true;
            }
            // Everything after the landing point was pre-roll, or a count that began at an
            // indexed place never reached the wanted frame: start earlier.
            if (m_aligning && m_position < m_length &&
                (m_landing == Landing::Placed ||
                 (m_landing == Landing::Counted && m_timeline->countStart() > 0)))
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
            if (m_landing == Landing::Placed && fromLandingPacket())
                continue;
            if (m_landing != Landing::Counted) {
                start = m_timeline->position(*m_frame);
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
            if (start > m_position && m_landing != Landing::Indexed)
                return landedLate();
            skipFront = std::max<int64_t>(m_position - start, 0);
            m_aligning = false;
            if (m_landing == Landing::Indexed)
                padded = fillGapUntil(start, direct, directFrames, directDone);
        } else {
            start = nextPosition(directDone);
            if (m_landing == Landing::Indexed) {
                const int64_t at = m_timeline->position(*m_frame);
                padded = at != AV_NOPTS_VALUE && fillGapUntil(at, direct, directFrames, directDone);
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

// An indexed frame that does not decode (damage, a cut in the middle) yields nothing. Silence
// in its place keeps every later frame where the index, and so every seek, puts it.
bool FfmpegReader::fillGapUntil(int64_t position, SampleBlock *direct, int64_t directFrames,
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
    if (!m_aligning && frame >= m_position && m_timeline->readsForward(m_position, frame)) {
        SampleBlock skipped;
        while (m_position < frame) {
            if (Status s = read(std::min<int64_t>(frame - m_position, 1 << 16), skipped); !s)
                return s;
            if (skipped.empty())
                break;
        }
        return frame;
    }
    int64_t preroll = m_timeline->minimumPreroll();
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
