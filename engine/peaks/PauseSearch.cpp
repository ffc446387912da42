#include "engine/peaks/PauseSearch.h"

#include "engine/read/OpenReader.h"

#include <algorithm>
#include <cmath>

namespace engine {

namespace {

/// The frames [begin, end) of the source, read afresh.
Result<SampleBlock> framesAt(AudioReader &reader, int64_t begin, int64_t end)
{
    if (auto reached = reader.seek(begin); reached.failed())
        return reached.status();
    SampleBlock block;
    if (Status s = reader.read(end - begin, block); s.failed())
        return s;
    return block;
}

bool loud(const SampleBlock &block, size_t frame, int32_t channels, float threshold)
{
    for (int32_t c = 0; c < channels; ++c)
        if (std::fabs(block[frame * size_t(channels) + size_t(c)]) >= threshold)
            return true;
    return false;
}

} // namespace

Result<std::vector<Pause>> PauseSearch::findPauses(const QString &path, const Peaks &peaks,
                                                   const PauseSettings &settings) const
{
    if (!peaks.finished() || peaks.knownFrames() < peaks.length())
        return peaks.status().failed()
                   ? peaks.status()
                   : Status::failure(
                         QStringLiteral("The peaks of '%1' are not known yet.").arg(path));
    const int64_t length = peaks.length();
    const int64_t step = std::max<int64_t>(peaks.finestFrames(), 1);
    const int32_t channels = peaks.channelCount();
    const auto threshold = float(std::pow(10.0, settings.thresholdDb / 20.0));
    const auto minFrames = int64_t(std::llround(settings.minSeconds * peaks.sampleRate()));
    auto quietColumn = [&](int64_t column) {
        for (int32_t c = 0; c < channels; ++c) {
            const auto span = peaks.span(c, column * step, std::min(length, (column + 1) * step));
            if (!span || std::max(std::fabs(span->min), std::fabs(span->max)) >= threshold)
                return false;
        }
        return true;
    };

    auto reader = openAudioReader(path);
    if (reader.failed())
        return reader.status();
    std::vector<Pause> pauses;
    const int64_t columns = (length + step - 1) / step;
    for (int64_t column = 0; column < columns;) {
        if (!quietColumn(column)) {
            ++column;
            continue;
        }
        const int64_t first = column;
        while (column < columns && quietColumn(column))
            ++column;
        // The loud columns on either side may still hold quiet frames next to the run; only
        // a run that could reach the minimum with them is worth decoding for.
        Pause pause{first * step, std::min(column * step, length)};
        if (pause.end - pause.begin + 2 * step < minFrames)
            continue;
        // Each edge lies in the loud column beside the run.
        if (first > 0) {
            const int64_t from = pause.begin - step;
            auto block = framesAt(*reader.value(), from, pause.begin);
            if (block.failed())
                return block.status();
            size_t quiet = block.value().size() / size_t(channels);
            while (quiet > 0 && !loud(block.value(), quiet - 1, channels, threshold))
                --quiet;
            pause.begin = from + int64_t(quiet);
        }
        if (pause.end < length) {
            auto block = framesAt(*reader.value(), pause.end, std::min(pause.end + step, length));
            if (block.failed())
                return block.status();
            const size_t frames = block.value().size() / size_t(channels);
            size_t quiet = 0;
            while (quiet < frames && !loud(block.value(), quiet, channels, threshold))
                ++quiet;
            pause.end += int64_t(quiet);
        }
        if (pause.end - pause.begin >= minFrames)
            pauses.push_back(pause);
    }
    return pauses;
}

} // namespace engine
