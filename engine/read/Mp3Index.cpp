#include "engine/read/Mp3Index.h"

#include "engine/ffmpeg/FfmpegPtr.h"

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include <algorithm>

namespace engine {

int Mp3Index::frameRate(const uint8_t *data, int size)
{
    if (!data || size < 4 || data[0] != 0xFF || (data[1] & 0xE0) != 0xE0)
        return 0;
    const int version = (data[1] >> 3) & 3; // 0: MPEG 2.5, 2: MPEG 2, 3: MPEG 1
    const int index = (data[2] >> 2) & 3;
    if (version == 1 || index == 3)
        return 0;
    static constexpr int kRates[] = {44100, 48000, 32000};
    return kRates[index] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
}

int Mp3Index::scan(AVFormatContext *format, int stream, int rate)
{
    m_entries.clear();
    m_startSkip = m_endSkip = m_rawLength = 0;
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return AVERROR(ENOMEM);
    const AVRational timeBase = format->streams[stream]->time_base;
    const AVRational frames{1, format->streams[stream]->codecpar->sample_rate};
    int rc = 0;
    while ((rc = av_read_frame(format, packet.get())) >= 0) {
        if (packet->stream_index == stream && packet->duration > 0 &&
            frameRate(packet->data, packet->size) == rate) {
            m_entries.push_back({packet->pos, m_rawLength});
            m_rawLength += av_rescale_q(packet->duration, timeBase, frames);
            size_t size = 0;
            const uint8_t *skip =
                av_packet_get_side_data(packet.get(), AV_PKT_DATA_SKIP_SAMPLES, &size);
            if (skip && size >= 8) {
                m_startSkip += AV_RL32(skip);
                m_endSkip += AV_RL32(skip + 4);
            }
        }
        av_packet_unref(packet.get());
    }
    m_startSkip = std::min(m_startSkip, m_rawLength);
    m_endSkip = std::min(m_endSkip, m_rawLength - m_startSkip);
    return rc == AVERROR_EOF ? 0 : rc;
}

int64_t Mp3Index::packetAt(int64_t raw) const
{
    auto it = std::upper_bound(m_entries.begin(), m_entries.end(), raw,
                               [](int64_t r, const Entry &e) { return r < e.rawStart; });
    return std::max<int64_t>(0, (it - m_entries.begin()) - 1);
}

int64_t Mp3Index::packetStartingAt(int64_t bytePosition) const
{
    auto it = std::lower_bound(m_entries.begin(), m_entries.end(), bytePosition,
                               [](const Entry &e, int64_t pos) { return e.bytePosition < pos; });
    if (it == m_entries.end() || it->bytePosition != bytePosition)
        return -1;
    return it - m_entries.begin();
}

} // namespace engine
