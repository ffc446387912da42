#include "engine/read/CountingTimeline.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace engine {

namespace {

/// Frames a decoder started at a packet needs before its output is bit for bit a sequential
/// decode's, measured by seek sweeps over clicks, drum hits and noise bursts (the smallest
/// that passed, then a margin): ADPCM blocks and FLAC frames carry their whole state, MP2
/// passed from 576 on (its filter bank), GSM from 4,608, MP3 in ASF and Matroska from 9,216
/// (the bit reservoir of small VBR frames). Codecs not listed are not indexed: AAC and AC-3 fill
/// bands from noise generators whose state depends on everything decoded since the start (PNS,
/// dither), so a decoder started anywhere else never gives the same samples; others were
/// never measured and may never converge exactly (ADPCM variants without block headers).
std::optional<int64_t> settlingFrames(AVCodecID codec)
{
    switch (codec) {
    case AV_CODEC_ID_ADPCM_MS:
    case AV_CODEC_ID_ADPCM_IMA_WAV:
    case AV_CODEC_ID_FLAC:
        return 0;
    case AV_CODEC_ID_MP2:
        return 2304;
    case AV_CODEC_ID_GSM_MS:
        return 16000;
    case AV_CODEC_ID_MP3:
        return 18432;
    default:
        return std::nullopt;
    }
}

/// Demuxers that land exactly on a byte position where a packet of a sequential read began.
/// The others (MP4, Matroska, ASF) refuse byte seeks and are sought by timestamp.
bool seeksByBytes(const char *container)
{
    for (const char *name : {"wav", "w64", "ac3", "eac3", "aac", "mp3"})
        if (std::strcmp(container, name) == 0)
            return true;
    return false;
}

} // namespace

CountingTimeline::CountingTimeline(const AVFormatContext &format, const AVStream &stream)
    : m_rate(stream.codecpar->sample_rate),
      m_seekBy(seeksByBytes(format.iformat->name) ? SeekBy::Bytes : SeekBy::Timestamp),
      m_settling(settlingFrames(stream.codecpar->codec_id))
{
    if (std::strstr(format.iformat->name, "mp4") != nullptr && stream.duration > 0 && m_rate > 0)
        m_containerFrames = av_rescale_q(stream.duration, stream.time_base, AVRational{1, m_rate});
}

const AVCodec *CountingTimeline::decoder(AVCodecID codec) const
{
    // FFmpeg's default MP2 decoder rounds to 16 bits with the error carried on from frame to
    // frame, so a decoder started anywhere but at the start never gives the same samples
    // again. The float decoder carries nothing over but the filter bank, and keeps the
    // precision the cut's encoder gets.
    if (codec == AV_CODEC_ID_MP2)
        if (const AVCodec *found = avcodec_find_decoder_by_name("mp2float"))
            return found;
    return avcodec_find_decoder(codec);
}

Status CountingTimeline::learn(TimelineHost &host)
{
    m_places.clear();
    m_counted = 0;
    m_lastPlace = 0;
    m_learning = true;
    for (;;) {
        auto got = host.decodeNext();
        if (!got) {
            m_learning = false;
            return got.status();
        }
        if (!got.value())
            break;
        // Frames at another rate (a joined file) do not fit the timeline; reads skip them too.
        if (const AVFrame &frame = host.decoded(); frame.sample_rate == m_rate)
            m_counted += frame.nb_samples;
    }
    m_learning = false;
    m_length = m_counted;
    // Only the padding of the last frame is dropped: a container that claims more, or
    // claims a whole frame or more less than was decoded, is not what the encoder wrote.
    constexpr int64_t kAacFrame = 1024;
    if (m_containerFrames && *m_containerFrames < m_counted &&
        m_counted - *m_containerFrames < kAacFrame)
        m_length = *m_containerFrames;
    return Status::success();
}

int64_t CountingTimeline::minimumPreroll() const
{
    return m_settling.value_or(FrameTimeline::minimumPreroll());
}

bool CountingTimeline::admitPacket(AVPacket &packet)
{
    if (m_learning) {
        // A decoder gives out a packet's frames before it takes the next, so what has been
        // counted when a packet arrives is exactly the frames before it.
        const bool placeable =
            m_seekBy == SeekBy::Bytes ? packet.pos >= 0 : packet.dts != AV_NOPTS_VALUE;
        if (m_settling && placeable && m_counted - m_lastPlace >= m_rate) {
            m_places.push_back(Place{packet.pos, packet.dts, m_counted});
            m_lastPlace = m_counted;
        }
        return true;
    }
    if (!m_expected)
        return true;
    if (isExpected(packet)) {
        m_expected.reset();
        return true;
    }
    // A demuxer sought by timestamp may land on an earlier packet (Matroska lands on the cue
    // before): those are passed over undecoded, so the decoder starts at the indexed packet.
    if (m_seekBy == SeekBy::Timestamp && packet.dts != AV_NOPTS_VALUE &&
        packet.dts < m_expected->dts)
        return false;
    m_missed = true;
    return false;
}

bool CountingTimeline::isExpected(const AVPacket &packet) const
{
    if (m_expected->bytePosition >= 0 && packet.pos != m_expected->bytePosition)
        return false;
    return m_seekBy == SeekBy::Bytes || packet.dts == m_expected->dts;
}

Result<Landing> CountingTimeline::fromTheStart(TimelineHost &host)
{
    if (Status s = host.reopen(); s.failed())
        return s;
    return Landing::Counted;
}

Result<Landing> CountingTimeline::reposition(TimelineHost &host, int64_t frame, int64_t preroll)
{
    m_expected.reset();
    m_missed = false;
    m_countStart = 0;
    if (!m_settling)
        return fromTheStart(host);
    const int64_t from = frame - std::max(preroll, *m_settling);
    auto after = std::upper_bound(
        m_places.begin(), m_places.end(), from,
        [](int64_t wanted, const Place &place) { return wanted < place.framesBefore; });
    if (after == m_places.begin())
        return fromTheStart(host);
    const Place &place = *std::prev(after);
    const int rc =
        m_seekBy == SeekBy::Bytes
            ? av_seek_frame(&host.input(), -1, place.bytePosition, AVSEEK_FLAG_BYTE)
            : avformat_seek_file(&host.input(), host.streamIndex(),
                                 std::numeric_limits<int64_t>::min(), place.dts, place.dts, 0);
    // A demuxer that cannot go there can still be read from the start.
    if (rc < 0)
        return fromTheStart(host);
    m_expected = place;
    m_countStart = place.framesBefore;
    return Landing::Counted;
}

bool CountingTimeline::readsForward(int64_t from, int64_t to) const
{
    if (!m_settling)
        return true;
    auto after = std::upper_bound(
        m_places.begin(), m_places.end(), to - *m_settling,
        [](int64_t wanted, const Place &place) { return wanted < place.framesBefore; });
    return after == m_places.begin() || std::prev(after)->framesBefore <= from;
}

} // namespace engine
