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
    Wav
};

/// Decided by what FFmpeg found in the file, not by its name.
TagFormat tagFormatOf(const AVFormatContext &format);

/// The seven values as TagLib reads them from `path`.
Result<TagValues> readTagFile(const QString &path, TagFormat format);
/// Writes the seven values into `path` in place; "none" values remove their field. Failures
/// name `shownPath`, the file the user asked for.
Status writeTagFile(const QString &path, const QString &shownPath, TagFormat format,
                    const TagValues &values);

/// The ID3v1 genre number of `name`, ignoring case; a number of the list written as text
/// counts too. -1 when the name is empty or not in the list.
int16_t genreNumber(const QString &name);
/// The name of an ID3v1 genre number; empty for -1 and numbers outside the list.
QString genreName(int number);

} // namespace engine
