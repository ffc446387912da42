#include "engine/factory/Initialise.h"

extern "C" {
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include <cstddef>

namespace engine {

namespace {

// No audio file needs a single block this large. A damaged header can make a demuxer ask for
// its size fields as they stand (a WAV tag list claiming 2 GB), and FFmpeg would allocate
// and clear all of it; beyond this limit the demuxer gets no memory and the open fails.
constexpr size_t kLargestAllocation = 64 * 1024 * 1024;

} // namespace

void initialise(LibraryLog log)
{
    av_max_alloc(kLargestAllocation);
    av_log_set_level(log == LibraryLog::Quiet ? AV_LOG_QUIET : AV_LOG_ERROR);
}

} // namespace engine
