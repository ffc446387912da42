#include "engine/read/Mp3Timeline.h"

#include <algorithm>

namespace engine {

namespace {

/// Frames decoded before the wanted one so that the decoder state (overlap, bit reservoir)
/// has converged. MP3 VBR needs six frames; ten leave a margin. Small frames (silence in a
/// low-rate VBR file) take more: a frame's data reaches up to 511 bytes back, so the pre-roll
/// also spans a few kilobytes.
constexpr int64_t kPrerollPackets = 10;
constexpr int64_t kPrerollBytes = 4096;

} // namespace

void Mp3Timeline::configureInput(AVFormatContext &input) const
{
    // Seeks go by our own index. The demuxer's index would only grow with every packet read,
    // and after a byte seek it is fed timestamps out of order, so each packet would shift the
    // whole table.
    input.max_index_size = 0;
}

void Mp3Timeline::configureDecoder(AVCodecContext &codec, const AVStream &) const
{
    // Timestamps are ours (from the packet index, in frames) and so is the trimming of the
    // encoder delay and padding; the decoder only reports them.
    codec.pkt_timebase = AVRational{1, m_rate};
    codec.flags2 |= AV_CODEC_FLAG2_SKIP_MANUAL;
}

Status Mp3Timeline::learn(TimelineHost &host)
{
    const int rc = m_index.scan(&host.input(), host.streamIndex(), m_rate);
    if (Status failed = host.readFailure(); !failed)
        return failed;
    if (rc < 0)
        return host.failure(QStringLiteral("Cannot read"), rc);
    return Status::success();
}

Result<Landing> Mp3Timeline::reposition(TimelineHost &host, int64_t frame, int64_t)
{
    const auto &entries = m_index.entries();
    if (entries.empty())
        return Landing::Indexed;
    const int64_t packet = m_index.packetAt(frame + m_index.startSkip());
    int64_t first = std::max<int64_t>(0, packet - kPrerollPackets);
    while (first > 0 && entries[packet].bytePosition - entries[first].bytePosition < kPrerollBytes)
        --first;
    m_nextPacket = first;
    if (const int rc =
            av_seek_frame(&host.input(), -1, entries[first].bytePosition, AVSEEK_FLAG_BYTE);
        rc < 0)
        return host.failure(QStringLiteral("Cannot seek in"), rc);
    return Landing::Indexed;
}

bool Mp3Timeline::admitPacket(AVPacket &packet)
{
    const auto &entries = m_index.entries();
    int64_t index = m_index.packetStartingAt(packet.pos);
    if (index < 0)
        index = m_nextPacket;
    // Frames the index left out (another rate, damage) have no place on the timeline.
    if (packet.duration <= 0 || index >= static_cast<int64_t>(entries.size()) ||
        Mp3Index::frameRate(packet.data, packet.size) != m_rate)
        return false;
    packet.pts = packet.dts = entries[index].rawStart;
    m_nextPacket = index + 1;
    return true;
}

int64_t Mp3Timeline::position(const AVFrame &frame) const
{
    const int64_t pts = framePts(frame);
    return pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : pts - m_index.startSkip();
}

} // namespace engine
