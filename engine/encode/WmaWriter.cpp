#include "engine/encode/WmaWriter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstring>

namespace engine {

namespace {
// wmav2 makes one block of block_align bytes per codec frame (2048, 1024 or 512 frames), and
// the ASF muxer gives every packet it gets a payload of its own with 17 bytes of headers: for
// the 96-byte blocks of 24 kbit/s at 16 kHz that alone is 18 % more. Whole blocks are gathered
// into media objects of at least this size; decoders take a payload block by block.
constexpr int kMinObjectBytes = 2048;
// Each ASF packet holds one media object and the headers of one payload (26 bytes in FFmpeg
// 5.1), with a few bytes to spare. The muxer's default packet of 3,200 bytes holds one large
// block and pads the rest: the 320 kbit/s profiles took 600 kbit/s on disk.
constexpr int kPacketHeaderRoom = 32;
} // namespace

WmaWriter::WmaWriter(std::unique_ptr<DestinationFile> file, const WmaProfile &profile)
    : FileWriter(std::move(file), profile.sampleRate, profile.channels), m_profile(profile)
{}

Result<std::unique_ptr<AudioWriter>> WmaWriter::create(const QString &path, int32_t profile)
{
    const WmaProfile *chosen = wmaProfile(profile);
    if (!chosen)
        return Status::failure(QStringLiteral("Cannot create '%1': there is no WMA profile %2.")
                                   .arg(path)
                                   .arg(profile));
    auto file = DestinationFile::create(path);
    if (!file)
        return file.status();
    return std::unique_ptr<AudioWriter>(new WmaWriter(std::move(file.value()), *chosen));
}

Status WmaWriter::ffmpegFailure(int code) const
{
    return failure(averrorText(code));
}

Status WmaWriter::openEncoder()
{
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (!codec)
        return failure(QStringLiteral("this build of FFmpeg has no WMA encoder."));
    m_codec.reset(avcodec_alloc_context3(codec));
    if (!m_codec)
        return ffmpegFailure(AVERROR(ENOMEM));
    m_codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    m_codec->sample_rate = m_profile.sampleRate;
    av_channel_layout_default(&m_codec->ch_layout, m_profile.channels);
    m_codec->bit_rate = int64_t(m_profile.kbps) * 1000;
    m_codec->time_base = AVRational{1, m_profile.sampleRate};
    if (m_muxer.format()->oformat->flags & AVFMT_GLOBALHEADER)
        m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (const int rc = avcodec_open2(m_codec.get(), codec, nullptr); rc < 0)
        return ffmpegFailure(rc);

    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    m_fifo.reset(
        av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, m_profile.channels, m_codec->frame_size * 2));
    if (!m_frame || !m_packet || !m_fifo)
        return ffmpegFailure(AVERROR(ENOMEM));
    m_frame->nb_samples = m_codec->frame_size;
    m_frame->format = AV_SAMPLE_FMT_FLTP;
    m_frame->sample_rate = m_profile.sampleRate;
    av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout);
    if (const int rc = av_frame_get_buffer(m_frame.get(), 0); rc < 0)
        return ffmpegFailure(rc);
    return Status::success();
}

Status WmaWriter::start(int rate, int channels)
{
    auto converter = SampleConverter::create(
        {rate, channels, AV_SAMPLE_FMT_FLT},
        {m_profile.sampleRate, m_profile.channels, AV_SAMPLE_FMT_FLTP}, path());
    if (!converter)
        return converter.status();
    m_converter = std::move(converter.value());
    if (const int rc = m_muxer.open("asf"); rc < 0)
        return ffmpegFailure(rc);
    if (Status s = openEncoder(); !s)
        return s;
    AVStream *stream = avformat_new_stream(m_muxer.format(), nullptr);
    if (!stream)
        return ffmpegFailure(AVERROR(ENOMEM));
    stream->time_base = m_codec->time_base;
    if (const int rc = avcodec_parameters_from_context(stream->codecpar, m_codec.get()); rc < 0)
        return ffmpegFailure(rc);
    const int block = std::max(1, m_codec->block_align);
    m_blocksPerObject = std::max(1, (kMinObjectBytes + block - 1) / block);
    if (const int rc = av_opt_set_int(m_muxer.format()->priv_data, "packet_size",
                                      m_blocksPerObject * block + kPacketHeaderRoom, 0);
        rc < 0)
        return ffmpegFailure(rc);
    if (const int rc = avformat_write_header(m_muxer.format(), nullptr); rc < 0)
        return ffmpegFailure(rc);
    // Decoders drop the first frame (it has no previous one to overlap): make it silence,
    // so that the decoded sound starts with the first sample written.
    if (const int rc = av_frame_make_writable(m_frame.get()); rc < 0)
        return ffmpegFailure(rc);
    av_samples_set_silence(m_frame->data, 0, m_frame->nb_samples, m_profile.channels,
                           AV_SAMPLE_FMT_FLTP);
    return sendFrame(m_frame.get());
}

