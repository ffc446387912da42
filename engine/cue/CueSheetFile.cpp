#include "engine/cue/CueSheetFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>

#include <libcue.h>

#include <memory>

namespace engine {

namespace {

struct CdDelete
{
    void operator()(Cd *cd) const { cd_delete(cd); }
};
using CdPtr = std::unique_ptr<Cd, CdDelete>;

/// What Windows-1252 has in 0x80..0x9F, where Latin-1 has control codes; 0 where it has none.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString cdText(Cdtext *text, Pti what)
{
    return text ? cueText(cdtext_get(what, text)) : QString();
}

QString timeText(int64_t cueFrames)
{
    return QStringLiteral("%1:%2:%3")
        .arg(cueFrames / (75 * 60), 2, 10, QLatin1Char('0'))
        .arg(cueFrames / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(cueFrames % 75, 2, 10, QLatin1Char('0'));
}

QString quoted(QString text)
{
    // The sheet's quoting has no escape: a quote inside a title would end it.
    text.replace(u'"', u'\'');
    text.replace(u'\n', u' ');
    return u'"' + text + u'"';
}

Status refused(const QString &path, const QString &reason)
{
    return Status::failure(QStringLiteral("Cannot read the cue sheet '%1': %2").arg(path, reason));
}

} // namespace

int64_t frameOfCueTime(int64_t cueFrames, int32_t sampleRate)
{
    // Exact in integers: 75 is odd, so a remainder is never half of it.
    const int64_t scaled = cueFrames * sampleRate;
    return scaled / 75 + (scaled % 75 * 2 > 75 ? 1 : 0);
}

int64_t cueTimeOfFrame(int64_t frame, int32_t sampleRate)
{
    if (sampleRate <= 0)
        return 0;
    const int64_t scaled = frame * 75;
    const int64_t whole = scaled / sampleRate;
    const int64_t twice = scaled % sampleRate * 2;
    if (twice > sampleRate || (twice == sampleRate && whole % 2 == 1))
        return whole + 1;
    return whole;
}

QString cueText(const char *bytes)
{
    if (!bytes)
        return QString();
    const QByteArray raw(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(raw);
    if (!utf8.hasError())
        return text;
    text.clear();
    for (char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        const char16_t high = byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : 0;
        text += QChar(high ? high : char16_t(byte));
    }
    return text;
}

Result<PartList> CueSheetFile::read(const QString &cuePath, int32_t sampleRate,
                                    int64_t length) const
{
    QFile file(cuePath);
    if (!file.open(QIODevice::ReadOnly))
        return refused(cuePath, file.errorString());
    // A sheet is a few kilobytes; anything far larger is not one.
    QByteArray bytes = file.read(1 << 20);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    bytes.replace('\0', ' ');
    const CdPtr cd(cue_parse_string(bytes.constData()));
    if (!cd || cd_get_ntrack(cd.get()) < 1)
        return refused(cuePath, QStringLiteral("it is not a cue sheet with tracks."));
    const int count = cd_get_ntrack(cd.get());
    QSet<QString> files;
    for (int i = 1; i <= count; ++i)
        if (const Track *track = cd_get_track(cd.get(), i))
            files.insert(cueText(track_get_filename(track)));
    if (files.size() > 1)
        return refused(cuePath,
                       QStringLiteral("the cue sheet describes %1 files.").arg(files.size()));

    PartList list;
    list.album = cdText(cd_get_cdtext(cd.get()), PTI_TITLE);
    list.artist = cdText(cd_get_cdtext(cd.get()), PTI_PERFORMER);
    std::vector<int64_t> starts;
    for (int i = 1; i <= count; ++i) {
        const Track *track = cd_get_track(cd.get(), i);
        const long index = track ? track_get_index(track, 1) : -1;
        if (index < 0)
            return refused(cuePath, QStringLiteral("track %1 has no INDEX 01.").arg(i));
        const int64_t start = frameOfCueTime(index, sampleRate);
        if (!starts.empty() && start <= starts.back())
            return refused(cuePath, QStringLiteral("the start of track %1 does not come after the "
                                                   "start of track %2.")
                                        .arg(i)
                                        .arg(i - 1));
        if (start >= length)
            return refused(cuePath,
                           QStringLiteral("track %1 starts after the end of the audio.").arg(i));
        starts.push_back(start);
        Part part;
        part.begin = start;
        part.title = cdText(track_get_cdtext(track), PTI_TITLE);
        part.performer = cdText(track_get_cdtext(track), PTI_PERFORMER);
        list.parts.push_back(part);
    }
    for (size_t i = 0; i < list.parts.size(); ++i)
        list.parts[i].end = i + 1 < list.parts.size() ? list.parts[i + 1].begin : length;
    return list;
}

Status CueSheetFile::write(const QString &cuePath, const QString &sourcePath, const PartList &parts,
                           int32_t sampleRate) const
{
    QString text;
    if (!parts.artist.isEmpty())
        text += QStringLiteral("PERFORMER ") + quoted(parts.artist) + u'\n';
    if (!parts.album.isEmpty())
        text += QStringLiteral("TITLE ") + quoted(parts.album) + u'\n';
    // A sheet beside its source names it by its file name alone, as rippers write them.
    const QFileInfo source(sourcePath);
    const bool beside = source.absolutePath() == QFileInfo(cuePath).absolutePath();
    const QString name =
        beside ? source.fileName() : QDir::toNativeSeparators(source.absoluteFilePath());
    const QString type = source.suffix().compare(QStringLiteral("mp3"), Qt::CaseInsensitive) == 0
                             ? QStringLiteral("MP3")
                             : QStringLiteral("WAVE");
    text += QStringLiteral("FILE %1 %2\n").arg(quoted(name), type);
    int number = 0;
    for (const Part &part : parts.parts) {
        text += QStringLiteral("  TRACK %1 AUDIO\n").arg(++number, 2, 10, QLatin1Char('0'));
        if (!part.title.isEmpty())
            text += QStringLiteral("    TITLE ") + quoted(part.title) + u'\n';
        if (!part.performer.isEmpty())
            text += QStringLiteral("    PERFORMER ") + quoted(part.performer) + u'\n';
        text += QStringLiteral("    INDEX 01 ") + timeText(cueTimeOfFrame(part.begin, sampleRate)) +
                u'\n';
    }
    QSaveFile file(cuePath);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return Status::failure(
            QStringLiteral("Cannot write the cue sheet '%1': %2").arg(cuePath, file.errorString()));
    return Status::success();
}

} // namespace engine
