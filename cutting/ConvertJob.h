#pragma once

#include "engine/api/AudioFile.h"
#include "engine/api/AudioWriter.h"
#include "engine/api/JobCallbacks.h"
#include "engine/api/Status.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace cutting {

using JobCallbacks = engine::JobCallbacks;
/// Makes the writer of a destination: the factory's, with the output chosen.
using WriterMaker =
    std::function<engine::Result<std::unique_ptr<engine::AudioWriter>>(const QString &path)>;

struct Range
{
    int64_t beginSample = 0;
    int64_t endSample = 0; ///< exclusive: the frame at the End mark is not copied
};

/// Copies `range` of `sourcePath` into `destPath` through `reader` and a writer from
/// `makeWriter`, made once the source is open, in blocks of one second. A cancel closes the
/// destination normally, with what was written so far. Any failure discards the destination, which
/// then stays exactly as it was before.
engine::Status ConvertRange(engine::FileReading &reader, const WriterMaker &makeWriter,
                            const QString &sourcePath, const QString &destPath, const Range &range,
                            const JobCallbacks &callbacks);

} // namespace cutting
