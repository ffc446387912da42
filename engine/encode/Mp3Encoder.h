#pragma once

#include "engine/api/Mp3Settings.h"
#include "engine/api/Status.h"

#include <lame.h>

#include <QString>

#include <cstddef>
#include <memory>

namespace engine {

struct LameDeleter
{
    void operator()(lame_global_flags *flags) const { lame_close(flags); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameDeleter>;

/// A LAME encoder set up from `settings` for input of `inputRate` and `inputChannels` (1 or
/// 2; 2 with mono output is downmixed by LAME). The settings are clamped into what LAME and
/// the MPEG layer III tables allow; LAME resamples to the output rate itself.
Result<LamePtr> openLameEncoder(const Mp3Settings &settings, int inputRate, int inputChannels);

/// Bytes that one encode call over `inputFrames` frames may produce at most. LAME's own bound
/// (1.25 bytes per sample and 7,200 more) counts samples at the output rate: LAME resamples
/// before it encodes, so an 8 kHz source cut to 48 kHz gives six times as many.
size_t mp3OutputBound(const lame_global_flags *lame, int inputFrames);

/// What an encoder set up from `settings` really produces, in the program's words, e.g.
/// "MP3 44,100 Hz; Joint Stereo; 128 Kbps". Never says "VBR": the window appends that.
QString describeMp3(const Mp3Settings &settings);

} // namespace engine
