#pragma once

#include "engine/read/FrameTimeline.h"

#include <vector>

namespace engine {

/// Codecs whose timestamps after a seek proved unreliable: frames are counted from the start,
/// as a sequential read counts them. The counting decode at open gives the length and, for
/// codecs whose decoder is known to settle, an index of places the demuxer can seek to with
/// the frames before each; a seek then decodes forward from the nearest place far enough
/// before the target instead of from the start.
class CountingTimeline final : public FrameTimeline
{
public:
    CountingTimeline(const AVFormatContext &format, const AVStream &stream);

    const AVCodec *decoder(AVCodecID codec) const override;
    Status learn(TimelineHost &host) override;
    std::optional<int64_t> knownLength() const override { return m_length; }
    int64_t minimumPreroll() const override;
    Result<Landing> reposition(TimelineHost &host, int64_t frame, int64_t preroll) override;
    bool admitPacket(AVPacket &packet) override;
    bool landingMissed() const override { return m_missed; }
    int64_t countStart() const override { return m_countStart; }
    bool readsForward(int64_t from, int64_t to) const override;

private:
    /// A packet a seek can land on, and the frames a sequential decode gives before it.
    struct Place
    {
        int64_t bytePosition;
        int64_t dts;
        int64_t framesBefore;
    };

    /// How far to seek: by bytes where the demuxer lands exactly on a byte position, by
    /// timestamp where it refuses byte seeks.
    enum class SeekBy
    {
        Bytes,
        Timestamp,
    };

    Result<Landing> fromTheStart(TimelineHost &host);
    bool isExpected(const AVPacket &packet) const;

    int m_rate;
    SeekBy m_seekBy;
    /// Frames a fresh decoder needs before its output equals a sequential decode's; none
    /// where that was never measured for the codec, and then nothing is indexed.
    std::optional<int64_t> m_settling;
    std::optional<int64_t> m_length;
    /// The frames an MP4 container's edit list gives the track: FFmpeg honours the list's
    /// start (the encoder's priming) but decodes the last AAC frame whole, padding and all.
    std::optional<int64_t> m_containerFrames;
    std::vector<Place> m_places;

    // While learning: the frames decoded so far and the frames at the last place kept.
    bool m_learning = false;
    int64_t m_counted = 0;
    int64_t m_lastPlace = 0;

    // After a seek to a place: the packet that has to come first, and what came instead.
    std::optional<Place> m_expected;
    bool m_missed = false;
    int64_t m_countStart = 0;
};

} // namespace engine
