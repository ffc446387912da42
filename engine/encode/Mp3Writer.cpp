#include "engine/encode/Mp3Writer.h"

#include "engine/write/Mp3HeaderFrame.h"

#include <algorithm>
#include <array>

namespace engine {

namespace {

/// Whether LAME leaves out its tag frame: it does when the frame it would use (the CBR
/// rate's, a fixed one for VBR and ABR) is smaller than side information and tag together.
bool lameDropsItsTag(const lame_global_flags *lame)
{
    if (lame_get_VBR(lame) != vbr_off)
        return false;
    const int version = lame_get_version(lame); // 0: MPEG-2 and 2.5, 1: MPEG-1
    const bool mono = lame_get_mode(lame) == MONO;
    const int sideInfo = 4 + (version == 1 ? (mono ? 17 : 32) : (mono ? 9 : 17)) +
                         (lame_get_error_protection(lame) ? 2 : 0);
    constexpr int kTagBytes = 156; // Xing fields, seek table and LAME fields
    const int frameBytes =
        (version + 1) * 72000 * lame_get_brate(lame) / std::max(1, lame_get_out_samplerate(lame));
    return frameBytes < sideInfo + kTagBytes;
}

} // namespace

Mp3Writer::Mp3Writer(std::unique_ptr<DestinationFile> file, const Mp3Settings &settings)
    : FileWriter(std::move(file), settings.sampleRate, settings.channels == 1 ? 1 : 2),
      m_settings(settings)
{}

Result<std::unique_ptr<AudioWriter>> Mp3Writer::create(const QString &path,
                                                       const Mp3Settings &settings)
{
    auto file = DestinationFile::create(path);
    if (!file)
        return file.status();
    return std::unique_ptr<AudioWriter>(new Mp3Writer(std::move(file.value()), settings));
}

Status Mp3Writer::lameFailure(int code) const
{
    return failure(QStringLiteral("the MP3 encoder failed (LAME error %1).").arg(code));
}

Status Mp3Writer::start(int rate, int channels)
{
    if (channels > 2) {
        auto downmix = SampleConverter::create({rate, channels, AV_SAMPLE_FMT_FLT},
                                               {rate, 2, AV_SAMPLE_FMT_FLT}, path());
        if (!downmix)
            return downmix.status();
        m_downmix = std::move(downmix.value());
        channels = 2;
    }
    m_channels = channels;
    m_rate = rate;
    // LAME treats one input channel as mono output; for stereo it gets the channel twice.
    m_duplicateMono = channels == 1 && m_settings.channels != 1;
    auto lame = openLameEncoder(m_settings, rate, m_duplicateMono ? 2 : channels);
    if (!lame)
        return failure(lame.description());
    m_lame = std::move(lame.value());
    m_ownHeader = m_settings.writeVbrHeader && lameDropsItsTag(m_lame.get());
    return Status::success();
}

Status Mp3Writer::writeEncoded(int bytes)
{
    if (bytes < 0)
        return lameFailure(bytes);
    if (m_ownHeader && bytes > 0) {
        if (m_audioBytes == 0) {
            // The first frame's header decides the header frame's size: room for it first.
            if (bytes < 4 || !parseMpegHeader(m_buffer.data()))
                return failure(QStringLiteral("the MP3 encoder's output does not start with "
                                              "a frame."));
            std::copy_n(m_buffer.begin(), 4, m_model.begin());
            m_headerBytes = mp3HeaderFrameBytes(m_model.data());
            const QByteArray room(m_headerBytes, '\0');
            if (Status s = file().write(room.constData(), room.size()); !s)
                return s;
        }
        m_audioBytes += bytes;
        m_musicCrc = lameCrc(m_buffer.data(), size_t(bytes), m_musicCrc);
    }
    return file().write(m_buffer.data(), bytes);
}

Status Mp3Writer::encode(const float *samples, int frames)
{
    if (m_downmix) {
        auto mixed = m_downmix->convert(samples, frames);
        if (!mixed)
            return mixed.status();
        samples = reinterpret_cast<const float *>(m_downmix->planes()[0]);
        frames = mixed.value();
    }
    const int slice = std::max(1, m_rate);
    for (int done = 0; done < frames; done += slice)
        if (Status s = encodeSlice(samples + size_t(done) * size_t(m_channels),
                                   std::min(slice, frames - done));
            !s)
            return s;
    return Status::success();
}

Status Mp3Writer::encodeSlice(const float *samples, int frames)
{
    m_buffer.resize(mp3OutputBound(m_lame.get(), frames));
    const int size = int(m_buffer.size());
    int bytes = 0;
    if (m_channels == 2)
        bytes = lame_encode_buffer_interleaved_ieee_float(m_lame.get(), samples, frames,
                                                          m_buffer.data(), size);
    else
        bytes = lame_encode_buffer_ieee_float(m_lame.get(), samples, samples, frames,
                                              m_buffer.data(), size);
    return writeEncoded(bytes);
}

Status Mp3Writer::complete()
{
    // The downmix keeps the rate, so it holds nothing back to flush.
    m_buffer.resize(std::max<size_t>(m_buffer.size(), 7200));
    if (Status s =
            writeEncoded(lame_encode_flush(m_lame.get(), m_buffer.data(), int(m_buffer.size())));
        !s)
        return s;
    if (!m_settings.writeVbrHeader)
        return Status::success();
    if (m_ownHeader)
        return writeOwnHeader();
    std::array<unsigned char, 2880> tag{};
    const size_t tagBytes = lame_get_lametag_frame(m_lame.get(), tag.data(), tag.size());
    if (tagBytes > tag.size())
        return failure(QStringLiteral("the VBR header does not fit its frame."));
    if (tagBytes == 0)
        return Status::success();
    // The reserved frame is the first thing in the file: nothing is written before it.
    if (Status s = file().seek(0); !s)
        return s;
    return file().write(tag.data(), qint64(tagBytes));
}

Status Mp3Writer::writeOwnHeader()
{
    if (m_audioBytes == 0)
        return Status::success();
    Mp3HeaderFields fields;
    // Constant bit rate: the frames lie evenly, but for a padding byte here and there. The
    // byte count leaves out the header frame, which is larger than the others: readers take
    // the bit rate from it and the frame count, and it is the rate the frames have.
    const int64_t frames = std::max(1, lame_get_frameNum(m_lame.get()));
    fields.frameOffsets.reserve(size_t(frames));
    for (int64_t i = 0; i < frames; ++i)
        fields.frameOffsets.push_back(m_audioBytes * i / frames);
    fields.totalBytes = m_audioBytes;
    fields.delay = lame_get_encoder_delay(m_lame.get());
    fields.padding = lame_get_encoder_padding(m_lame.get());
    fields.musicCrc = m_musicCrc;
    if (Status s = file().seek(0); !s)
        return s;
    const QByteArray header = mp3HeaderFrame(m_model.data(), fields);
    return file().write(header.constData(), header.size());
}

} // namespace engine
