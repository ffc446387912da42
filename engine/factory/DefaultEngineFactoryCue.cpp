#include "engine/cue/CueSheetFile.h"
#include "engine/factory/DefaultEngineFactory.h"

namespace engine {

std::unique_ptr<CueSheets> DefaultEngineFactory::createCueSheets()
{
    return std::make_unique<CueSheetFile>();
}

} // namespace engine
