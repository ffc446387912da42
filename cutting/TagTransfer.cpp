#include "TagTransfer.h"

#include "TextNumbers.h"

namespace cutting {

engine::Result<TagSet> ReadSourceTags(engine::AudioInformation &information,
                                      const QString &sourcePath)
{
    if (engine::Status s = information.readInformation(sourcePath); !s)
        return s;
    const engine::TagValues &v = information.tags();
    return TagSet{
        v.title,  v.artist, v.album, v.genreText, QString::number(v.year), QString::number(v.track),
        v.comment};
}

engine::Status WriteTags(engine::AudioInformation &information, const TagSet &tags,
                         const QString &destPath)
{
    using settings::leadingNumber;
    using settings::roundedInto;
    engine::TagValues values = information.tags();
    values.title = tags.tagTitle;
    values.artist = tags.tagArtist;
    values.album = tags.tagAlbum;
    // The genre goes as text, whether the ID3v1 list knows it or not.
    values.genreText = tags.tagGenre.trimmed();
    values.comment = tags.tagComment;
    if (auto year = roundedInto<int32_t>(leadingNumber(tags.tagYear)))
        values.year = *year;
    if (auto track = roundedInto<int16_t>(leadingNumber(tags.tagTrack)))
        values.track = *track;
    information.setTags(values);
    return information.writeTags(destPath);
}

} // namespace cutting
