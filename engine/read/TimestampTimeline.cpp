#include "engine/read/TimestampTimeline.h"

#include <algorithm>
#include <limits>

namespace engine {

namespace {

/// WMA frames are 512, 1024 or 2048 samples by rate (and codec version).
int wmaFrameLength(AVCodecID codec, int rate)
{
    if (codec != AV_CODEC_ID_WMAV1 && codec != AV_CODEC_ID_WMAV2)
        return 1;
    if (rate <= 16000)
        return 512;
    if (rate <= 22050 || (rate <= 32000 && codec == AV_CODEC_ID_WMAV1))
        return 1024;
    return 2048;
}

} // namespace

TimestampTimeline::TimestampTimeline(AVRational timeBase, int rate, AVCodecID codec)
    : m_timeBase(timeBase), m_rate(rate)
{
    const bool coarse = av_cmp_q(timeBase, AVRational{1, rate}) > 0;
    m_grid = coarse ? wmaFrameLength(codec, rate) : 1;
}

Status TimestampTimeline::learn(TimelineHost &host)
{
    // The first two frames of a sequential decode fix where timestamps sit on the timeline:
    // some decoders swallow the first frame of a packet, which shifts every later one.
    int64_t firstCount = 0;
    for (int i = 0; i < 2; ++i) {
        auto got = host.decodeNext();
        if (!got)
            return got.status();
        if (!got.value())
            break;
        const AVFrame &frame = host.decoded();
        const int64_t pts = framePts(frame);
        if (pts == AV_NOPTS_VALUE)
            break;
        if (i == 0) {
            m_anchorPts = pts;
            firstCount = frame.nb_samples;
        } else {
            m_anchorCorrection = firstCount - position(frame);
        }
    }
    return Status::success();
}

int64_t TimestampTimeline::lengthEstimate(const AVFormatContext &input,
                                          const AVStream &stream) const
{
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0)
        return av_rescale_q(stream.duration, stream.time_base, AVRational{1, m_rate});
    if (input.duration != AV_NOPTS_VALUE && input.duration > 0)
        return av_rescale_q(input.duration, AVRational{1, AV_TIME_BASE}, AVRational{1, m_rate});
    return 0;
}

int64_t TimestampTimeline::minimumPreroll() const
{
    return std::max<int64_t>(FrameTimeline::minimumPreroll(), 4 * m_grid);
}

Result<Landing> TimestampTimeline::reposition(TimelineHost &host, int64_t frame, int64_t preroll)
{
    const int64_t from = frame - preroll;
    if (from <= 0 || m_anchorPts == AV_NOPTS_VALUE) {
        // A seek to the start is not the same as a fresh start: demuxers and decoders keep
        // state (Ogg start trimming, the first-frame handling of Vorbis and WMA) that only
        // opening anew resets, and the decode must match a sequential one from the start.
        if (Status s = host.reopen(); !s)
            return s;
        return Landing::Counted;
    }
    const int64_t ts = m_anchorPts + av_rescale_q(from, AVRational{1, m_rate}, m_timeBase);
    if (const int rc = avformat_seek_file(&host.input(), host.streamIndex(),
                                          std::numeric_limits<int64_t>::min(), ts, ts, 0);
        rc < 0)
        return host.failure(QStringLiteral("Cannot seek in"), rc);
    return Landing::Placed;
}

int64_t TimestampTimeline::position(const AVFrame &frame) const
{
    const int64_t pts = framePts(frame);
    if (pts == AV_NOPTS_VALUE || m_anchorPts == AV_NOPTS_VALUE)
        return AV_NOPTS_VALUE;
    int64_t raw = av_rescale_q_rnd(pts - m_anchorPts, m_timeBase, AVRational{1, m_rate},
                                   static_cast<AVRounding>(AV_ROUND_NEAR_INF));
    if (m_grid > 1)
        raw = (raw >= 0 ? raw + m_grid / 2 : raw - m_grid / 2) / m_grid * m_grid;
    return raw + m_anchorCorrection;
}

} // namespace engine
