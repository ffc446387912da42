#pragma once

#include <QString>

namespace engine {

/// "44,100 Hz": rates are grouped by thousands the same way in every description.
QString rateText(int hz);
/// "Mono" or "Stereo".
QString channelsText(int channels);

} // namespace engine
