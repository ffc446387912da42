#include "engine/read/VorbisFileReader.h"

#include "engine/ffmpeg/FfmpegInput.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

namespace engine {

namespace {

size_t readBytes(void *data, size_t size, size_t count, void *source)
{
    const int64_t got = static_cast<ByteSource *>(source)->read(static_cast<uint8_t *>(data),
                                                                int64_t(size * count));
    // libvorbisfile tells a failed read from the end of the file by errno alone.
    if (got < 0) {
        errno = EIO;
        return 0;
    }
    errno = 0;
    return size ? static_cast<size_t>(got) / size : 0;
}

int seekBytes(void *source, ogg_int64_t offset, int whence)
{
    auto *bytes = static_cast<ByteSource *>(source);
    int64_t target = offset;
    if (whence == SEEK_CUR)
        target += bytes->position();
    else if (whence == SEEK_END)
        target += bytes->size();
    return target >= 0 && bytes->seek(target) ? 0 : -1;
}

long tellBytes(void *source)
{
    return static_cast<long>(static_cast<ByteSource *>(source)->position());
}

/// Vorbis orders the channels of 3 to 8 channel streams its own way; FFmpeg's layouts of the
/// same speakers, and where each of ours comes from, so that a mix-down puts every speaker
/// where a decode by FFmpeg would.
struct VorbisOrder
{
    uint64_t layout;
    int from[8];
};
constexpr VorbisOrder kVorbisOrders[] = {
    {AV_CH_LAYOUT_SURROUND, {0, 2, 1}},
    {AV_CH_LAYOUT_QUAD, {0, 1, 2, 3}},
    {AV_CH_LAYOUT_5POINT0_BACK, {0, 2, 1, 3, 4}},
    {AV_CH_LAYOUT_5POINT1_BACK, {0, 2, 1, 5, 3, 4}},
    {AV_CH_LAYOUT_6POINT1, {0, 2, 1, 6, 5, 3, 4}},
    {AV_CH_LAYOUT_7POINT1, {0, 2, 1, 7, 5, 6, 3, 4}},
};

} // namespace

void VorbisFileReader::FileDeleter::operator()(OggVorbis_File *file) const
{
    ov_clear(file);
    delete file;
}

VorbisFileReader::~VorbisFileReader() = default;

Status VorbisFileReader::failure(long code) const
{
    if (code == OV_EREAD && !m_source->failure().isEmpty())
        return Status::failure(
            QStringLiteral("Cannot read '%1': %2").arg(m_path, m_source->failure()));
    return Status::failure(
        QStringLiteral("Cannot read '%1': the file is damaged or incomplete").arg(m_path));
}

Result<std::unique_ptr<VorbisFileReader>> VorbisFileReader::open(const QString &path,
                                                                 const SourceOpener &source)
{
    std::unique_ptr<VorbisFileReader> reader(new VorbisFileReader);
    reader->m_path = path;
    auto opened = source(path);
    if (!opened)
        return opened.status();
    reader->m_source = std::move(opened.value());
    reader->m_file.reset(new OggVorbis_File{});
    const ov_callbacks callbacks{&readBytes, &seekBytes, nullptr, &tellBytes};
    if (const int rc =
            ov_open_callbacks(reader->m_source.get(), reader->m_file.get(), nullptr, 0, callbacks);
        rc < 0) {
        if (rc == OV_EREAD && !reader->m_source->failure().isEmpty())
            return Status::cannotOpen(path, reader->m_source->failure());
        return cannotOpen(path, Refusal::Damaged);
    }
    if (const QString failed = reader->m_source->failure(); !failed.isEmpty())
        return Status::cannotOpen(path, failed);
    OggVorbis_File *file = reader->m_file.get();
    const vorbis_info *first = ov_info(file, 0);
    if (!first || first->rate <= 0 || first->channels <= 0)
        return cannotOpen(path, Refusal::Damaged);
    reader->m_rate = static_cast<int32_t>(first->rate);
    // The program handles mono and stereo; anything wider is mixed down to stereo.
    reader->m_channels = std::clamp(first->channels, 1, 2);

    int64_t fileStart = 0;
    int64_t timelineStart = 0;
    for (long i = 0; i < ov_streams(file); ++i) {
        const vorbis_info *info = ov_info(file, static_cast<int>(i));
        Link link;
        link.fileStart = fileStart;
        link.timelineStart = timelineStart;
        link.frames = std::max<int64_t>(ov_pcm_total(file, static_cast<int>(i)), 0);
        link.kept = info && info->rate == first->rate && info->channels > 0;
        fileStart += link.frames;
        if (link.kept)
            timelineStart += link.frames;
        reader->m_links.push_back(link);
    }
    reader->m_length = timelineStart;
    if (reader->m_length == 0)
        return cannotOpen(path, Refusal::NoAudio);
    return reader;
}

Result<int64_t> VorbisFileReader::seek(int64_t frame)
{
    frame = std::clamp<int64_t>(frame, 0, m_length);
    m_position = frame;
    if (frame == m_length)
        return frame;
    for (const Link &link : m_links) {
        if (!link.kept || frame >= link.timelineStart + link.frames)
            continue;
        const int rc = ov_pcm_seek(m_file.get(), link.fileStart + (frame - link.timelineStart));
        if (rc < 0 || !m_source->failure().isEmpty())
            return failure(m_source->failure().isEmpty() ? rc : OV_EREAD);
        return frame;
    }
    return frame;
}

Status VorbisFileReader::read(int64_t frames, SampleBlock &block)
{
    block.clear();
    frames = std::min(frames, m_length - m_position);
    if (frames <= 0)
        return Status::success();
    block.reserve(static_cast<size_t>(frames) * m_channels);
    while (frames > 0) {
        float **planes = nullptr;
        int link = 0;
        const long got = ov_read_float(m_file.get(), &planes,
                                       static_cast<int>(std::min<int64_t>(frames, INT_MAX)), &link);
        // A hole is a page lost to damage; the pages after it still play, as in every player.
        if (got == OV_HOLE)
            continue;
        // libvorbisfile reports a failed read as the end of the stream; the source knows.
        if (got <= 0 && !m_source->failure().isEmpty())
            return failure(OV_EREAD);
        if (got < 0)
            return failure(got);
        if (got == 0)
            break;
        if (link < 0 || link >= static_cast<int>(m_links.size()) || !m_links[link].kept)
            continue;
        const vorbis_info *info = ov_info(m_file.get(), link);
        if (Status s = append(planes, got, info->channels, block); !s)
            return s;
        frames -= got;
        m_position += got;
    }
    return Status::success();
}

Status VorbisFileReader::append(float **planes, int64_t frames, int channels, SampleBlock &block)
{
    if (channels == m_channels) {
        const size_t at = block.size();
        block.resize(at + static_cast<size_t>(frames * channels));
        float *out = block.data() + at;
        for (int64_t i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c)
                *out++ = planes[c][i];
        return Status::success();
    }
    if (!m_swr || m_swrChannels != channels) {
        m_swr.reset();
        AVChannelLayout in{};
        if (channels >= 3 && channels <= 8)
            av_channel_layout_from_mask(&in, kVorbisOrders[channels - 3].layout);
        else
            av_channel_layout_default(&in, channels);
        AVChannelLayout out{};
        av_channel_layout_default(&out, m_channels);
        SwrContext *raw = nullptr;
        int rc = swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_FLT, m_rate, &in, AV_SAMPLE_FMT_FLTP,
                                     m_rate, 0, nullptr);
        m_swr.reset(raw);
        av_channel_layout_uninit(&in);
        if (rc >= 0)
            rc = swr_init(m_swr.get());
        if (rc < 0)
            return Status::failure(QStringLiteral("Cannot convert the samples of '%1': %2")
                                       .arg(m_path, averrorText(rc)));
        m_swrChannels = channels;
    }
    std::vector<const uint8_t *> in(static_cast<size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        const int from = channels >= 3 && channels <= 8 ? kVorbisOrders[channels - 3].from[c] : c;
        in[static_cast<size_t>(c)] = reinterpret_cast<const uint8_t *>(planes[from]);
    }
    const size_t at = block.size();
    block.resize(at + static_cast<size_t>(frames * m_channels));
    auto *out = reinterpret_cast<uint8_t *>(block.data() + at);
    const int done = swr_convert(m_swr.get(), &out, static_cast<int>(frames), in.data(),
                                 static_cast<int>(frames));
    if (done < 0)
        return Status::failure(QStringLiteral("Cannot convert the samples of '%1': %2")
                                   .arg(m_path, averrorText(done)));
    block.resize(at + static_cast<size_t>(done) * m_channels);
    return Status::success();
}

} // namespace engine
