#pragma once

#include "AudioFile.h"
#include "AudioInformation.h"
#include "AudioPlayer.h"
#include "Mp3Settings.h"

#include <memory>

namespace engine {

/// Creates the engine objects the window keeps for its lifetime. The program uses the real
/// adapters; window tests hand in fakes.
class EngineFactory
{
public:
    virtual ~EngineFactory() = default;
    virtual std::unique_ptr<AudioInformation> createInformation() = 0;
    virtual std::unique_ptr<AudioFile> createAudioFile() = 0;
    virtual std::unique_ptr<Mp3Settings> createMp3Settings() = 0;
    virtual std::unique_ptr<AudioPlayer> createPlayer() = 0;
};

/// FFmpeg, LAME, libvorbis, TagLib and Qt Multimedia behind the engine's interfaces.
class DefaultEngineFactory : public EngineFactory
{
public:
    std::unique_ptr<AudioInformation> createInformation() override;
    std::unique_ptr<AudioFile> createAudioFile() override;
    std::unique_ptr<Mp3Settings> createMp3Settings() override;
    std::unique_ptr<AudioPlayer> createPlayer() override;
};

} // namespace engine
