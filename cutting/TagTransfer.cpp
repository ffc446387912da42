#include "TagTransfer.h"

namespace cutting {

engine::Result<TagSet> ReadSourceTags(engine::AudioInformation &information,
                                      const QString &sourcePath)
{
    if (engine::Status s = information.readInformation(sourcePath); !s)
        return s;
    const engine::TagValues &v = information.tags();
    return TagSet{v.title, v.artist, v.album, v.genre, v.date, v.track, v.comment};
}

engine::TagValues valuesOf(const TagSet &tags)
{
    // Every value goes as text, so that a date, a count of tracks and a genre outside
    // ID3v1's list arrive as the source had them.
    return engine::TagValues{
        tags.tagTitle,           tags.tagArtist,         tags.tagAlbum,          tags.tagComment,
        tags.tagGenre.trimmed(), tags.tagYear.trimmed(), tags.tagTrack.trimmed()};
}

engine::Status WriteTags(engine::AudioInformation &information, const TagSet &tags,
                         const QString &destPath)
{
    information.setTags(valuesOf(tags));
    return information.writeTags(destPath);
}

} // namespace cutting
