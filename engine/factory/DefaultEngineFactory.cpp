#include "engine/factory/DefaultEngineFactory.h"

#include "engine/encode/OutputWriters.h"
#include "engine/factory/AudioFileObject.h"
#include "engine/info/TagLibInformation.h"
#include "engine/lossless/FileCopier.h"
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

std::unique_ptr<AudioPlayer> DefaultEngineFactory::createPlayer()
{
    return std::make_unique<QtAudioPlayer>();
}

std::unique_ptr<LosslessCutter> DefaultEngineFactory::createLosslessCutter()
{
    return std::make_unique<FileCopier>();
}

Result<std::unique_ptr<AudioWriter>>
DefaultEngineFactory::createWriter(const QString &path, const OutputChoice &output) const
{
    return createOutputWriter(path, output);
}

Status DefaultEngineFactory::checkOutput(const OutputChoice &output) const
{
    return engine::checkOutput(output);
}

Result<QString> DefaultEngineFactory::describeOutput(const OutputChoice &output) const
{
    return engine::describeOutput(output);
}

} // namespace engine
