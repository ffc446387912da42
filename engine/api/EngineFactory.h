#pragma once

#include "engine/api/AudioFile.h"
#include "engine/api/AudioInformation.h"
#include "engine/api/AudioPlayer.h"
#include "engine/api/AudioWriter.h"
#include "engine/api/CueSheets.h"
#include "engine/api/LosslessCutter.h"
#include "engine/api/OutputChoice.h"
#include "engine/api/PauseFinder.h"
#include "engine/api/PeakComputer.h"
#include "engine/api/Status.h"

#include <memory>

namespace engine {

/// Creates the engine objects the window keeps for its lifetime. The program uses the real
/// adapters; window tests hand in fakes. Every object but the peak computer is required.
class EngineFactory
{
public:
    virtual ~EngineFactory() = default;
    virtual std::unique_ptr<AudioInformation> createInformation() = 0;
    virtual std::unique_ptr<AudioFile> createAudioFile() = 0;
    /// The waveform's peaks; a factory without one gives none, and the window then draws no
    /// waveform.
    virtual std::unique_ptr<PeakComputer> createPeakComputer() { return nullptr; }
    virtual std::unique_ptr<AudioPlayer> createPlayer() = 0;
    /// Cuts without re-encoding.
    virtual std::unique_ptr<LosslessCutter> createLosslessCutter() = 0;
    virtual std::unique_ptr<CueSheets> createCueSheets() = 0;
    virtual std::unique_ptr<PauseFinder> createPauseFinder() = 0;

    // What the engine makes of an output choice. Safe to call from any thread.
    /// A writer of `path` in the format its extension names, with that format's settings
    /// from `output`. Until the writer finishes, `path` stays as it was.
    virtual Result<std::unique_ptr<AudioWriter>> createWriter(const QString &path,
                                                              const OutputChoice &output) const = 0;
    /// Whether the chosen format's settings can be encoded, and if not, why (libvorbis's
    /// verdict on OGG bit rates among them).
    virtual Status checkOutput(const OutputChoice &output) const = 0;
    /// One line on how the chosen format's settings encode, in the encoder's own terms
    /// ("MP3 44,100 Hz; Joint Stereo; 128 Kbps").
    virtual Result<QString> describeOutput(const OutputChoice &output) const = 0;
};

} // namespace engine
