#include "engine/read/OpenReader.h"

#include "engine/ffmpeg/FfmpegInput.h"
#include "engine/read/FfmpegReader.h"
#include "engine/read/VorbisFileReader.h"

#include <cstring>

namespace engine {

namespace {

/// Whether the demuxer found Ogg with a Vorbis stream. The Ogg demuxer knows its streams'
/// codecs from the headers it reads at open, so nothing needs decoding to tell.
bool isOggVorbis(const AVFormatContext &format)
{
    if (std::strcmp(format.iformat->name, "ogg") != 0)
        return false;
    for (unsigned i = 0; i < format.nb_streams; ++i)
        if (format.streams[i]->codecpar->codec_id == AV_CODEC_ID_VORBIS)
            return true;
    return false;
}

template <typename Reader>
Result<std::unique_ptr<AudioReader>> opened(Result<std::unique_ptr<Reader>> reader)
{
    if (!reader)
        return reader.status();
    return std::unique_ptr<AudioReader>(std::move(reader.value()));
}

} // namespace

Result<std::unique_ptr<AudioReader>> openAudioReader(const QString &path,
                                                     const SourceOpener &source)
{
    auto input = openAudioInput(path, source);
    if (!input)
        return input.status();
    if (isOggVorbis(*input.value().get()))
        return opened(VorbisFileReader::open(path, source));
    // The demuxer that told the format reads the file too: it is opened once.
    return opened(FfmpegReader::open(path, source, std::move(input.value())));
}

} // namespace engine