Status WmaWriter::sendFrame(AVFrame *frame)
{
    if (frame) {
        frame->pts = m_nextPts;
        m_nextPts += frame->nb_samples;
    }
    if (const int rc = avcodec_send_frame(m_codec.get(), frame); rc < 0)
        return ffmpegFailure(rc);
    for (;;) {
        int rc = avcodec_receive_packet(m_codec.get(), m_packet.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return Status::success();
        if (rc < 0)
            return ffmpegFailure(rc);
        // The block is copied out and its packet emptied before a full object reuses the packet:
        // a packet filled anew over one still holding data would lose that buffer.
        gather(*m_packet);
        av_packet_unref(m_packet.get());
        if (m_objectBlocks >= m_blocksPerObject)
            if (Status s = writeObject(); !s)
                return s;
    }
}

void WmaWriter::gather(const AVPacket &block)
{
    if (m_objectBlocks == 0)
        m_objectPts = block.pts;
    m_object.insert(m_object.end(), block.data, block.data + block.size);
    ++m_objectBlocks;
}

Status WmaWriter::writeObject()
{
    if (m_objectBlocks == 0)
        return Status::success();
    if (const int rc = av_new_packet(m_packet.get(), int(m_object.size())); rc < 0)
        return ffmpegFailure(rc);
    std::memcpy(m_packet->data, m_object.data(), m_object.size());
    m_packet->pts = m_packet->dts = m_objectPts;
    m_packet->duration = int64_t(m_objectBlocks) * m_codec->frame_size;
    m_packet->stream_index = 0;
    m_object.clear();
    m_objectBlocks = 0;
    av_packet_rescale_ts(m_packet.get(), m_codec->time_base,
                         m_muxer.format()->streams[0]->time_base);
    // Takes the packet's data and leaves it blank for the next one.
    if (const int rc = av_interleaved_write_frame(m_muxer.format(), m_packet.get()); rc < 0)
        return ffmpegFailure(rc);
    return Status::success();
}

Status WmaWriter::encodeWholeFrames()
{
    const int frameSize = m_codec->frame_size;
    while (av_audio_fifo_size(m_fifo.get()) >= frameSize) {
        if (const int rc = av_frame_make_writable(m_frame.get()); rc < 0)
            return ffmpegFailure(rc);
        av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void **>(m_frame->data), frameSize);
        if (Status s = sendFrame(m_frame.get()); !s)
            return s;
    }
    return Status::success();
}

Status WmaWriter::queue(const Result<int> &converted)
{
    if (!converted)
        return converted.status();
    if (av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void **>(m_converter->planes()),
                            converted.value()) < converted.value())
        return ffmpegFailure(AVERROR(ENOMEM));
    return encodeWholeFrames();
}

Status WmaWriter::encode(const float *samples, int frames)
{
    return queue(m_converter->convert(samples, frames));
}

Status WmaWriter::complete()
{
    if (Status s = queue(m_converter->flush()); !s)
        return s;
    // The encoder drops a partial last frame: pad it with silence to keep every sample.
    if (const int left = av_audio_fifo_size(m_fifo.get()); left > 0) {
        if (const int rc = av_frame_make_writable(m_frame.get()); rc < 0)
            return ffmpegFailure(rc);
        av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void **>(m_frame->data), left);
        av_samples_set_silence(m_frame->data, left, m_frame->nb_samples - left, m_profile.channels,
                               AV_SAMPLE_FMT_FLTP);
        if (Status s = sendFrame(m_frame.get()); !s)
            return s;
    }
    if (Status s = sendFrame(nullptr); !s)
        return s;
    if (Status s = writeObject(); !s)
        return s;
    if (const int rc = av_write_trailer(m_muxer.format()); rc < 0)
        return ffmpegFailure(rc);
    if (const int rc = m_muxer.flush(); rc < 0)
        return ffmpegFailure(rc);
    return Status::success();
}

} // namespace engine
