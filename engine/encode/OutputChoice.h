#pragma once

#include "engine/api/AudioWriter.h"
#include "engine/api/Mp3Settings.h"
#include "engine/api/OutputFormatTable.h"
#include "engine/api/Status.h"
#include "engine/encode/OutputFormats.h"
#include "engine/encode/WmaProfiles.h"

#include <QString>

#include <memory>

namespace engine {

/// The output selections made on an audio file object, and the writer they call for. Every
/// format keeps its own last selection; the description follows the latest one made. Until
/// a format is selected it has the settings the window shows at start-up.
class OutputChoice
{
public:
    using Format = OutputFormat;

    OutputChoice();

    /// The MP3 output a fresh settings object describes, at this rate, bit rate and
    /// channel count.
    Status setDefaultOutputFormat(int32_t sampleRate, int32_t kbps, int32_t channels);
    Status selectMp3(const Mp3Settings &settings);
    Status selectWav(int32_t sampleRate, int16_t channels, int32_t bitsPerSample);
    /// What libvorbis answers for bit-rate driven encoding of this combination.
    Result<bool> checkOgg(int32_t sampleRate, int32_t channels, int32_t kbps, int32_t minKbps,
                          int32_t maxKbps) const;
    Status selectOgg(int32_t sampleRate, int32_t channels, int32_t kbps, int32_t minKbps,
                     int32_t maxKbps, int32_t quality);
    Status selectWmaProfile(int32_t profile);
    /// One line describing the latest selection, e.g. "OGG 44,100 Hz; Stereo; 128 Kbps".
    QString description() const;

    /// A writer for `path`, chosen by its extension and the last selection for that format.
    Result<std::unique_ptr<AudioWriter>> createWriter(const QString &path) const;

private:
    Format m_latest = Format::Mp3;
    Mp3Settings m_mp3;
    QString m_mp3Description;
    WavFormat m_wav;
    OggFormat m_ogg;
    int32_t m_wmaProfile = kDefaultWmaProfile;
};

} // namespace engine
