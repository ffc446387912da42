#pragma once

#include "engine/api/AudioInformation.h"
#include "engine/api/Status.h"

#include <QString>

namespace cutting {

/// The seven tag values as the cut carries them: text, year and track in decimal, the
/// genre as the source names it.
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

/// The source's tags, or why they cannot be read.
engine::Result<TagSet> ReadSourceTags(engine::AudioInformation &information,
                                      const QString &sourcePath);

/// Gives the tag set to the information object and has it write them into `destPath`. A
/// year or track that does not fit its field leaves that field as the object had it. A
/// failed write is a failure whose reason() says why, without the path.
engine::Status WriteTags(engine::AudioInformation &information, const TagSet &tags,
                         const QString &destPath);

} // namespace cutting
