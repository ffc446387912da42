#pragma once

#include "engine/api/LosslessCutter.h"
#include "engine/lossless/CopySupport.h"

#include <QByteArray>

namespace engine {

/// A PCM WAV (RIFF or RF64) as far as a copy needs it.
struct WavSource
{
    QByteArray format; ///< the "fmt " chunk's contents, copied as they are
    int channels = 0;
    int sampleRate = 0;
    int bits = 0;
    int blockAlign = 0;
    int64_t dataOffset = 0;
    int64_t frames = 0;
};

/// Whether the source is a PCM (or float) WAV; CannotCopy with the reason when it is another
/// WAV, CannotOpen when it is no WAV at all.
Result<WavSource> parseWav(SourceFile &source);
QString describeWav(const WavSource &wav);
/// The frames [begin, end) byte for byte in a new WAV of the same format, RF64 when the
/// RIFF sizes would not hold it.
Status copyWav(SourceFile &source, const WavSource &wav, const QString &destPath, int64_t begin,
               int64_t end, const JobCallbacks &callbacks);
/// The source ready for copies, its layout read once into `wav`.
std::unique_ptr<CopySource> prepareWav(std::unique_ptr<SourceFile> source, WavSource wav);

} // namespace engine
