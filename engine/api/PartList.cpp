#include "engine/api/PartList.h"

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

} // namespace engine
