#pragma once

#include "engine/api/OutputChoice.h"

#include <QString>

#include <cstdint>

namespace engine {

/// One numbered WMA profile: what FFmpeg's wmav2 encoder is asked for.
struct WmaProfile
{
    int32_t kbps;
    int32_t sampleRate;
    int32_t channels;
};

/// Profiles 1..47, largest first. Null for any other number.
const WmaProfile *wmaProfile(int32_t number);
/// The one line the WMA dialog lists for a profile.
QString describeWmaProfile(int32_t number);

} // namespace engine
