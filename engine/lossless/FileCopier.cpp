#include "engine/lossless/FileCopier.h"

#include "engine/lossless/CopySupport.h"
#include "engine/lossless/FlacCopy.h"
#include "engine/lossless/Mp3Copy.h"
#include "engine/lossless/OggCopy.h"
#include "engine/lossless/OpusCopy.h"
#include "engine/lossless/WavCopy.h"

#include <QFileInfo>

#include <cstring>
#include <optional>

namespace engine {

namespace {

/// The format the source's first bytes name; nothing for one that is never copied.
Result<std::optional<OutputFormat>> sniff(SourceFile &source)
{
    const int64_t size = std::min<int64_t>(source.size(), 64);
    const auto view = source.view(0, size);
    if (!view)
        return view.status();
    const uint8_t *d = view.value();
    if (size >= 4 && std::memcmp(d, "fLaC", 4) == 0)
        return std::optional(OutputFormat::Flac);
    if (size >= 4 && std::memcmp(d, "OggS", 4) == 0) {
        // The first page holds the first header alone, which names the codec.
        const int64_t body = size >= 27 ? 27 + d[26] : size;
        if (body + 8 <= size && std::memcmp(d + body, "OpusHead", 8) == 0)
            return std::optional(OutputFormat::Opus);
        if (body + 5 <= size && std::memcmp(d + body,
                                            "\x7f"
                                            "FLAC",
                                            5) == 0)
            return std::optional<OutputFormat>();
        return std::optional(OutputFormat::Ogg);
    }
    if (size >= 12 && (std::memcmp(d, "RIFF", 4) == 0 || std::memcmp(d, "RF64", 4) == 0) &&
        std::memcmp(d + 8, "WAVE", 4) == 0)
        return std::optional(OutputFormat::Wav);
    if (const int64_t tag = id3v2Size(d, size); tag > 0) {
        if (tag + 4 <= source.size()) {
            const auto after = source.view(tag, 4);
            if (!after)
                return after.status();
            if (std::memcmp(after.value(), "fLaC", 4) == 0)
                return std::optional(OutputFormat::Flac);
        }
        return std::optional(OutputFormat::Mp3);
    }
    if (size >= 4 && parseMpegHeader(d))
        return std::optional(OutputFormat::Mp3);
    return std::optional<OutputFormat>();
}

/// The source opened and checked for a copy into `format`.
Result<std::unique_ptr<SourceFile>> openFor(const QString &path, OutputFormat format)
{
    auto source = SourceFile::open(path);
    if (!source)
        return source;
    const auto sniffed = sniff(*source.value());
    if (!sniffed)
        return sniffed.status();
    const std::optional<OutputFormat> kind = sniffed.value();
    if (kind != format) {
        const char *name = "another format";
        for (const OutputFormatEntry &entry : kOutputFormats)
            if (kind && entry.format == *kind)
                name = entry.name;
        return Status::cannotCopy(path,
                                  QStringLiteral("the source is %1").arg(QLatin1String(name)));
    }
    return source;
}

/// The format a destination path asks for; MP3 unless it names another.
std::optional<OutputFormat> formatOf(const QString &path)
{
    if (const OutputFormatEntry *entry = outputFormatOf(path))
        return entry->format;
    return std::nullopt;
}

/// The formats whose coded audio a cut can copy.
bool copies(OutputFormat format)
{
    return format == OutputFormat::Mp3 || format == OutputFormat::Ogg ||
           format == OutputFormat::Wav || format == OutputFormat::Flac ||
           format == OutputFormat::Opus;
}

Status encodedAnew(const QString &sourcePath, OutputFormat format)
{
    const OutputFormatEntry *entry = outputFormatAt(int(format));
    return Status::cannotCopy(
        sourcePath,
        QStringLiteral("%1 is always encoded anew").arg(QLatin1String(entry ? entry->name : "it")));
}

} // namespace

Result<Mp3Stream> FileCopier::mp3Frames(SourceFile &source)
{
    const QFileInfo info(source.path());
    if (m_scanned && m_scanned->path == source.path() && m_scanned->size == source.size() &&
        m_scanned->modified == info.lastModified())
        return m_scanned->stream;
    m_scanned.reset();
    auto stream = scanMp3(source);
    if (stream)
        m_scanned = ScannedMp3{source.path(), source.size(), info.lastModified(), stream.value()};
    return stream;
}

Result<QString> FileCopier::describeCopy(const QString &sourcePath, OutputFormat format)
{
    if (!copies(format))
        return encodedAnew(sourcePath, format);
    auto source = openFor(sourcePath, format);
    if (!source)
        return source.status();
    SourceFile &s = *source.value();
    switch (format) {
    case OutputFormat::Mp3:
        if (auto stream = mp3Frames(s))
            return describeMp3(stream.value());
        else
            return stream.status();
    case OutputFormat::Ogg:
        if (auto ogg = parseOgg(s))
            return describeOgg(ogg.value());
        else
            return ogg.status();
    case OutputFormat::Wav:
        if (auto wav = parseWav(s))
            return describeWav(wav.value());
        else
            return wav.status();
    case OutputFormat::Flac:
        if (auto flac = parseFlac(s))
            return describeFlac(flac.value());
        else
            return flac.status();
    case OutputFormat::Opus:
        if (auto opus = parseOpus(s))
            return describeOpus(opus.value());
        else
            return opus.status();
    default:
        break;
    }
    return encodedAnew(sourcePath, format);
}

Status FileCopier::cut(const QString &sourcePath, const QString &destPath, int64_t beginFrame,
                       int64_t endFrame, const JobCallbacks &callbacks)
{
    const auto format = formatOf(destPath);
    if (!format || !copies(*format))
        return Status::cannotCopy(
            sourcePath, QStringLiteral("the destination is not MP3, OGG, WAV, FLAC or Opus"));
    auto source = openFor(sourcePath, *format);
    if (!source)
        return source.status();
    SourceFile &s = *source.value();
    switch (*format) {
    case OutputFormat::Mp3: {
        const auto stream = mp3Frames(s);
        if (!stream)
            return stream.status();
        return copyMp3(s, stream.value(), destPath, beginFrame, endFrame, callbacks);
    }
    case OutputFormat::Ogg: {
        const auto ogg = parseOgg(s);
        if (!ogg)
            return ogg.status();
        return copyOgg(s, destPath, beginFrame, endFrame, callbacks);
    }
    case OutputFormat::Wav: {
        const auto wav = parseWav(s);
        if (!wav)
            return wav.status();
        return copyWav(s, wav.value(), destPath, beginFrame, endFrame, callbacks);
    }
    case OutputFormat::Flac: {
        const auto flac = parseFlac(s);
        if (!flac)
            return flac.status();
        return copyFlac(s, flac.value(), destPath, beginFrame, endFrame, callbacks);
    }
    case OutputFormat::Opus: {
        const auto opus = parseOpus(s);
        if (!opus)
            return opus.status();
        return copyOpus(s, opus.value(), destPath, beginFrame, endFrame, callbacks);
    }
    default:
        break;
    }
    return encodedAnew(sourcePath, *format);
}

Result<std::unique_ptr<CopySource>> FileCopier::prepare(const QString &sourcePath,
                                                        OutputFormat format)
{
    if (!copies(format))
        return encodedAnew(sourcePath, format);
    auto source = openFor(sourcePath, format);
    if (!source)
        return source.status();
    std::unique_ptr<SourceFile> &s = source.value();
    switch (format) {
    case OutputFormat::Mp3: {
        auto stream = mp3Frames(*s);
        if (!stream)
            return stream.status();
        return prepareMp3(std::move(s), std::move(stream.value()));
    }
    case OutputFormat::Ogg:
        return prepareOgg(std::move(s));
    case OutputFormat::Wav: {
        auto wav = parseWav(*s);
        if (!wav)
            return wav.status();
        return prepareWav(std::move(s), std::move(wav.value()));
    }
    default:
        break;
    }
    return encodedAnew(sourcePath, format);
}

} // namespace engine
