#include "engine/info/TagLibInformation.h"

#include "engine/ffmpeg/FfmpegInput.h"
#include "engine/info/FormatDescription.h"
#include "engine/info/TagFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace engine {

namespace {

std::filesystem::path nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

Status cannotWrite(const QString &path, QString why)
{
    // Library and system texts end in a stop of their own, or none: the reason gets none.
    while (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    return Status::cannotWriteTags(path, why);
}

Result<TagFormat> probeTagFormat(const QString &path)
{
    auto opened = openAudioInput(path);
    if (!opened)
        return opened.status();
    return tagFormatOf(*opened.value().get());
}

Status copyFile(QFile &from, QFile &to)
{
    constexpr qint64 kChunk = 1 << 20;
    while (!from.atEnd()) {
        const QByteArray chunk = from.read(kChunk);
        if (chunk.isEmpty() && from.error() != QFileDevice::NoError)
            return Status::failure(from.errorString());
        if (to.write(chunk) != chunk.size())
            return Status::failure(to.errorString());
    }
    if (!to.flush())
        return Status::failure(to.errorString());
    return Status::success();
}

} // namespace

Status TagLibInformation::readInformation(const QString &path)
{
    m_description.clear();
    m_tags = TagValues{};
    auto opened = openAudioInput(path);
    if (!opened)
        return opened.status();
    AudioInput format = std::move(opened.value());
    if (const int rc = avformat_find_stream_info(format.get(), nullptr); rc < 0)
        return cannotOpen(path, Refusal::Damaged, averrorText(rc));
    m_description = describeAudio(*format.get());
    const TagFormat tagFormat = tagFormatOf(*format.get());
    format.reset();
    if (auto tags = readTagFile(path, tagFormat))
        m_tags = tags.value();
    return Status::success();
}

Status TagLibInformation::writeTags(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return cannotWrite(path, QStringLiteral("the file does not exist"));
    if (!info.isWritable())
        return cannotWrite(path, QStringLiteral("the file is read-only"));
    const auto format = probeTagFormat(path);
    if (!format)
        return cannotWrite(path, format.description());
    if (format.value() == TagFormat::None)
        return cannotWrite(
            path, QStringLiteral("tags are written into MP3, OGG, WMA and WAV files only"));

    QFile original(path);
    if (!original.open(QIODevice::ReadOnly))
        return cannotWrite(path, original.errorString());
    QTemporaryFile copy(info.absolutePath() + QStringLiteral("/.") + info.completeBaseName() +
                        QStringLiteral(".XXXXXX.") + info.suffix());
    if (!copy.open())
        return cannotWrite(
            path, QStringLiteral("no file can be made beside it (%1)").arg(copy.errorString()));
    if (Status s = copyFile(original, copy); !s)
        return cannotWrite(path, s.description());
    original.close();
    copy.close();

    if (Status s = writeTagFile(copy.fileName(), path, format.value(), m_tags); !s)
        return s;
    QFile::setPermissions(copy.fileName(), info.permissions());
    std::error_code error;
    std::filesystem::rename(nativePath(copy.fileName()), nativePath(path), error);
    if (error)
        return cannotWrite(path, QString::fromStdString(error.message()));
    copy.setAutoRemove(false);
    return Status::success();
}

} // namespace engine
