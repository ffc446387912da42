#include "engine/api/PartList.h"

#include "engine/api/PauseFinder.h"

#include <algorithm>

namespace engine {

std::vector<Part> partsOfLength(int64_t length, int64_t frames)
{
    std::vector<Part> parts;
    if (frames <= 0)
        return parts;
    for (int64_t begin = 0; begin < length; begin += frames)
        parts.push_back({begin, std::min(begin + frames, length), {}, {}});
    return parts;
}

std::vector<Part> partsBetween(int64_t length, std::vector<int64_t> points)
{
    points.erase(std::remove_if(points.begin(), points.end(),
                                [length](int64_t p) { return p <= 0 || p >= length; }),
                 points.end());
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    std::vector<Part> parts;
    int64_t begin = 0;
    for (int64_t point : points) {
        parts.push_back({begin, point, {}, {}});
        begin = point;
    }
    if (length > 0)
        parts.push_back({begin, length, {}, {}});
    return parts;
}

std::vector<Part> partsAtPauses(int64_t length, int32_t sampleRate,
                                const std::vector<Pause> &pauses, const PauseSettings &settings)
{
    std::vector<int64_t> points;
    for (const Pause &pause : pauses) {
        // Silence before the first sound or after the last one splits nothing off.
        if (pause.begin <= 0 || pause.end >= length)
            continue;
        const auto before = int64_t(settings.beforeEndSeconds * sampleRate);
        points.push_back(settings.place == PauseSettings::Place::Middle
                             ? pause.begin + (pause.end - pause.begin) / 2
                             : std::max(pause.begin, pause.end - before));
    }
    return partsBetween(length, points);
}

Part trimSilence(const Part &part, const std::vector<Pause> &pauses)
{
    Part trimmed = part;
    for (const Pause &pause : pauses) {
        if (pause.begin <= trimmed.begin && pause.end > trimmed.begin)
            trimmed.begin = std::min(pause.end, part.end);
        if (pause.begin < trimmed.end && pause.end >= trimmed.end)
            trimmed.end = std::max(pause.begin, trimmed.begin);
    }
    return trimmed.end > trimmed.begin ? trimmed : part;
}

} // namespace engine
