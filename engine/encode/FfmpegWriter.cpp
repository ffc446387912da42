#include "engine/encode/FfmpegWriter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>

namespace engine {

namespace {

/// Encoders that take frames of any size get them in pieces of this many frames.
constexpr int kVariableFrameSize = 4096;

/// The encoder's own sample format closest to what was asked: 16 or 24 bits for FLAC,
/// float where the encoder takes it.
AVSampleFormat formatFor(const AVCodec &codec, int bitsPerSample)
{
    const AVSampleFormat *formats = encoderSampleFormats(codec);
    if (!formats)
        return AV_SAMPLE_FMT_FLT;
    const AVSampleFormat wanted = bitsPerSample == 16   ? AV_SAMPLE_FMT_S16
                                  : bitsPerSample == 24 ? AV_SAMPLE_FMT_S32
                                                        : AV_SAMPLE_FMT_NONE;
    for (const AVSampleFormat *f = formats; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == wanted)
            return *f;
    for (const AVSampleFormat *f = formats; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == AV_SAMPLE_FMT_FLT || *f == AV_SAMPLE_FMT_FLTP)
            return *f;
    return formats[0];
}

} // namespace

FfmpegWriter::FfmpegWriter(std::unique_ptr<DestinationFile> file, EncoderRequest request)
    : FileWriter(std::move(file), request.sampleRate > 0 ? request.sampleRate : 44100,
                 request.channels > 0 ? request.channels : 2),
      m_request(std::move(request))
{}

void FfmpegWriter::setSourceBits(int32_t bits)
{
    // A lossy source's decode has no depth; 16 bits hold more than its codec kept.
    if (m_request.bitsFromSource)
        m_request.bitsPerSample = bits > 16 ? 24 : 16;
}

Result<std::unique_ptr<AudioWriter>> FfmpegWriter::create(const QString &path,
                                                          EncoderRequest request)
{
    if (!avcodec_find_encoder_by_name(request.encoder))
        return Status::failure(
            QStringLiteral("Cannot create '%1': this build of FFmpeg has no "
                           "%2 encoder (%3).")
                .arg(path, QLatin1String(request.formatName), QLatin1String(request.encoder)));
    auto file = DestinationFile::create(path);
    if (!file)
        return file.status();
    return std::unique_ptr<AudioWriter>(
        new FfmpegWriter(std::move(file.value()), std::move(request)));
}

Status FfmpegWriter::ffmpegFailure(int code) const
{
    return failure(averrorText(code));
}

Status FfmpegWriter::openEncoder(int rate, int channels)
{
    const AVCodec *codec = avcodec_find_encoder_by_name(m_request.encoder);
    m_codec.reset(avcodec_alloc_context3(codec));
    if (!m_codec)
        return ffmpegFailure(AVERROR(ENOMEM));
    m_codec->sample_fmt = formatFor(*codec, m_request.bitsPerSample);
    if (m_request.bitsPerSample == 24)
        m_codec->bits_per_raw_sample = 24;
    m_codec->sample_rate = rate;
    av_channel_layout_default(&m_codec->ch_layout, channels);
    m_codec->bit_rate = m_request.bitRate;
    if (m_request.compressionLevel >= 0)
        m_codec->compression_level = m_request.compressionLevel;
    m_codec->time_base = AVRational{1, rate};
    if (m_muxer.format()->oformat->flags & AVFMT_GLOBALHEADER)
        m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    DictionaryPtr options;
    for (const auto &[name, value] : m_request.codecOptions) {
        AVDictionary *raw = options.release();
        av_dict_set(&raw, name.c_str(), value.c_str(), 0);
        options.reset(raw);
    }
    AVDictionary *raw = options.release();
    const int rc = avcodec_open2(m_codec.get(), codec, &raw);
    options.reset(raw);
    if (rc < 0)
        return ffmpegFailure(rc);

    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    const int frameSize = m_codec->frame_size > 0 ? m_codec->frame_size : kVariableFrameSize;
    m_fifo.reset(av_audio_fifo_alloc(m_codec->sample_fmt, channels, frameSize * 2));
    if (!m_frame || !m_packet || !m_fifo)
        return ffmpegFailure(AVERROR(ENOMEM));
    m_frame->nb_samples = frameSize;
    m_frame->format = m_codec->sample_fmt;
    m_frame->sample_rate = rate;
    av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout);
    if (const int code = av_frame_get_buffer(m_frame.get(), 0); code < 0)
        return ffmpegFailure(code);
    return Status::success();
}

