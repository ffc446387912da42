#pragma once

#include "engine/api/OutputFormatTable.h"
#include "engine/api/Status.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace engine {

/// What a copy lets its caller see of it; the same three calls as the re-encoding job's.
struct CopyCallbacks
{
    /// Percent, 0..100, never falling within one copy.
    std::function<void(float percent)> progress;
    /// Called after every step: the window processes its pending events here.
    std::function<void()> breathe;
    /// Read after every breath; false ends the copy with a finished file of what was copied.
    std::function<bool()> goOn;
};

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
                       int64_t endFrame, const CopyCallbacks &callbacks) = 0;
};

} // namespace engine
