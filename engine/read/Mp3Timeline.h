#pragma once

#include "engine/read/FrameTimeline.h"
#include "engine/read/Mp3Index.h"

namespace engine {

/// MP3 files: our own index of every frame's byte position and sample count gives the exact
/// length and places every frame; the encoder delay and padding are trimmed here, not by the
/// decoder.
class Mp3Timeline final : public FrameTimeline
{
public:
    explicit Mp3Timeline(int rate) : m_rate(rate) {}

    void configureInput(AVFormatContext &input) const override;
    void configureDecoder(AVCodecContext &codec, const AVStream &stream) const override;
    Status learn(TimelineHost &host) override;
    std::optional<int64_t> knownLength() const override { return m_index.length(); }
    Result<Landing> reposition(TimelineHost &host, int64_t frame, int64_t preroll) override;
    bool admitPacket(AVPacket &packet) override;
    int64_t position(const AVFrame &frame) const override;

private:
    int m_rate;
    Mp3Index m_index;
    int64_t m_nextPacket = 0;
};

} // namespace engine
