#include "engine/read/FrameTimeline.h"

#include "engine/read/Mp3Timeline.h"
#include "engine/read/TimestampTimeline.h"

namespace engine {

namespace {

/// Everything not shown exact: a seek decodes forward from the start (or from where the
/// reader already is), and the length is counted by decoding the whole file once at open.
/// Slow on long files, never misplaced.
class CountingTimeline final : public FrameTimeline
{
public:
    Status learn(TimelineHost &) override { return Status::success(); }
    Result<Landing> reposition(TimelineHost &host, int64_t, int64_t) override
    {
        if (Status s = host.reopen(); !s)
            return s;
        return Landing::Counted;
    }
    bool readsForward() const override { return true; }
};

} // namespace

void FrameTimeline::configureDecoder(AVCodecContext &codec, const AVStream &stream) const
{
    codec.pkt_timebase = stream.time_base;
}

int64_t framePts(const AVFrame &frame)
{
    return frame.pts != AV_NOPTS_VALUE ? frame.pts : frame.best_effort_timestamp;
}

std::unique_ptr<FrameTimeline> makeFrameTimeline(FramePlacement placement, const AVFormatContext &,
                                                 const AVStream &stream)
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
    return std::make_unique<CountingTimeline>();
}

} // namespace engine
