#include "engine/info/TagFiles.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <asffile.h>
#include <flacfile.h>
#include <id3v2tag.h>
#include <infotag.h>
#include <mp4file.h>
#include <mpegfile.h>
#include <opusfile.h>
#include <textidentificationframe.h>
#include <tpropertymap.h>
#include <tstring.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <xiphcomment.h>

#include <QFile>

#include <cstring>
#include <string>

namespace engine {

namespace {

/// A file name in the form TagLib takes on this platform: UTF-16 on Windows, the file
/// system's bytes elsewhere.
class TagLibPath
{
public:
    explicit TagLibPath(const QString &path)
#ifdef Q_OS_WIN
        : m_name(path.toStdWString())
#else
        : m_name(QFile::encodeName(path))
#endif
    {}
    operator TagLib::FileName() const
    {
#ifdef Q_OS_WIN
        return m_name.c_str();
#else
        return m_name.constData();
#endif
    }

private:
#ifdef Q_OS_WIN
    std::wstring m_name;
#else
    QByteArray m_name;
#endif
};

QString fromTagLib(const TagLib::String &text)
{
    return QString::fromUtf8(text.toCString(true));
}

TagLib::String toTagLib(const QString &text)
{
    return TagLib::String(text.toUtf8().constData(), TagLib::String::UTF8);
}

/// The first value of `key`; empty when the map has none.
QString firstValue(const TagLib::PropertyMap &map, const char *key)
{
    const TagLib::StringList values = map.value(key);
    return values.isEmpty() ? QString() : fromTagLib(values.front());
}

/// "3" and "12" as "3/12". A number that counts the tracks already stays as it is, and a
/// count without a number means nothing.
QString trackText(const QString &number, const QString &total)
{
    if (number.isEmpty() || total.isEmpty() || number.contains(QLatin1Char('/')))
        return number;
    return number + QLatin1Char('/') + total;
}

/// The seven values under the keys that TagLib gives ID3v2 frames, Vorbis comments and ASF
/// attributes alike. The ffmpeg program writes an Ogg comment as DESCRIPTION.
TagValues valuesOf(const TagLib::PropertyMap &map)
{
    TagValues values;
    values.title = firstValue(map, "TITLE");
    values.artist = firstValue(map, "ARTIST");
    values.album = firstValue(map, "ALBUM");
    values.comment = firstValue(map, "COMMENT");
    if (values.comment.isEmpty())
        values.comment = firstValue(map, "DESCRIPTION");
    values.genre = firstValue(map, "GENRE").trimmed();
    values.date = firstValue(map, "DATE").trimmed();
    values.track = trackText(firstValue(map, "TRACKNUMBER").trimmed(),
                             firstValue(map, "TRACKTOTAL").trimmed());
    return values;
}

/// TagLib 1.13 has no PropertyMap for the RIFF INFO list, and its Tag interface gives date
/// and track as numbers: those two come as the list holds them.
TagValues valuesOf(const TagLib::RIFF::Info::Tag &tag)
{
    TagValues values;
    values.title = fromTagLib(tag.title());
    values.artist = fromTagLib(tag.artist());
    values.album = fromTagLib(tag.album());
    values.comment = fromTagLib(tag.comment());
    values.genre = fromTagLib(tag.genre()).trimmed();
    values.date = fromTagLib(tag.fieldText("ICRD")).trimmed();
    values.track = fromTagLib(tag.fieldText("IPRT")).trimmed();
    return values;
}

/// Where the ffmpeg program puts what has no standard ASF attribute: plain-named
/// "Description" and "date" attributes, which TagLib does not map.
void addFfmpegFields(TagValues &values, const TagLib::ASF::Tag &tag)
{
    auto attribute = [&tag](const char *name) {
        const TagLib::ASF::AttributeListMap &map = tag.attributeListMap();
        const auto found = map.find(name);
        return found == map.end() || found->second.isEmpty()
                   ? QString()
                   : fromTagLib(found->second.front().toString());
    };
    if (values.comment.isEmpty())
        values.comment = attribute("Description");
    if (values.date.isEmpty())
        values.date = attribute("date").trimmed();
}

/// Each field from `first` where it has one, otherwise from `second`.
TagValues merged(const TagValues &first, const TagValues &second)
{
    TagValues values = first;
    auto fill = [](QString &field, const QString &other) {
        if (field.isEmpty())
            field = other;
    };
    fill(values.title, second.title);
    fill(values.artist, second.artist);
    fill(values.album, second.album);
    fill(values.comment, second.comment);
    fill(values.genre, second.genre);
    fill(values.date, second.date);
    fill(values.track, second.track);
    return values;
}

/// Vorbis comments keep the number of tracks in a field of its own.
enum class TrackTotal
{
    InTrack,
    Apart
};

/// Puts the seven values into `map`, removing the keys of those that are "none"; the
/// destination's other fields (its encoder, say) stay as they were.
void putValues(TagLib::PropertyMap &map, const TagValues &values, TrackTotal total)
{
    auto put = [&map](const char *key, const QString &value) {
        if (value.isEmpty())
            map.erase(key);
        else
            map.replace(key, TagLib::StringList(toTagLib(value)));
    };
    put("TITLE", values.title);
    put("ARTIST", values.artist);
    put("ALBUM", values.album);
    put("COMMENT", values.comment);
    put("GENRE", values.genre.trimmed());
    put("DATE", values.date.trimmed());
    if (total == TrackTotal::Apart) {
        const QString track = values.track.trimmed();
        const bool counted = track.contains(QLatin1Char('/'));
        put("TRACKNUMBER", counted ? track.section(QLatin1Char('/'), 0, 0).trimmed() : track);
        put("TRACKTOTAL", counted ? track.section(QLatin1Char('/'), 1).trimmed() : QString());
    } else {
        put("TRACKNUMBER", values.track.trimmed());
    }
}

/// The values written replace what the ffmpeg program keeps outside the standard frames:
/// left in place, an equal "TXXX" comment would stand for the new one, which most readers
/// look for in a "COMM" frame only.
void applyTo(TagLib::ID3v2::Tag &tag, const TagValues &values)
{
    const TagLib::ID3v2::FrameList frames = tag.frameList("TXXX");
    for (TagLib::ID3v2::Frame *frame : frames) {
        const auto *text = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame *>(frame);
        if (text && fromTagLib(text->description())
                            .compare(QLatin1String("comment"), Qt::CaseInsensitive) == 0)
            tag.removeFrame(frame);
    }
    TagLib::PropertyMap map = tag.properties();
    putValues(map, values, TrackTotal::InTrack);
    tag.setProperties(map);
}

void applyTo(TagLib::Ogg::XiphComment &tag, const TagValues &values)
{
    TagLib::PropertyMap map = tag.properties();
    putValues(map, values, TrackTotal::Apart);
    // Readers show a DESCRIPTION in place of the COMMENT written.
    map.erase("DESCRIPTION");
    tag.setProperties(map);
}

void applyTo(TagLib::MP4::Tag &tag, const TagValues &values)
{
    // The track atom holds "n/N" itself.
    TagLib::PropertyMap map = tag.properties();
    putValues(map, values, TrackTotal::InTrack);
    tag.setProperties(map);
}

void applyTo(TagLib::ASF::Tag &tag, const TagValues &values)
{
    // The ffmpeg program repeats title, artist, comment and date as attributes beside the
    // standard ones, and readers take the attribute: old ones would hide the new values.
    TagLib::StringList shadows;
    for (const auto &[name, attributes] : tag.attributeListMap()) {
        const QString key = fromTagLib(name).toLower();
        if (key == QLatin1String("title") || key == QLatin1String("author") ||
            key == QLatin1String("description") || key == QLatin1String("date"))
            shadows.append(name);
    }
    for (const TagLib::String &name : shadows)
        tag.removeItem(name);
    // The old zero-based track number would stand beside the one written.
    tag.removeItem("WM/Track");
    TagLib::PropertyMap map = tag.properties();
    putValues(map, values, TrackTotal::InTrack);
    tag.setProperties(map);
    // Players that read WM/TrackNumber as a number find a plain one as a number, as other
    // programs write it; a number with its count can only be text.
    bool plain = false;
    const unsigned number = values.track.trimmed().toUInt(&plain);
    if (plain)
        tag.setAttribute("WM/TrackNumber", TagLib::ASF::Attribute(number));
}

/// TagLib 1.13 has no PropertyMap for the RIFF INFO list (see the reading side).
void applyTo(TagLib::RIFF::Info::Tag &tag, const TagValues &values)
{
    tag.setTitle(toTagLib(values.title));
    tag.setArtist(toTagLib(values.artist));
    tag.setAlbum(toTagLib(values.album));
    tag.setComment(toTagLib(values.comment));
    tag.setGenre(toTagLib(values.genre.trimmed()));
    tag.setFieldText("ICRD", toTagLib(values.date.trimmed()));
    tag.setFieldText("IPRT", toTagLib(values.track.trimmed()));
}

Status notReadable(const QString &path)
{
    return Status::failure(
        QStringLiteral("Cannot read the tags of '%1': the file is damaged or cannot be opened.")
            .arg(path));
}

Status saved(bool ok, const QString &path)
{
    if (ok)
        return Status::success();
    // TagLib says no more than that saving failed.
    return Status::cannotWriteTags(
        path, QStringLiteral("the file could not be rewritten with them (the disk may be full, "
                             "or another program holds the file)"));
}

template <typename File> Status checkWritable(const File &file, const QString &path)
{
    if (!file.isValid())
        return Status::cannotWriteTags(path,
                                       QStringLiteral("the file is damaged or cannot be opened"));
    if (file.readOnly())
        return Status::cannotWriteTags(path, QStringLiteral("the file is read-only"));
    return Status::success();
}

} // namespace

QString untaggedFormatReason()
{
    return QStringLiteral(
        "tags are written into MP3, OGG, Opus, WMA, WAV, FLAC and M4A files only");
}

TagFormat tagFormatOf(const AVFormatContext &format)
{
    const char *name = format.iformat ? format.iformat->name : "";
    auto hasCodec = [&format](AVCodecID codec) {
        for (unsigned i = 0; i < format.nb_streams; ++i)
            if (format.streams[i]->codecpar->codec_id == codec)
                return true;
        return false;
    };
    if (std::strcmp(name, "mp3") == 0)
        return TagFormat::Mp3;
    if (std::strcmp(name, "asf") == 0)
        return TagFormat::Wma;
    if (std::strcmp(name, "wav") == 0)
        return TagFormat::Wav;
    if (std::strcmp(name, "flac") == 0)
        return TagFormat::Flac;
    if (std::strstr(name, "mp4") != nullptr)
        return TagFormat::Mp4;
    if (std::strcmp(name, "ogg") == 0) {
        if (hasCodec(AV_CODEC_ID_VORBIS))
            return TagFormat::OggVorbis;
        if (hasCodec(AV_CODEC_ID_OPUS))
            return TagFormat::OggOpus;
    }
    return TagFormat::None;
}

Result<TagValues> readTagFile(const QString &path, TagFormat format)
{
    const TagLibPath name(path);
    switch (format) {
    case TagFormat::None:
        return TagValues{};
    case TagFormat::Mp3: {
        TagLib::MPEG::File file(name, false);
        if (!file.isValid())
            return notReadable(path);
        // The first of ID3v2, APE and ID3v1 that the file has.
        return valuesOf(file.properties());
    }
    case TagFormat::OggVorbis: {
        TagLib::Ogg::Vorbis::File file(name, false);
        if (!file.isValid())
            return notReadable(path);
        return valuesOf(file.tag()->properties());
    }
    case TagFormat::OggOpus: {
        TagLib::Ogg::Opus::File file(name, false);
        if (!file.isValid())
            return notReadable(path);
        return valuesOf(file.tag()->properties());
    }
    case TagFormat::Wma: {
        TagLib::ASF::File file(name, false);
        if (!file.isValid())
            return notReadable(path);
        TagValues values = valuesOf(file.tag()->properties());
        addFfmpegFields(values, *file.tag());
        return values;
    }
    case TagFormat::Flac: {
        TagLib::FLAC::File file(name, false);
        if (!file.isValid())
            return notReadable(path);
        return valuesOf(file.properties());
    }
    case TagFormat::Mp4: {
        TagLib::MP4::File file(name, false);
        if (!file.isValid())
            return notReadable(path);
        return valuesOf(file.tag()->properties());
    }
    case TagFormat::Wav: {
        TagLib::RIFF::WAV::File file(name, false);
        if (!file.isValid())
            return notReadable(path);
        return merged(valuesOf(file.ID3v2Tag()->properties()), valuesOf(*file.InfoTag()));
    }
    }
    return TagValues{};
}

Status writeTagFile(const QString &path, const QString &shownPath, TagFormat format,
                    const TagValues &values)
{
    const TagLibPath name(path);
    switch (format) {
    case TagFormat::None:
        break;
    case TagFormat::Mp3: {
        TagLib::MPEG::File file(name, false);
        if (Status s = checkWritable(file, shownPath); !s)
            return s;
        applyTo(*file.ID3v2Tag(true), values);
        // ID3v2.3 alone: what older players read best, and no ID3v1 that would cut titles
        // to 30 Latin-1 characters. TagLib writes a date as its year and its day and month
        // (TYER, TDAT), the frames of that version: a year with only a month keeps the year.
        return saved(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                               TagLib::ID3v2::v3, TagLib::File::DoNotDuplicate),
                     shownPath);
    }
    case TagFormat::OggVorbis: {
        TagLib::Ogg::Vorbis::File file(name, false);
        if (Status s = checkWritable(file, shownPath); !s)
            return s;
        applyTo(*file.tag(), values);
        return saved(file.save(), shownPath);
    }
    case TagFormat::OggOpus: {
        TagLib::Ogg::Opus::File file(name, false);
        if (Status s = checkWritable(file, shownPath); !s)
            return s;
        applyTo(*file.tag(), values);
        return saved(file.save(), shownPath);
    }
    case TagFormat::Wma: {
        TagLib::ASF::File file(name, false);
        if (Status s = checkWritable(file, shownPath); !s)
            return s;
        applyTo(*file.tag(), values);
        return saved(file.save(), shownPath);
    }
    case TagFormat::Flac: {
        TagLib::FLAC::File file(name, false);
        if (Status s = checkWritable(file, shownPath); !s)
            return s;
        applyTo(*file.xiphComment(true), values);
        return saved(file.save(), shownPath);
    }
    case TagFormat::Mp4: {
        TagLib::MP4::File file(name, false);
        if (Status s = checkWritable(file, shownPath); !s)
            return s;
        applyTo(*file.tag(), values);
        return saved(file.save(), shownPath);
    }
    case TagFormat::Wav: {
        // ffprobe reads only the INFO list when there is one, mutagen only the ID3 chunk.
        TagLib::RIFF::WAV::File file(name, false);
        if (Status s = checkWritable(file, shownPath); !s)
            return s;
        applyTo(*file.ID3v2Tag(), values);
        applyTo(*file.InfoTag(), values);
        return saved(file.save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripOthers,
                               TagLib::ID3v2::v3),
                     shownPath);
    }
    }
    return Status::cannotWriteTags(shownPath, untaggedFormatReason());
}

