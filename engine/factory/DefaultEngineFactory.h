#pragma once

#include "engine/api/EngineFactory.h"

namespace engine {

/// FFmpeg, LAME, libvorbis, TagLib and Qt Multimedia behind the engine's interfaces.
class DefaultEngineFactory : public EngineFactory
{
public:
    std::unique_ptr<AudioInformation> createInformation() override;
    std::unique_ptr<AudioFile> createAudioFile() override;
    std::unique_ptr<PeakComputer> createPeakComputer() override;
    std::unique_ptr<AudioPlayer> createPlayer() override;
    std::unique_ptr<LosslessCutter> createLosslessCutter() override;
    std::unique_ptr<CueSheets> createCueSheets() override;
    std::unique_ptr<PauseFinder> createPauseFinder() override;
    Result<std::unique_ptr<AudioWriter>> createWriter(const QString &path,
                                                      const OutputChoice &output) const override;
    Status checkOutput(const OutputChoice &output) const override;
    Result<QString> describeOutput(const OutputChoice &output) const override;
};

} // namespace engine
