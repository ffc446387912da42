#include "engine/api/OutputChoice.h"

namespace engine {

namespace {

constexpr int32_t kMinRate = 8000;
constexpr int32_t kMaxRate = 48000;

} // namespace

bool WavSettings::isValid() const
{
    return sampleRate >= kMinRate && sampleRate <= kMaxRate && (channels == 1 || channels == 2) &&
           (bitsPerSample == 8 || bitsPerSample == 16);
}

bool OggSettings::isValid() const
{
    return sampleRate >= kMinRate && sampleRate <= kMaxRate && channels >= 1 && channels <= 2 &&
           quality >= 0 && quality <= 1000;
}

bool FlacSettings::isValid() const
{
    return (sampleRate == 0 || (sampleRate >= kMinRate && sampleRate <= 192000)) && channels >= 0 &&
           channels <= 2 && (bitsPerSample == 0 || bitsPerSample == 16 || bitsPerSample == 24) &&
           level >= 0 && level <= 8;
}

bool OpusSettings::isValid() const
{
    return channels >= 1 && channels <= 2 && bitrate >= 6 && bitrate <= 256 * channels &&
           mode >= Vbr && mode <= Cbr;
}

bool M4aSettings::isValid() const
{
    return sampleRate >= kMinRate && sampleRate <= kMaxRate && channels >= 1 && channels <= 2 &&
           bitrate >= 32 && bitrate <= 320;
}

bool ShapeSettings::isActive() const
{
    return fadeInSeconds > 0 || fadeOutSeconds > 0 || normaliseLufs.has_value();
}

const OutputFormatEntry &OutputChoice::entry() const
{
    const OutputFormatEntry *row = outputFormatAt(int(format));
    return row ? *row : kOutputFormats.front();
}

QString OutputChoice::extension() const
{
    if (format == OutputFormat::M4a && m4a.ringtone)
        return QStringLiteral("m4r");
    return QString::fromLatin1(entry().extension);
}

QString OutputChoice::filterText() const
{
    if (format == OutputFormat::M4a && m4a.ringtone)
        return QStringLiteral("M4R ringtones (*.m4r)");
    return QString::fromLatin1(entry().filterText);
}

QString OutputChoice::pattern() const
{
    return QStringLiteral("*.") + extension();
}

} // namespace engine
