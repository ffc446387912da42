#include "engine/ffmpeg/FfmpegInput.h"

#include <QByteArray>
#include <QFileInfo>

extern "C" {
#include <libavutil/mem.h>
}

#include <cstring>

namespace engine {

namespace {

// Only demuxers that read audio out of the one file named. Playlist, concat and image-sequence
// demuxers are left out on purpose: they open other files or addresses named inside the file.
constexpr const char *kAudioDemuxers =
    "mp3,ogg,asf,wav,w64,flac,aiff,au,caf,matroska,mov,aac,ac3,eac3,amr,ape,tta,wv,mpc,mpc8,"
    "dts,voc,xwma,gsm,truehd,mlp,loas,shorten,tak,dsf,wsaud,rso,sox,sln,s16le,mpeg";

constexpr int kIoBufferSize = 64 * 1024;

int readPacket(void *opaque, uint8_t *buffer, int size)
{
    const int64_t got = static_cast<ByteSource *>(opaque)->read(buffer, size);
    if (got < 0)
        return AVERROR(EIO);
    return got == 0 ? AVERROR_EOF : static_cast<int>(got);
}

int64_t seekSource(void *opaque, int64_t offset, int whence)
{
    auto *source = static_cast<ByteSource *>(opaque);
    if (whence & AVSEEK_SIZE)
        return source->size();
    int64_t target = offset;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
        break;
    case SEEK_CUR:
        target += source->position();
        break;
    case SEEK_END:
        target += source->size();
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (target < 0 || !source->seek(target))
        return AVERROR(EIO);
    return target;
}

bool isAllowedDemuxer(const char *names)
{
    const QList<QByteArray> allowed = QByteArray(kAudioDemuxers).split(',');
    for (const QByteArray &name : QByteArray(names).split(','))
        if (allowed.contains(name))
            return true;
    return false;
}

/// Bytes of the ID3v2 tag a file starting with `head` begins with.
int64_t tagBytes(const QByteArray &head)
{
    int64_t tags = 0;
    if (head.size() >= 10 && head.startsWith("ID3")) {
        const auto b = [&head](int i) { return static_cast<uint8_t>(head[i]) & 0x7F; };
        tags = 10 + ((b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9));
        if (static_cast<uint8_t>(head[5]) & 0x10) // a footer follows the tag
            tags += 10;
    }
    return tags;
}

/// What to tell the user about a file the demuxers refused: the bytes decide whether it is
/// a tag without audio, a format the program does not read, or a damaged file of one it does.
Refusal classifyRefused(ByteSource &source, const QString &path)
{
    QByteArray head(64 * 1024 + AVPROBE_PADDING_SIZE, '\0');
    const int64_t size = source.size();
    int64_t got = 0;
    if (source.seek(0))
        got = std::max<int64_t>(source.read(reinterpret_cast<uint8_t *>(head.data()),
                                            head.size() - AVPROBE_PADDING_SIZE),
                                0);
    head.truncate(static_cast<qsizetype>(got));
    int64_t audioBytes = size - tagBytes(head);
    QByteArray tail(128, '\0');
    if (size >= 128 && source.seek(size - 128) &&
        source.read(reinterpret_cast<uint8_t *>(tail.data()), 128) == 128 && tail.startsWith("TAG"))
        audioBytes -= 128;
    if (audioBytes <= 0)
        return Refusal::NoAudio;

    const QByteArray name = QFileInfo(path).fileName().toUtf8();
    head.append(QByteArray(AVPROBE_PADDING_SIZE, '\0'));
    AVProbeData probe{};
    probe.filename = name.constData();
    probe.buf = reinterpret_cast<unsigned char *>(head.data());
    probe.buf_size = static_cast<int>(got);
    int score = 0;
    const AVInputFormat *format = av_probe_input_format3(&probe, 1, &score);
    if (format && isAllowedDemuxer(format->name))
        return Refusal::Damaged;
    return Refusal::UnknownFormat;
}

} // namespace

struct AudioInput::Parts
{
    // Declared in the order of use: the demuxer goes first, the file last.
    std::unique_ptr<ByteSource> source;
    IoContextPtr io;
    FormatContextPtr format;
};

AudioInput::AudioInput() = default;
AudioInput::AudioInput(AudioInput &&) noexcept = default;
AudioInput &AudioInput::operator=(AudioInput &&other) noexcept
{
    m_parts = std::move(other.m_parts);
    return *this;
}
AudioInput::~AudioInput() = default;

AVFormatContext *AudioInput::get() const
{
    return m_parts ? m_parts->format.get() : nullptr;
}

void AudioInput::reset()
{
    m_parts.reset();
}

QString AudioInput::readFailure() const
{
    return m_parts ? m_parts->source->failure() : QString();
}

Status cannotOpen(const QString &path, Refusal reason, const QString &libraryWords)
{
    QString text;
    switch (reason) {
    case Refusal::Empty:
        text = QStringLiteral("the file is empty");
        break;
    case Refusal::NoAudio:
        text = QStringLiteral("the file holds no audio");
        break;
    case Refusal::UnknownFormat:
        text = QStringLiteral(
            "the format of the file is not one this program reads (MP3, OGG, WMA, WAV)");
        break;
    case Refusal::Damaged:
        text = QStringLiteral("the file is damaged or incomplete");
        break;
    }
    if (!libraryWords.isEmpty())
        text += QStringLiteral(" (%1)").arg(libraryWords);
    return Status::cannotOpen(path, text);
}

Result<AudioInput> openAudioInput(const QString &path, const SourceOpener &open)
{
    auto opened = open(path);
    if (!opened)
        return opened.status();
    auto parts = std::make_unique<AudioInput::Parts>();
    parts->source = std::move(opened.value());
    if (parts->source->size() == 0)
        return cannotOpen(path, Refusal::Empty);

    auto *buffer = static_cast<uint8_t *>(av_malloc(kIoBufferSize));
    if (!buffer)
        return Status::cannotOpen(path, QStringLiteral("out of memory"));
    parts->io.reset(avio_alloc_context(buffer, kIoBufferSize, 0, parts->source.get(), &readPacket,
                                       nullptr, &seekSource));
    if (!parts->io) {
        av_free(buffer);
        return Status::cannotOpen(path, QStringLiteral("out of memory"));
    }

    AVDictionary *rawOptions = nullptr;
    av_dict_set(&rawOptions, "format_whitelist", kAudioDemuxers, 0);
    // A demuxer that opens further files or addresses (references inside a QuickTime file)
    // would need a protocol; no protocol is allowed.
    av_dict_set(&rawOptions, "protocol_whitelist", "none", 0);
    std::unique_ptr<AVDictionary, DictionaryDeleter> options(rawOptions);
    AVFormatContext *raw = avformat_alloc_context();
    if (!raw)
        return Status::cannotOpen(path, QStringLiteral("out of memory"));
    raw->pb = parts->io.get();
    // The name only helps the probe (an ".mp3" tips the balance); nothing opens it.
    const QByteArray name = QFileInfo(path).fileName().toUtf8();
    rawOptions = options.release();
    // avformat_open_input frees the context itself when it fails.
    const int rc = avformat_open_input(&raw, name.constData(), nullptr, &rawOptions);
    options.reset(rawOptions);
    if (rc < 0) {
        if (const QString failure = parts->source->failure(); !failure.isEmpty())
            return Status::cannotOpen(path, failure);
        return cannotOpen(path, classifyRefused(*parts->source, path), averrorText(rc));
    }
    parts->format.reset(raw);
    AudioInput input;
    input.m_parts = std::move(parts);
    return input;
}

} // namespace engine
