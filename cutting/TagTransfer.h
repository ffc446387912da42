#pragma once

#include "engine/api/AudioInformation.h"
#include "engine/api/Status.h"

#include <QString>

namespace cutting {

/// The seven tag values as the cut carries them, as text as the source has them: the year
/// may be a full date ("2004-05-17"), the track may count the tracks ("3/12"), the genre
/// is the source's name for it.
struct TagSet
{
    QString tagTitle;
    QString tagArtist;
    QString tagAlbum;
    QString tagGenre;
    QString tagYear;
    QString tagTrack;
    QString tagComment;

    bool operator==(const TagSet &) const = default;
};

/// The values as the information object carries them.
engine::TagValues valuesOf(const TagSet &tags);

/// The source's tags, or why they cannot be read.
engine::Result<TagSet> ReadSourceTags(engine::AudioInformation &information,
                                      const QString &sourcePath);

/// Gives the tag set to the information object and has it write them into `destPath`; an
/// empty value removes that field. A failed write is a failure whose reason() says why,
/// without the path.
engine::Status WriteTags(engine::AudioInformation &information, const TagSet &tags,
                         const QString &destPath);

} // namespace cutting
