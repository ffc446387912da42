#include "engine/encode/MuxerOutput.h"

namespace engine {

namespace {
constexpr int kIoBufferBytes = 1 << 16;
} // namespace

int MuxerOutput::writeBytes(void *opaque, AvioWriteBytes data, int size)
{
    auto *self = static_cast<MuxerOutput *>(opaque);
    return self->m_file.write(data, size) ? size : AVERROR(EIO);
}

int64_t MuxerOutput::seekTo(void *opaque, int64_t offset, int whence)
{
    DestinationFile &file = static_cast<MuxerOutput *>(opaque)->m_file;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return file.size();
    case SEEK_CUR:
        offset += file.position();
        break;
    case SEEK_END:
        offset += file.size();
        break;
    default:
        break;
    }
    return file.seek(offset) ? offset : AVERROR(EIO);
}

int MuxerOutput::open(const char *muxer)
{
    AVFormatContext *format = nullptr;
    const int rc = avformat_alloc_output_context2(&format, nullptr, muxer, nullptr);
    m_format.reset(format);
    if (rc < 0)
        return rc;
    auto *buffer = static_cast<unsigned char *>(av_malloc(kIoBufferBytes));
    if (!buffer)
        return AVERROR(ENOMEM);
    m_io.reset(avio_alloc_context(buffer, kIoBufferBytes, 1, this, nullptr, writeBytes, seekTo));
    if (!m_io) {
        av_free(buffer);
        return AVERROR(ENOMEM);
    }
    format->pb = m_io.get();
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    return 0;
}

int MuxerOutput::flush()
{
    avio_flush(m_io.get());
    return m_io->error < 0 ? m_io->error : 0;
}

} // namespace engine
