#pragma once

#include "engine/api/AudioInformation.h"

#include <QString>

struct AVFormatContext;

namespace engine {

/// The tag layout a container gets: ID3v2 for MP3, Vorbis comments for Ogg Vorbis and Opus,
/// ASF attributes for WMA, a RIFF INFO list and an ID3v2 chunk for WAV.
enum class TagFormat
{
    None,
    Mp3,
    OggVorbis,
    OggOpus,
    Wma,
    Wav,
    Flac,
    Mp4
};

/// Why a file of none of these formats gets no tags.
QString untaggedFormatReason();

/// Decided by what FFmpeg found in the file, not by its name.
TagFormat tagFormatOf(const AVFormatContext &format);

/// The seven values as TagLib reads them from `path`.
Result<TagValues> readTagFile(const QString &path, TagFormat format);
/// Writes the seven values into `path` in place; "none" values remove their field. Failures
/// name `shownPath`, the file the user asked for.
Status writeTagFile(const QString &path, const QString &shownPath, TagFormat format,
                    const TagValues &values);
/// The seven values in a copy's tag block: an ID3v2 tag rendered as ID3v2.3 (as
/// writeTagFile saves an MP3's), or a Vorbis comment packet; CannotWriteTags for any other.
Result<QByteArray> tagsInHeader(const QByteArray &header, const TagValues &values);
/// Sets REPLAYGAIN_TRACK_GAIN and REPLAYGAIN_TRACK_PEAK among the tags `path` has (ID3v2 TXXX
/// frames, Vorbis comments), in place; other formats are refused.
Status writeGainTagFile(const QString &path, const QString &shownPath, TagFormat format,
                        const GainTags &gain);

} // namespace engine
