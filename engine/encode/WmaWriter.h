#pragma once

#include "engine/encode/MuxerOutput.h"
#include "engine/encode/WmaProfiles.h"
#include "engine/ffmpeg/FfmpegPtr.h"
#include "engine/ffmpeg/FfmpegVersion.h"
#include "engine/write/FileWriter.h"
#include "engine/write/SampleConverter.h"

#include <vector>

namespace engine {

/// WMA (FFmpeg's wmav2 encoder) in an ASF file. The muxer writes through our destination
/// file, and seeks back at the end to complete the header and write the index. The encoder's
/// blocks go to the muxer gathered into media objects that fill one ASF packet each, so the
/// file takes the profile's bit rate on disk, not that plus headers and padding.
class WmaWriter : public FileWriter
{
public:
    static Result<std::unique_ptr<AudioWriter>> create(const QString &path, int32_t profile);

private:
    WmaWriter(std::unique_ptr<DestinationFile> file, const WmaProfile &profile);
    Status start(int rate, int channels) override;
    Status encode(const float *samples, int frames) override;
    Status complete() override;
    Status openEncoder();
    Status sendFrame(AVFrame *frame);
    /// Adds one encoded block to the media object being gathered.
    void gather(const AVPacket &block);
    Status writeObject();
    /// Takes what the converter made and encodes every whole frame there is.
    Status queue(const Result<int> &converted);
    Status encodeWholeFrames();
    Status ffmpegFailure(int code) const;

    WmaProfile m_profile;
    std::unique_ptr<SampleConverter> m_converter;
    CodecContextPtr m_codec;
    MuxerOutput m_muxer{file()};
    FramePtr m_frame;
    PacketPtr m_packet;
    AudioFifoPtr m_fifo;
    int64_t m_nextPts = 0;
    int m_blocksPerObject = 1;
    int m_objectBlocks = 0;
    int64_t m_objectPts = 0;
    std::vector<uint8_t> m_object;
};

} // namespace engine
