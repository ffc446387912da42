#pragma once

#include "engine/api/LosslessCutter.h"
#include "engine/lossless/Mp3Frames.h"

#include <QDateTime>

#include <optional>

namespace engine {

/// Copies MP3, Ogg Vorbis, WAV, FLAC and Ogg Opus sources into files of their own format.
class FileCopier : public LosslessCutter
{
public:
    Result<QString> describeCopy(const QString &sourcePath, OutputFormat format) override;
    Status cut(const QString &sourcePath, const QString &destPath, int64_t beginFrame,
               int64_t endFrame, const JobCallbacks &callbacks) override;
    Result<std::unique_ptr<CopySource>> prepare(const QString &sourcePath,
                                                OutputFormat format) override;

private:
    /// The frames of `source`, scanned once for the summary and the cut that follows it.
    Result<Mp3Stream> mp3Frames(SourceFile &source);

    struct ScannedMp3
    {
        QString path;
        qint64 size = 0;
        QDateTime modified;
        Mp3Stream stream;
    };
    std::optional<ScannedMp3> m_scanned;
};

} // namespace engine
