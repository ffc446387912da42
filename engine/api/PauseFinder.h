#pragma once

#include "engine/api/PartList.h"
#include "engine/api/PeakComputer.h"
#include "engine/api/Status.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace engine {

/// Frames [begin, end) of a source below the threshold on every channel.
struct Pause
{
    int64_t begin = 0;
    int64_t end = 0;
    bool operator==(const Pause &) const = default;
};

struct PauseSettings
{
    double thresholdDb = -50;
    double minSeconds = 1.5;
    /// Where a split point goes in its pause: the middle, or `beforeEndSeconds` before the
    /// sound comes back.
    enum class Place
    {
        Middle,
        BeforeEnd
    } place = Place::Middle;
    double beforeEndSeconds = 0.5;
};

/// Finds a source's pauses from the waveform's peaks, then places each edge on the decoded
/// frames around it, so the whole file is decoded once (for the peaks), not twice.
class PauseFinder
{
public:
    virtual ~PauseFinder() = default;
    /// Every pause of at least the minimum length, silence at the start and at the end
    /// included, in order. `peaks` must be finished and of `path`.
    virtual Result<std::vector<Pause>> findPauses(const QString &path, const Peaks &peaks,
                                                  const PauseSettings &settings) const = 0;
};

/// A partition of `length` frames split inside each pause that has sound on both sides.
std::vector<Part> partsAtPauses(int64_t length, int32_t sampleRate,
                                const std::vector<Pause> &pauses, const PauseSettings &settings);

/// `part` without the pauses at its start and end (unchanged when it is silent throughout).
Part trimSilence(const Part &part, const std::vector<Pause> &pauses);

} // namespace engine
