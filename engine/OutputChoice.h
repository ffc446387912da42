#pragma once

#include "AudioWriter.h"
#include "Mp3Settings.h"
#include "Status.h"

#include <QString>

#include <memory>

namespace engine {

/// The output selections made on an audio file object, and the writer they call for.
class OutputChoice
{
public:
    Status setDefaultOutputFormat(int32_t sampleRate, int32_t kbps, int32_t channels);
    Status selectMp3(const Mp3Settings &settings);
    Status selectWav(int32_t sampleRate, int16_t channels, int32_t bitsPerSample);
    Result<bool> checkOgg(int32_t sampleRate, int32_t channels, int32_t kbps, int32_t minKbps,
                          int32_t maxKbps) const;
    Status selectOgg(int32_t sampleRate, int32_t channels, int32_t kbps, int32_t minKbps,
                     int32_t maxKbps, int32_t quality);
    Status selectWmaProfile(int32_t profile);
    QString description() const;

    /// A writer for `path`, chosen by its extension and the last selection for that format.
    Result<std::unique_ptr<AudioWriter>> createWriter(const QString &path) const;
};

} // namespace engine
