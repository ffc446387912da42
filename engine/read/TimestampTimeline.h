#pragma once

#include "engine/read/FrameTimeline.h"

namespace engine {

/// Streams whose timestamps a seek sweep showed exact: frames are placed by them, relative to
/// where the first frames of a sequential decode put them.
class TimestampTimeline final : public FrameTimeline
{
public:
    TimestampTimeline(AVRational timeBase, int rate, AVCodecID codec);

    Status learn(TimelineHost &host) override;
    int64_t lengthEstimate(const AVFormatContext &input, const AVStream &stream) const override;
    int64_t minimumPreroll() const override;
    Result<Landing> reposition(TimelineHost &host, int64_t frame, int64_t preroll) override;
    int64_t position(const AVFrame &frame) const override;

private:
    AVRational m_timeBase;
    int m_rate;
    /// Where the container's clock is coarser than a sample (ASF: ms), positions snap to the
    /// codec's frame length.
    int m_grid = 1;
    int64_t m_anchorPts = AV_NOPTS_VALUE;
    int64_t m_anchorCorrection = 0;
};

} // namespace engine
