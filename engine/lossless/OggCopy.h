#pragma once

#include "engine/api/LosslessCutter.h"
#include "engine/lossless/CopySupport.h"

namespace engine {

/// One logical Ogg Vorbis stream, as far as a copy needs it.
struct OggSource
{
    int sampleRate = 0;
    int channels = 0;
    long nominalBitrate = 0;
};

/// Whether the source is one Ogg Vorbis stream; CannotCopy with the reason for a chained or
/// multiplexed file.
Result<OggSource> parseOgg(SourceFile &source);
QString describeOgg(const OggSource &ogg);
/// The headers, then the packets from the one before the packet holding `begin` to the one
/// that completes `end`, re-paged, with granule positions that trim both ends exactly.
Status copyOgg(SourceFile &source, const QString &destPath, int64_t begin, int64_t end,
               const JobCallbacks &callbacks);
/// The source ready for copies, each as copyOgg makes it: each copy holds the headers, then the
/// packets from the one before the packet holding its Begin to the one that completes its End,
/// re-paged, with granule positions that trim both ends exactly.
Result<std::unique_ptr<CopySource>> prepareOgg(std::unique_ptr<SourceFile> source);

} // namespace engine
