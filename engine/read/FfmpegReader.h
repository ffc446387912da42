#pragma once

#include "engine/api/AudioReader.h"
#include "engine/ffmpeg/FfmpegInput.h"
#include "engine/ffmpeg/FfmpegPtr.h"
#include "engine/read/FrameTimeline.h"

#include <QString>

#include <memory>

namespace engine {

/// Decodes any audio file FFmpeg's audio demuxers read into interleaved float at the source's
/// own rate. The length is exact (what a sequential decode returns) and seeks are
/// sample-accurate: both rest on placing every decoded frame on the sequential timeline, in
/// the way measured exact for its container and codec (a FrameTimeline).
class FfmpegReader : public AudioReader, private TimelineHost
{
public:
    /// Reads `path` from `input`, the demuxer already opened over it (the file is opened anew
    /// through `source` whenever a seek to the start needs a fresh demuxer).
    static Result<std::unique_ptr<FfmpegReader>> open(const QString &path,
                                                      const SourceOpener &source, AudioInput input);
    ~FfmpegReader() override;

    int32_t sampleRate() const override { return m_rate; }
    int32_t channelCount() const override { return m_channels; }
    int64_t length() const override { return m_length; }
    Result<int64_t> seek(int64_t frame) override;
    Status read(int64_t frames, SampleBlock &block) override;
    int32_t exactBits() const override { return m_exactBits; }

private:
    FfmpegReader() = default;
    Status openInput(const QString &path);
    Status useInput(AudioInput input);
    Status openDecoder();
    Status measureLength();

    // What the timeline uses of the reader.
    Result<bool> decodeNext() override { return decodeFrame(); }
    const AVFrame &decoded() const override { return *m_frame; }
    Status reopen() override;
    AVFormatContext &input() override { return *m_format.get(); }
    int streamIndex() const override { return m_stream; }
    Status readFailure() const override;
    Status failure(const QString &what, int code) const override { return fail(what, code); }

    /// Puts the demuxer and decoder where frames from `frame` on will come next.
    Status reposition(int64_t frame, int64_t preroll);
    /// The next decoded frame; false at the end of the stream.
    Result<bool> decodeFrame();
    /// Decodes until m_pending holds frames from m_position on. Fails with StatusCode::LandedLate
    /// when the decoder's first frame already lies past m_position. With `direct`, up to
    /// `directFrames` of the first frame go into it (`directDone` says how many) and only the rest
    /// is kept pending.
    Result<bool> fillPending(SampleBlock *direct = nullptr, int64_t directFrames = 0,
                             int64_t *directDone = nullptr);
    Status appendConverted(AVFrame &frame, int64_t skipFront, int64_t keep, SampleBlock *direct,
                           int64_t directFrames, int64_t *directDone);
    /// Hands frames out: into `direct` as far as it still takes them, the rest pending.
    void handOut(const float *samples, int64_t frames, SampleBlock *direct, int64_t directFrames,
                 int64_t *directDone);
    /// The timeline position of the next frame handed out.
    int64_t nextPosition(const int64_t *directDone) const;
    /// Silence up to `position` (within the length) where indexed frames did not decode;
    /// false if nothing was missing.
    bool fillGapUntil(int64_t position, SampleBlock *direct, int64_t directFrames,
                      int64_t *directDone);
    bool fromLandingPacket();
    Status fail(const QString &what, int code) const;

    QString m_path;
    SourceOpener m_source;
    AudioInput m_format;
    CodecContextPtr m_codec;
    SwrPtr m_swr;
    int m_swrFormat = -1; ///< what m_swr was made for
    AVChannelLayout m_swrLayout{};
    FramePtr m_frame;
    PacketPtr m_packet;
    int m_stream = -1;
    int32_t m_rate = 0;
    int32_t m_channels = 0;
    int32_t m_exactBits = 0;
    int64_t m_length = 0;
    std::unique_ptr<FrameTimeline> m_timeline;
    Landing m_landing = Landing::Counted;
    bool m_flushed = false;

    // Decoded frames not yet handed out, and the position of their first frame.
    SampleBlock m_pending;
    SampleBlock m_converted; ///< the converter's output, reused from frame to frame
    size_t m_pendingOffset = 0;
    int64_t m_position = 0;
    /// While true, decoded frames are placed as m_landing says and dropped before m_position.
    bool m_aligning = true;
    int64_t m_countPosition = 0;
    int64_t m_landingPosition = -1; ///< file position of the first packet decoded after a seek
    int64_t m_sentPosition = -1;    ///< file position of the packet sent last
};

} // namespace engine