Result<QByteArray> tagsInHeader(const QByteArray &header, const TagValues &values)
{
    static const char kVorbisComment[] = "\x03vorbis";
    const auto bytesOf = [](const TagLib::ByteVector &v) {
        return QByteArray(v.data(), qsizetype(v.size()));
    };
    if (header.startsWith(QByteArray::fromRawData(kVorbisComment, 7))) {
        TagLib::Ogg::XiphComment comment(
            TagLib::ByteVector(header.constData() + 7, unsigned(header.size() - 7)));
        applyTo(comment, values);
        return QByteArray(kVorbisComment, 7) + bytesOf(comment.render(true));
    }
    if (header.startsWith("ID3")) {
        // A fresh tag, as a copy's MP3 has none of its own: the file's tag is what it says.
        TagLib::ID3v2::Tag tag;
        applyTo(tag, values);
        return bytesOf(tag.render(TagLib::ID3v2::v3));
    }
    return Status::cannotWriteTags(QString(), QStringLiteral("the header holds no tags"));
}

namespace {

void putGain(TagLib::PropertyMap &map, const GainTags &gain)
{
    map.replace("REPLAYGAIN_TRACK_GAIN", TagLib::StringList(toTagLib(gain.trackGain)));
    map.replace("REPLAYGAIN_TRACK_PEAK", TagLib::StringList(toTagLib(gain.trackPeak)));
}

template <typename File, typename Tag>
Status putGainInto(File &file, Tag &tag, const QString &shownPath, const GainTags &gain)
{
    if (Status s = checkWritable(file, shownPath); !s)
        return s;
    TagLib::PropertyMap map = tag.properties();
    putGain(map, gain);
    tag.setProperties(map);
    return Status::success();
}

} // namespace

