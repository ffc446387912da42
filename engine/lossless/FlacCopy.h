#pragma once

#include "engine/api/LosslessCutter.h"
#include "engine/lossless/FlacFrames.h"

namespace engine {

QString describeFlac(const FlacSource &flac);
/// The frames inside [begin, end) copied, the two that hold its edges decoded and encoded
/// again from exactly the selected samples (lossless, so the whole decodes bit for bit as
/// the source's range), in a variable-blocksize stream with its own STREAMINFO (the MD5 of
/// the selection's audio) and seek table. The source's cue sheet and seek table are left
/// out; its comments and pictures are kept.
Status copyFlac(SourceFile &source, const FlacSource &flac, const QString &destPath, int64_t begin,
                int64_t end, const JobCallbacks &callbacks);

} // namespace engine
