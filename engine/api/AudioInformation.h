#pragma once

#include "engine/api/Status.h"

#include <QString>

#include <cstdint>

namespace engine {

/// The seven tag values carried from a source to a destination. A value that means "none"
/// (empty text, no genre, year 0, track 0) removes that field when written.
struct TagValues
{
    QString title;
    QString artist;
    QString album;
    QString comment;
    /// The ID3v1 number of the genre, -1 for none or a name outside that list. Read from
    /// the genre's text; written only when there is no text.
    int16_t genre = -1;
    int32_t year = 0;
    int16_t track = 0;
    /// The genre as the file names it ("Rock", "Synthwave"); what a write puts in.
    QString genreText;

    bool operator==(const TagValues &) const = default;
};

/// Describes a file's format and carries its tags.
class AudioInformation
{
public:
    virtual ~AudioInformation() = default;

    /// Loads the format description and tags of `path`.
    virtual Status readInformation(const QString &path) = 0;
    /// One line naming codec, rate, bit rate and channels; empty when nothing can be decoded.
    virtual QString sourceFormatDescription() const = 0;
    virtual const TagValues &tags() const = 0;
    virtual void setTags(const TagValues &tags) = 0;
    /// Writes the current tag values into `path` without touching its audio.
    virtual Status writeTags(const QString &path) = 0;
};

} // namespace engine