Status writeGainTagFile(const QString &path, const QString &shownPath, TagFormat format,
                        const GainTags &gain)
{
    const TagLibPath name(path);
    switch (format) {
    case TagFormat::Mp3: {
        TagLib::MPEG::File file(name, false);
        if (!file.isValid())
            return checkWritable(file, shownPath);
        if (Status s = putGainInto(file, *file.ID3v2Tag(true), shownPath, gain); !s)
            return s;
        // The same layout writeTagFile leaves: ID3v2.3 alone.
        return saved(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                               TagLib::ID3v2::v3, TagLib::File::DoNotDuplicate),
                     shownPath);
    }
    case TagFormat::OggVorbis: {
        TagLib::Ogg::Vorbis::File file(name, false);
        if (!file.isValid())
            return checkWritable(file, shownPath);
        if (Status s = putGainInto(file, *file.tag(), shownPath, gain); !s)
            return s;
        return saved(file.save(), shownPath);
    }
    case TagFormat::OggOpus: {
        TagLib::Ogg::Opus::File file(name, false);
        if (!file.isValid())
            return checkWritable(file, shownPath);
        if (Status s = putGainInto(file, *file.tag(), shownPath, gain); !s)
            return s;
        return saved(file.save(), shownPath);
    }
    case TagFormat::None:
    case TagFormat::Wma:
    case TagFormat::Wav:
    case TagFormat::Flac:
    case TagFormat::Mp4:
        break;
    }
    return Status::cannotWriteTags(
        shownPath, QStringLiteral("ReplayGain tags are written into MP3 and OGG files only"));
}

} // namespace engine
