#include "FfmpegInput.h"

#include <QFileInfo>

extern "C" {
#include <libavutil/mem.h>
}

namespace engine {

namespace {

// Only demuxers that read audio out of the one file named. Playlist, concat and image-sequence
// demuxers are left out on purpose: they open other files or addresses named inside the file.
constexpr const char *kAudioDemuxers =
    "mp3,ogg,asf,wav,w64,flac,aiff,au,caf,matroska,mov,aac,ac3,eac3,amr,ape,tta,wv,mpc,mpc8,"
    "dts,voc,xwma,gsm,truehd,mlp,loas,shorten,tak,dsf,wsaud,rso,sox,sln,s16le,mpeg";

// No audio file needs a single block this large. A damaged header can make a demuxer ask for
// its size fields as they stand (a WAV tag list claiming 2 GB), and FFmpeg would allocate
// and clear all of it; beyond this limit the demuxer gets no memory and the open fails.
constexpr size_t kLargestAllocation = 64 * 1024 * 1024;

} // namespace

Result<FormatContextPtr> openLocalAudioInput(const QString &path)
{
    static const bool limited = [] {
        av_max_alloc(kLargestAllocation);
        return true;
    }();
    (void)limited;
    AVDictionary *rawOptions = nullptr;
    av_dict_set(&rawOptions, "protocol_whitelist", "file", 0);
    av_dict_set(&rawOptions, "format_whitelist", kAudioDemuxers, 0);
    std::unique_ptr<AVDictionary, DictionaryDeleter> options(rawOptions);

    // The "file:" prefix keeps a name like "rtp:x.mp3" or "a|b" a plain local file name.
    const QByteArray url = "file:" + QFileInfo(path).absoluteFilePath().toUtf8();
    AVFormatContext *raw = nullptr;
    rawOptions = options.release();
    const int rc = avformat_open_input(&raw, url.constData(), nullptr, &rawOptions);
    options.reset(rawOptions);
    if (rc < 0)
        return Status::failure(QStringLiteral("Cannot open '%1': %2").arg(path, averrorText(rc)));
    return FormatContextPtr(raw);
}

} // namespace engine
