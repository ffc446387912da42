#pragma once

#include "engine/api/LosslessCutter.h"
#include "engine/lossless/CopySupport.h"

namespace engine {

/// One logical Ogg Opus stream, as far as a copy needs it.
struct OpusSource
{
    int channels = 0;
    int preSkip = 0; ///< 48 kHz samples the decoder drops at the start
};

/// Whether the source is one Ogg Opus stream; CannotCopy with the reason for a chained or
/// multiplexed file.
Result<OpusSource> parseOpus(SourceFile &source);
QString describeOpus(const OpusSource &opus);
/// The headers, then the packets from the last one starting at least 160 ms before `begin`
/// (the decoder's pre-roll; the stream's first where there is none) to the one that holds
/// `end`: the pre-skip drops the pre-roll and the last granule trims the end, so the copy
/// decodes to exactly the selection's length. Opus is not bit-exact across a restart: the
/// samples converge on the source's within the pre-roll.
Status copyOpus(SourceFile &source, const OpusSource &opus, const QString &destPath, int64_t begin,
                int64_t end, const JobCallbacks &callbacks);

} // namespace engine
