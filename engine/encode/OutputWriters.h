#pragma once

#include "engine/api/AudioWriter.h"
#include "engine/api/OutputChoice.h"
#include "engine/api/Status.h"

#include <QString>

#include <memory>

namespace engine {

/// A writer of `path` in the format its extension names, with that format's settings from
/// `output`, behind a thread of its own so that encoding overlaps decoding.
Result<std::unique_ptr<AudioWriter>> createOutputWriter(const QString &path,
                                                        const OutputChoice &output);
/// Whether the chosen format's settings can be encoded, and if not, why.
Status checkOutput(const OutputChoice &output);
/// One line on how the chosen format's settings encode, e.g. "OGG 44,100 Hz; Stereo; 128 Kbps".
QString describeOutput(const OutputChoice &output);

} // namespace engine
