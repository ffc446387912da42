#pragma once

#include "engine/api/PauseFinder.h"

namespace engine {

/// Pauses from the finest peaks, each edge then placed on the frames a reader of its own
/// decodes around it.
class PauseSearch : public PauseFinder
{
public:
    Result<std::vector<Pause>> findPauses(const QString &path, const Peaks &peaks,
                                          const PauseSettings &settings) const override;
};

} // namespace engine
