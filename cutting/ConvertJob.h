#pragma once

#include "engine/api/AudioFile.h"
#include "engine/api/AudioWriter.h"
#include "engine/api/JobCallbacks.h"
#include "engine/api/OutputChoice.h"
#include "engine/api/Status.h"

#include "Shaping.h"

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

/// How ConvertRange shapes the part, and where it says what a normalised part reached.
struct ShapeOptions
{
    engine::ShapeSettings shape;
    /// The channels the writer writes (0: the source's). The loudness is measured on them, at
    /// the source's rate: the gain of a resampled part differs by far less than the 0.1 LU
    /// the result is shown in.
    int32_t outputChannels = 0;
    /// Set after a normalised cut; may be null.
    Loudness *reached = nullptr;
};

/// The shaping of `output` for a cut into its format.
ShapeOptions shapeOptionsOf(const engine::OutputChoice &output);

/// A reader of the job's source made the way the job's own reader is made.
using ReaderMaker = std::function<std::unique_ptr<engine::FileReading>()>;

/// A second reader for a cut whose writer only stores what it is given (WAV at the source's
/// rate): decoding is then all the work, and the part's later stretch is decoded, shaped and
/// written by the second reader on a thread of its own while the job's reader does the
/// earlier one. Both stretches end together when the second begins where the measured costs
/// say (the first reader's open, the first block's decode); a part too short to gain from it
/// is read by one reader.
struct SecondReader
{
    ReaderMaker make;
    /// Where the second stretch begins, in frames from the part's start, instead of the
    /// measured place; taken when it lies after the part's first block and before its end.
    int64_t splitAt = 0;
};

/// Copies `range` of `sourcePath` into `destPath` through `reader` and a writer from
/// `makeWriter`, made once the source is open, in blocks of one second. A cancel closes the
/// destination normally, with what was written so far. Any failure discards the destination, which
/// then stays exactly as it was before. An active `shaping` fades the part's ends and, to
/// normalise it, measures it first: the first half of the progress, the writing the second.
/// With `second`, a writer that can take a later stretch apart gets it from a second reader
/// (the output is the same to the byte); the measuring stays one pass of `reader`.
engine::Status ConvertRange(engine::FileReading &reader, const WriterMaker &makeWriter,
                            const QString &sourcePath, const QString &destPath, const Range &range,
                            const JobCallbacks &callbacks, const ShapeOptions &shaping = {},
                            const SecondReader &second = {});

} // namespace cutting
