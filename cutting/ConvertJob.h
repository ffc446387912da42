#pragma once

#include "engine/api/AudioFile.h"
#include "engine/api/Status.h"

#include <QString>

#include <functional>

namespace cutting {

/// What the window (or a test, or a tool) lets the job see of it.
struct JobCallbacks
{
    /// Progress in percent, 0..100, never falling within one job.
    std::function<void(float percent)> progress;
    /// Called once per block: the window processes its pending events here.
    std::function<void()> breathe;
    /// Read after every breath; false ends the job normally after the current block.
    std::function<bool()> goOn;
};

struct Range
{
    double beginSample = 0;
    double endSample = 0; ///< exclusive: the frame at the End mark is not copied
};

/// Copies `range` of `sourcePath` into `destPath` through `reader` and `writer`, in blocks of
/// one second. A cancel closes the destination normally, with what was written so far. Any
/// failure discards the destination, which then stays exactly as it was before.
engine::Status ConvertRange(engine::FileReading &reader, engine::FileWriting &writer,
                            const QString &sourcePath, const QString &destPath, const Range &range,
                            const JobCallbacks &callbacks);

/// Writes the first (sample rate x channel count) frames of the source into `scratchPath` and
/// deletes it again: one second of a mono source, two of a stereo one. A short pass that
/// readies the writer before a WMA cut; its outcome does not matter to the cut.
engine::Status PrimeWmaWriter(engine::FileReading &reader, engine::FileWriting &writer,
                              const QString &sourcePath, const QString &scratchPath);

} // namespace cutting
