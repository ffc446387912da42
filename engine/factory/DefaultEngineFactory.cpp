#include "engine/factory/DefaultEngineFactory.h"

#include "engine/factory/AudioFileObject.h"
#include "engine/info/TagLibInformation.h"
#include "engine/play/QtAudioPlayer.h"

namespace engine {

std::unique_ptr<AudioInformation> DefaultEngineFactory::createInformation()
{
    return std::make_unique<TagLibInformation>();
}

std::unique_ptr<AudioFile> DefaultEngineFactory::createAudioFile()
{
    return std::make_unique<AudioFileObject>();
}

std::unique_ptr<Mp3Settings> DefaultEngineFactory::createMp3Settings()
{
    return std::make_unique<Mp3Settings>();
}

std::unique_ptr<AudioPlayer> DefaultEngineFactory::createPlayer()
{
    return std::make_unique<QtAudioPlayer>();
}

} // namespace engine
