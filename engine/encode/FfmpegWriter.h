#pragma once

#include "engine/encode/MuxerOutput.h"
#include "engine/ffmpeg/FfmpegPtr.h"
#include "engine/ffmpeg/FfmpegVersion.h"
#include "engine/write/FileWriter.h"
#include "engine/write/SampleConverter.h"

#include <string>
#include <utility>
#include <vector>

namespace engine {

/// What one of FFmpeg's encoders is asked for, and the container it goes into.
struct EncoderRequest
{
    const char *encoder = nullptr;    ///< "flac", "libopus", "aac"
    const char *muxer = nullptr;      ///< "flac", "ogg", "ipod"
    const char *formatName = nullptr; ///< "FLAC": for the reason when the encoder is missing
    int sampleRate = 0;               ///< 0: the input's
    int channels = 0;                 ///< 0: the input's
    int64_t bitRate = 0;              ///< bit/s; 0: the encoder's own choice
    int compressionLevel = -1;        ///< -1: the encoder's default
    int bitsPerSample = 0;            ///< 16 or 24 for PCM-like encoders; 0: the encoder's choice
    /// The depth follows the source's: 24 bits for sources of more than 16, else 16.
    bool bitsFromSource = false;
    /// Encoder options by name (libopus's "vbr", "application").
    std::vector<std::pair<std::string, std::string>> codecOptions;
    /// Muxer options by name ("movie_timescale" is set to the rate by the writer itself).
    std::vector<std::pair<std::string, std::string>> muxerOptions;
};

/// One of FFmpeg's encoders into one of its muxers, through our destination file (the muxers
/// seek back at the end to complete their headers: FLAC's STREAMINFO, MP4's atoms). Every
/// frame the encoder takes is sent whole; the last one short, as these encoders allow, so
/// that the file holds exactly the frames written.
class FfmpegWriter : public FileWriter
{
public:
    static Result<std::unique_ptr<AudioWriter>> create(const QString &path, EncoderRequest request);

private:
    FfmpegWriter(std::unique_ptr<DestinationFile> file, EncoderRequest request);
    void setSourceBits(int32_t bits) override;
    Status start(int rate, int channels) override;
    Status encode(const float *samples, int frames) override;
    Status complete() override;
    Status openEncoder(int rate, int channels);
    Status sendFrame(AVFrame *frame);
    Status queue(const Result<int> &converted);
    Status encodeFrames(bool last);
    Status ffmpegFailure(int code) const;

    EncoderRequest m_request;
    std::unique_ptr<SampleConverter> m_converter;
    CodecContextPtr m_codec;
    MuxerOutput m_muxer{file()};
    FramePtr m_frame;
    PacketPtr m_packet;
    AudioFifoPtr m_fifo;
    int64_t m_nextPts = 0;
    int m_inputRate = 0;
    int64_t m_inputFrames = 0;
    /// Frames the file ends after: the input's length at the output's rate. -1: no end yet.
    int64_t m_end = -1;
};

} // namespace engine
