#pragma once

#include <QString>

#include <array>

namespace engine {

/// The output formats, numbered by their place in the window's list; the number is also what
/// the settings keep as the last format chosen, so new formats only ever go at the end.
enum class OutputFormat
{
    Mp3 = 0,
    Wma = 1,
    Ogg = 2,
    Wav = 3,
    Flac = 4,
    Opus = 5,
    M4a = 6
};

/// Everything that goes with one output format, kept in one place so the list, the save
/// dialog, the summary and the writer choice cannot disagree.
struct OutputFormatEntry
{
    OutputFormat format;
    /// "MP3": the list entry and the part of a destination's name.
    const char *name;
    /// "mp3": lower case, without the dot.
    const char *extension;
    /// "MPEG Audio files (*.mp3)": the save dialog's filter, for the window to translate.
    const char *filterText;
    /// "*.mp3".
    const char *pattern;
};

inline constexpr std::array<OutputFormatEntry, 7> kOutputFormats{{
    {OutputFormat::Mp3, "MP3", "mp3", "MPEG Audio files (*.mp3)", "*.mp3"},
    {OutputFormat::Wma, "WMA", "wma", "Windows Media Audio files (*.wma)", "*.wma"},
    {OutputFormat::Ogg, "OGG", "ogg", "OGG Vorbis files (*.ogg)", "*.ogg"},
    {OutputFormat::Wav, "WAV", "wav", "Wave files (*.wav)", "*.wav"},
    {OutputFormat::Flac, "FLAC", "flac", "FLAC files (*.flac)", "*.flac"},
    {OutputFormat::Opus, "Opus", "opus", "Opus files (*.opus)", "*.opus"},
    {OutputFormat::M4a, "M4A", "m4a", "M4A files (*.m4a)", "*.m4a"},
}};

/// The format at place `index` of the list; null outside it.
const OutputFormatEntry *outputFormatAt(int index);
/// The format whose extension `path` ends in, in any case (".m4r", a ringtone, is M4A); null
/// for any other name.
const OutputFormatEntry *outputFormatOf(const QString &path);

} // namespace engine
