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

/// An empty ID3v2.4 tag of `padding` bytes of padding. TagLib writes a tag that fits into
/// such room in place; without it, it moves the whole file in 1 KB steps to make room at
/// the front, which costs a long copy tens of thousands of small writes.
QByteArray emptyId3v2(int padding)
{
    QByteArray tag("ID3\x04\x00\x00", 6);
    for (int shift : {21, 14, 7, 0})
        tag.append(char((padding >> shift) & 0x7F));
    tag.append(QByteArray(padding, '\0'));
    return tag;
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
    return writeInCopy(path, [this, &path](const QString &copy, TagFormat format) {
        return writeTagFile(copy, path, format, m_tags);
    });
}

Result<QByteArray> TagLibInformation::tagsInHeader(const QByteArray &header)
{
    return engine::tagsInHeader(header, m_tags);
}

Status TagLibInformation::writeGainTags(const QString &path, const GainTags &gain)
{
    return writeInCopy(path, [&path, &gain](const QString &copy, TagFormat format) {
        return writeGainTagFile(copy, path, format, gain);
    });
}

Status TagLibInformation::writeInCopy(const QString &path, const TagWrite &write)
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
        return cannotWrite(path, untaggedFormatReason());

    QFile original(path);
    if (!original.open(QIODevice::ReadOnly))
        return cannotWrite(path, original.errorString());
    QTemporaryFile copy(info.absolutePath() + QStringLiteral("/.") + info.completeBaseName() +
                        QStringLiteral(".XXXXXX.") + info.suffix());
    if (!copy.open())
        return cannotWrite(
            path, QStringLiteral("no file can be made beside it (%1)").arg(copy.errorString()));
    if (format.value() == TagFormat::Mp3 && !original.peek(3).startsWith("ID3")) {
        const QByteArray room = emptyId3v2(16 * 1024);
        if (copy.write(room) != room.size())
            return cannotWrite(path, copy.errorString());
    }
    if (Status s = copyFile(original, copy); !s)
        return cannotWrite(path, s.description());
    original.close();
    copy.close();

    if (Status s = write(copy.fileName(), format.value()); !s)
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
