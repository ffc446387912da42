#pragma once

#include <cstdint> // FFmpeg's headers need its constant macros in C++

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace engine {

/// How the FFmpeg reader puts decoded frames on the sequential timeline after a seek. Chosen
/// per container and codec by measurement: a wrong landing cannot be detected while reading,
/// so only pairs that a seek sweep showed exact are placed by timestamps.
enum class FramePlacement
{
    /// MP3 files: our own index of every frame's byte position and sample count.
    Mp3Index,
    /// The frames' own timestamps, snapped to the codec's frame grid where the container's
    /// clock is coarser than a sample (ASF's milliseconds).
    Timestamps,
    /// Everything not shown exact: the length is counted by decoding the whole file once at
    /// open, which also indexes places to seek to for codecs whose decoder is known to
    /// settle; a seek decodes forward from such a place, from the start, or from where the
    /// reader already is. Never misplaced.
    Counting,
};

/// The placement for a stream of `codec` in the container FFmpeg names `container`.
FramePlacement framePlacementFor(const char *container, AVCodecID codec);

} // namespace engine
