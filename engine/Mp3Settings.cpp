#include "Mp3Settings.h"

namespace engine {

bool Mp3Settings::applyPreset(int32_t preset)
{
    // The preset table arrives with the MP3 writer.
    (void)preset;
    return false;
}

} // namespace engine
