#pragma once

#include "engine/api/JobCallbacks.h"
#include "engine/api/OutputFormatTable.h"
#include "engine/api/Status.h"

#include <QString>

#include <cstdint>

namespace engine {

/// Cuts by copying the source's coded audio instead of decoding and encoding it: the sound
/// stays untouched, and the header (MP3 delay and padding, Ogg granule positions, WAV sizes)
/// makes the copy play exactly the selected frames.
class LosslessCutter
{
public:
    virtual ~LosslessCutter() = default;
    /// What a copy of `sourcePath` into a file of `format` would hold ("MP3 as in the
    /// source: 44,100 Hz, Joint Stereo, 128 Kbps"), or StatusCode::CannotCopy with the reason
    /// in a few words ("free-format MP3").
    virtual Result<QString> describeCopy(const QString &sourcePath, OutputFormat format) = 0;
    /// Copies frames [beginFrame, endFrame) of `sourcePath` into `destPath` (of the source's
    /// format). A selection too short to trim at both ends is refused with CannotCopy.
    virtual Status cut(const QString &sourcePath, const QString &destPath, int64_t beginFrame,
                       int64_t endFrame, const JobCallbacks &callbacks) = 0;
};

} // namespace engine
