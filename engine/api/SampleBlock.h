#pragma once

#include <vector>

namespace engine {

/// Decoded PCM as the reader hands it out and the writers and the player take it:
/// interleaved 32-bit float, one element per channel per frame, nominally in [-1, 1].
/// An empty block marks the end of the data.
using SampleBlock = std::vector<float>;

} // namespace engine
