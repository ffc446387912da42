#pragma once

#include "engine/ffmpeg/FfmpegPtr.h"
#include "engine/ffmpeg/FfmpegVersion.h"
#include "engine/write/DestinationFile.h"

namespace engine {

/// One of FFmpeg's muxers writing into our destination file, which it may seek in to complete
/// its headers at the end (ASF's header and index, FLAC's STREAMINFO, MP4's atoms).
class MuxerOutput
{
public:
    /// `file` must outlive this object.
    explicit MuxerOutput(DestinationFile &file) : m_file(file) {}

    /// 0, or FFmpeg's error code.
    int open(const char *muxer);
    AVFormatContext *format() const { return m_format.get(); }
    /// Hands on what the I/O context still holds: 0, or the error of a write.
    int flush();

private:
    static int writeBytes(void *opaque, AvioWriteBytes data, int size);
    static int64_t seekTo(void *opaque, int64_t offset, int whence);

    DestinationFile &m_file;
    // Declared before the muxer, so that the muxer, which points at it, goes first.
    IoContextPtr m_io;
    OutputFormatContextPtr m_format;
};

} // namespace engine
