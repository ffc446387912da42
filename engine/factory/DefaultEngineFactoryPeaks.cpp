// The factory's peak computer, apart from the rest so that only this file sees engine/peaks.
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/peaks/BackgroundPeaks.h"
#include "engine/peaks/PauseSearch.h"

namespace engine {

std::unique_ptr<PeakComputer> DefaultEngineFactory::createPeakComputer()
{
    return std::make_unique<BackgroundPeaks>();
}

std::unique_ptr<PauseFinder> DefaultEngineFactory::createPauseFinder()
{
    return std::make_unique<PauseSearch>();
}

} // namespace engine
