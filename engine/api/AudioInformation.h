#pragma once

#include "engine/api/Status.h"

#include <QByteArray>
#include <QString>

namespace engine {

/// The seven tag values carried from a source to a destination, each as text as the file
/// holds it. Empty text means "none" and removes that field when written.
struct TagValues
{
    QString title;
    QString artist;
    QString album;
    QString comment;
    /// As the file names it ("Rock", "Synthwave"), whether ID3v1's list knows it or not.
    QString genre;
    /// A year ("2004") or a date ("2004-05-17").
    QString date;
    /// The track's number, with the number of tracks after a slash where known ("3/12").
    QString track;

    bool operator==(const TagValues &) const = default;
};

/// ReplayGain 2.0 track values as tags hold them: "-3.21 dB" and "0.988525".
struct GainTags
{
    QString trackGain;
    QString trackPeak;
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
    /// The current tag values in `header`, the tag block a copy made without re-encoding
    /// begins with (an ID3v2 tag, a Vorbis comment packet), so that the copy is written
    /// tagged and no tag write rewrites it afterwards. The header's other fields stay, as
    /// writeTags keeps a file's. CannotWriteTags where that is not done here: then the tags
    /// are written into the finished copy.
    virtual Result<QByteArray> tagsInHeader(const QByteArray &header)
    {
        (void)header;
        return Status::cannotWriteTags(QString(),
                                       QStringLiteral("tags are not written into headers here"));
    }
    /// Adds the ReplayGain track tags to those `path` has, without touching its audio.
    virtual Status writeGainTags(const QString &path, const GainTags &gain)
    {
        (void)gain;
        return Status::cannotWriteTags(path, QStringLiteral("gain tags cannot be written here"));
    }
};

} // namespace engine