Status FfmpegWriter::start(int rate, int channels)
{
    m_inputRate = rate;
    const int outRate = m_request.sampleRate > 0 ? m_request.sampleRate : rate;
    const int outChannels = m_request.channels > 0 ? m_request.channels : channels;
    if (const int rc = m_muxer.open(m_request.muxer); rc < 0)
        return ffmpegFailure(rc);
    if (Status s = openEncoder(outRate, outChannels); !s)
        return s;
    auto converter = SampleConverter::create({rate, channels, AV_SAMPLE_FMT_FLT},
                                             {outRate, outChannels, m_codec->sample_fmt}, path());
    if (!converter)
        return converter.status();
    m_converter = std::move(converter.value());

    AVStream *stream = avformat_new_stream(m_muxer.format(), nullptr);
    if (!stream)
        return ffmpegFailure(AVERROR(ENOMEM));
    stream->time_base = m_codec->time_base;
    if (const int rc = avcodec_parameters_from_context(stream->codecpar, m_codec.get()); rc < 0)
        return ffmpegFailure(rc);
    DictionaryPtr options;
    AVDictionary *raw = nullptr;
    for (const auto &[name, value] : m_request.muxerOptions)
        av_dict_set(&raw, name.c_str(), value.c_str(), 0);
    // MP4: a movie clock of the sample rate, so that the edit list trimming the encoder's
    // priming is exact to the frame.
    if (av_opt_find(m_muxer.format()->priv_data, "movie_timescale", nullptr, 0, 0))
        av_dict_set_int(&raw, "movie_timescale", outRate, 0);
    const int rc = avformat_write_header(m_muxer.format(), &raw);
    options.reset(raw);
    if (rc < 0)
        return ffmpegFailure(rc);
    return Status::success();
}

Status FfmpegWriter::sendFrame(AVFrame *frame)
{
    if (frame) {
        frame->pts = m_nextPts;
        m_nextPts += frame->nb_samples;
    }
    if (const int rc = avcodec_send_frame(m_codec.get(), frame); rc < 0)
        return ffmpegFailure(rc);
    for (;;) {
        const int rc = avcodec_receive_packet(m_codec.get(), m_packet.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return Status::success();
        if (rc < 0)
            return ffmpegFailure(rc);
        m_packet->stream_index = 0;
        av_packet_rescale_ts(m_packet.get(), m_codec->time_base,
                             m_muxer.format()->streams[0]->time_base);
        // Takes the packet's data and leaves it blank for the next one.
        if (const int code = av_interleaved_write_frame(m_muxer.format(), m_packet.get()); code < 0)
            return ffmpegFailure(code);
    }
}

Status FfmpegWriter::encodeFrames(bool last)
{
    const int frameSize = m_frame->nb_samples;
    while (av_audio_fifo_size(m_fifo.get()) >= frameSize ||
           (last && av_audio_fifo_size(m_fifo.get()) > 0)) {
        if (const int rc = av_frame_make_writable(m_frame.get()); rc < 0)
            return ffmpegFailure(rc);
        int frames = std::min(frameSize, av_audio_fifo_size(m_fifo.get()));
        if (m_end >= 0)
            frames = int(std::clamp<int64_t>(m_end - m_nextPts, 0, frames));
        if (frames == 0)
            break;
        av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void **>(m_frame->data), frames);
        // The last frame goes short: these encoders take it so and keep every frame exact.
        m_frame->nb_samples = frames;
        const Status sent = sendFrame(m_frame.get());
        m_frame->nb_samples = frameSize;
        if (!sent)
            return sent;
    }
    return Status::success();
}

Status FfmpegWriter::queue(const Result<int> &converted)
{
    if (!converted)
        return converted.status();
    if (av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void **>(m_converter->planes()),
                            converted.value()) < converted.value())
        return ffmpegFailure(AVERROR(ENOMEM));
    return encodeFrames(false);
}

Status FfmpegWriter::encode(const float *samples, int frames)
{
    m_inputFrames += frames;
    return queue(m_converter->convert(samples, frames));
}

Status FfmpegWriter::complete()
{
    if (Status s = queue(m_converter->flush()); !s)
        return s;
    // A rate change makes the input's length at the output's rate, rounded; the resampler's
    // flush may give a frame more.
    const int outRate = m_codec->sample_rate;
    m_end = (m_inputFrames * outRate * 2 + m_inputRate) / (int64_t(m_inputRate) * 2);
    if (Status s = encodeFrames(true); !s)
        return s;
    if (Status s = sendFrame(nullptr); !s)
        return s;
    if (const int rc = av_write_trailer(m_muxer.format()); rc < 0)
        return ffmpegFailure(rc);
    if (const int rc = m_muxer.flush(); rc < 0)
        return ffmpegFailure(rc);
    return Status::success();
}

} // namespace engine
