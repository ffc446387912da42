#include "engine/encode/Mp3Writer.h"

#include <algorithm>
#include <array>

namespace engine {

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
    return Status::success();
}

Status Mp3Writer::writeEncoded(int bytes)
{
    if (bytes < 0)
        return lameFailure(bytes);
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

} // namespace engine
