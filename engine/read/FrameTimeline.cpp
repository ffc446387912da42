#include "engine/read/FrameTimeline.h"

#include "engine/read/CountingTimeline.h"
#include "engine/read/Mp3Timeline.h"
#include "engine/read/TimestampTimeline.h"

namespace engine {

void FrameTimeline::configureDecoder(AVCodecContext &codec, const AVStream &stream) const
{
    codec.pkt_timebase = stream.time_base;
}

int64_t framePts(const AVFrame &frame)
{
    return frame.pts != AV_NOPTS_VALUE ? frame.pts : frame.best_effort_timestamp;
}

std::unique_ptr<FrameTimeline>
makeFrameTimeline(FramePlacement placement, const AVFormatContext &format, const AVStream &stream)
{
    const AVCodecParameters &codec = *stream.codecpar;
    switch (placement) {
    case FramePlacement::Mp3Index:
        return std::make_unique<Mp3Timeline>(codec.sample_rate);
    case FramePlacement::Timestamps:
        return std::make_unique<TimestampTimeline>(stream.time_base, codec.sample_rate,
                                                   codec.codec_id);
    case FramePlacement::Counting:
        break;
    }
    return std::make_unique<CountingTimeline>(format, stream);
}

} // namespace engine
