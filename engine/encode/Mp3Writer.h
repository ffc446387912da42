#pragma once

#include "engine/encode/Mp3Encoder.h"
#include "engine/write/FileWriter.h"
#include "engine/write/SampleConverter.h"

#include <array>
#include <cstdint>
#include <vector>

namespace engine {

/// MP3 through LAME. With the VBR/LAME header asked for, LAME reserves the first frame and
/// the finished tag is written over it at the end, so players know the exact length and
/// trim the encoder's delay and padding. Where LAME's frames are too small for its tag (CBR
/// at low rates) it writes none; the writer then puts one of its own in front, at a bit
/// rate whose frame holds it.
class Mp3Writer : public FileWriter
{
public:
    static Result<std::unique_ptr<AudioWriter>> create(const QString &path,
                                                       const Mp3Settings &settings);

private:
    Mp3Writer(std::unique_ptr<DestinationFile> file, const Mp3Settings &settings);
    Status start(int rate, int channels) override;
    Status encode(const float *samples, int frames) override;
    Status complete() override;
    /// At most one second of input: the buffer for it stays the same size at any rate.
    Status encodeSlice(const float *samples, int frames);
    Status writeEncoded(int bytes);
    Status lameFailure(int code) const;
    Status writeOwnHeader();

    Mp3Settings m_settings;
    LamePtr m_lame;
    /// Only for sources of more than two channels: LAME takes one or two.
    std::unique_ptr<SampleConverter> m_downmix;
    int m_channels = 0;
    int m_rate = 0;
    bool m_duplicateMono = false;
    std::vector<unsigned char> m_buffer;
    /// The header frame is ours to write: room is left for it before the first frame.
    bool m_ownHeader = false;
    std::array<uint8_t, 4> m_model{}; ///< the first frame's header, once there is one
    int m_headerBytes = 0;
    int64_t m_audioBytes = 0;
    uint16_t m_musicCrc = 0;
};

} // namespace engine
