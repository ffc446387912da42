#pragma once

#include "engine/api/AudioFile.h"
#include "engine/api/AudioInformation.h"
#include "engine/api/AudioPlayer.h"
#include "engine/api/CueSheets.h"
#include "engine/api/LosslessCutter.h"
#include "engine/api/Mp3Settings.h"
#include "engine/api/PauseFinder.h"
#include "engine/api/PeakComputer.h"

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
    virtual std::unique_ptr<Mp3Settings> createMp3Settings() = 0;
    /// The waveform's peaks; a factory without one gives none, and the window then draws no
    /// waveform.
    virtual std::unique_ptr<PeakComputer> createPeakComputer() { return nullptr; }
    virtual std::unique_ptr<AudioPlayer> createPlayer() = 0;
    /// Cuts without re-encoding.
    virtual std::unique_ptr<LosslessCutter> createLosslessCutter() = 0;
    virtual std::unique_ptr<CueSheets> createCueSheets() = 0;
    virtual std::unique_ptr<PauseFinder> createPauseFinder() = 0;
};

} // namespace engine
