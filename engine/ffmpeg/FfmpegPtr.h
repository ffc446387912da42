#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
}

#include <QString>

#include <memory>

namespace engine {

struct FormatContextDeleter
{
    void operator()(AVFormatContext *c) const { avformat_close_input(&c); }
};
struct OutputFormatContextDeleter
{
    void operator()(AVFormatContext *c) const
    {
        // A custom I/O context belongs to whoever made it (IoContextPtr).
        if (c && c->pb && !(c->flags & AVFMT_FLAG_CUSTOM_IO) && !(c->oformat->flags & AVFMT_NOFILE))
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
struct CodecContextDeleter
{
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct FrameDeleter
{
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct PacketDeleter
{
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct SwrDeleter
{
    void operator()(SwrContext *s) const { swr_free(&s); }
};
struct IoContextDeleter
{
    void operator()(AVIOContext *c) const
    {
        if (c)
            av_freep(&c->buffer);
        avio_context_free(&c);
    }
};
struct AudioFifoDeleter
{
    void operator()(AVAudioFifo *f) const { av_audio_fifo_free(f); }
};
struct DictionaryDeleter
{
    void operator()(AVDictionary *d) const { av_dict_free(&d); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using OutputFormatContextPtr = std::unique_ptr<AVFormatContext, OutputFormatContextDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;
using DictionaryPtr = std::unique_ptr<AVDictionary, DictionaryDeleter>;

/// FFmpeg's own sentence for an error code.
inline QString averrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace engine
