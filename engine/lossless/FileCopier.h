#pragma once

#include "engine/api/LosslessCutter.h"

namespace engine {

/// Copies MP3, Ogg Vorbis and WAV sources into files of their own format.
class FileCopier : public LosslessCutter
{
public:
    Result<QString> describeCopy(const QString &sourcePath, OutputFormat format) override;
    Status cut(const QString &sourcePath, const QString &destPath, int64_t beginFrame,
               int64_t endFrame, const CopyCallbacks &callbacks) override;
};

} // namespace engine
