#include "engine/info/TagFiles.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <asffile.h>
#include <id3v1genres.h>
#include <id3v2tag.h>
#include <infotag.h>
#include <mpegfile.h>
#include <opusfile.h>
#include <textidentificationframe.h>
#include <tstring.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <xiphcomment.h>

#include <QFile>

#include <algorithm>
#include <cstring>
#include <limits>
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

TagValues valuesOf(const TagLib::Tag &tag)
{
    TagValues values;
    values.title = fromTagLib(tag.title());
    values.artist = fromTagLib(tag.artist());
    values.album = fromTagLib(tag.album());
    values.comment = fromTagLib(tag.comment());
    values.genreText = fromTagLib(tag.genre()).trimmed();
    values.genre = genreNumber(values.genreText);
    values.year =
        static_cast<int32_t>(std::min<unsigned>(tag.year(), std::numeric_limits<int32_t>::max()));
    values.track =
        static_cast<int16_t>(std::min<unsigned>(tag.track(), std::numeric_limits<int16_t>::max()));
    return values;
}

/// Where the ffmpeg program puts what has no standard frame or field: an ID3v2 "TXXX" frame
/// for a comment, and plain-named ASF attributes ("Description", "date").
void addFfmpegFields(TagValues &values, TagLib::ID3v2::Tag *tag)
{
    if (!tag || !values.comment.isEmpty())
        return;
    for (const TagLib::ID3v2::Frame *frame : tag->frameList("TXXX")) {
        const auto *text = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame *>(frame);
        if (text && fromTagLib(text->description())
                            .compare(QLatin1String("comment"), Qt::CaseInsensitive) == 0) {
            const TagLib::StringList fields = text->fieldList();
            // The first field repeats the description.
            if (fields.size() > 1)
                values.comment = fromTagLib(fields[1]);
            return;
        }
    }
}

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
    if (values.year <= 0)
        values.year = attribute("date").left(4).toInt();
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
    if (values.genreText.isEmpty()) {
        values.genreText = second.genreText;
        values.genre = second.genre;
    }
    if (values.year <= 0)
        values.year = second.year;
    if (values.track <= 0)
        values.track = second.track;
    return values;
}

/// The genre's text; the number's name for values that carry only a number.
QString genreToWrite(const TagValues &values)
{
    const QString text = values.genreText.trimmed();
    return text.isEmpty() ? genreName(values.genre) : text;
}

/// TagLib removes a field it is given empty text or 0 for, in every tag kind used here
/// except ASF (handled by its caller).
void applyTo(TagLib::Tag &tag, const TagValues &values)
{
    tag.setTitle(toTagLib(values.title));
    tag.setArtist(toTagLib(values.artist));
    tag.setAlbum(toTagLib(values.album));
    tag.setComment(toTagLib(values.comment));
    tag.setGenre(toTagLib(genreToWrite(values)));
    tag.setYear(static_cast<unsigned>(std::max(values.year, 0)));
    tag.setTrack(static_cast<unsigned>(std::max<int>(values.track, 0)));
}

/// The values written replace what the ffmpeg program keeps outside the standard frames.
void applyTo(TagLib::ID3v2::Tag &tag, const TagValues &values)
{
    applyTo(static_cast<TagLib::Tag &>(tag), values);
    const TagLib::ID3v2::FrameList frames = tag.frameList("TXXX");
    for (TagLib::ID3v2::Frame *frame : frames) {
        const auto *text = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame *>(frame);
        if (text && fromTagLib(text->description())
                            .compare(QLatin1String("comment"), Qt::CaseInsensitive) == 0)
            tag.removeFrame(frame);
    }
}

void applyTo(TagLib::ASF::Tag &tag, const TagValues &values)
{
    applyTo(static_cast<TagLib::Tag &>(tag), values);
    // The ffmpeg program repeats title, artist and comment as attributes beside the content
    // description, and readers take the attribute: old ones would hide the new values.
    TagLib::StringList shadows;
    for (const auto &[name, attributes] : tag.attributeListMap()) {
        const QString key = fromTagLib(name).toLower();
        if (key == QLatin1String("title") || key == QLatin1String("author") ||
            key == QLatin1String("description") || key == QLatin1String("date"))
            shadows.append(name);
    }
    for (const TagLib::String &name : shadows)
        tag.removeItem(name);
    // ASF keeps "0" and empty attributes where the other kinds drop the field.
    if (genreToWrite(values).isEmpty())
        tag.removeItem("WM/Genre");
    if (values.year <= 0)
        tag.removeItem("WM/Year");
    if (values.track <= 0) {
        tag.removeItem("WM/TrackNumber");
        tag.removeItem("WM/Track");
    }
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
        TagValues values = valuesOf(*file.tag());
        addFfmpegFields(values, file.ID3v2Tag());
        return values;
    }
    case TagFormat::OggVorbis: {
        TagLib::Ogg::Vorbis::File file(name, false);
        if (!file.isValid())
            return notReadable(path);
        return valuesOf(*file.tag());
    }
    case TagFormat::OggOpus: {
        TagLib::Ogg::Opus::File file(name, false);
        if (!file.isValid())
            return notReadable(path);
        return valuesOf(*file.tag());
    }
    case TagFormat::Wma: {
        TagLib::ASF::File file(name, false);
        if (!file.isValid())
            return notReadable(path);
        TagValues values = valuesOf(*file.tag());
        addFfmpegFields(values, *file.tag());
        return values;
    }
    case TagFormat::Wav: {
        TagLib::RIFF::WAV::File file(name, false);
        if (!file.isValid())
            return notReadable(path);
        return merged(valuesOf(*file.ID3v2Tag()), valuesOf(*file.InfoTag()));
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
        // to 30 Latin-1 characters.
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
    return Status::cannotWriteTags(
        shownPath, QStringLiteral("tags are written into MP3, OGG, WMA and WAV files only"));
}

int16_t genreNumber(const QString &name)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return -1;
    const TagLib::StringList names = TagLib::ID3v1::genreList();
    bool isNumber = false;
    const int number = wanted.toInt(&isNumber);
    if (isNumber)
        return number >= 0 && number < static_cast<int>(names.size()) ? static_cast<int16_t>(number)
                                                                      : int16_t(-1);
    int16_t index = 0;
    for (const TagLib::String &known : names) {
        if (fromTagLib(known).compare(wanted, Qt::CaseInsensitive) == 0)
            return index;
        ++index;
    }
    return -1;
}

QString genreName(int number)
{
    if (number < 0 || number >= static_cast<int>(TagLib::ID3v1::genreList().size()))
        return {};
    return fromTagLib(TagLib::ID3v1::genre(number));
}

} // namespace engine
