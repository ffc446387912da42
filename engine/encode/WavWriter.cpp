#include "engine/encode/WavWriter.h"

#include <QtEndian>

#include <array>
#include <cstring>

namespace engine {

namespace {

constexpr qint64 kHeaderBytes = 44;
// RIFF sizes are 32-bit: the data chunk may not push the file past 4 GiB.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8) - 1;

} // namespace

WavWriter::WavWriter(std::unique_ptr<DestinationFile> file, const WavSettings &format)
    : FileWriter(std::move(file), format.sampleRate, format.channels), m_format(format)
{}

Result<std::unique_ptr<AudioWriter>> WavWriter::create(const QString &path,
                                                       const WavSettings &format)
{
    if (!format.isValid())
        return Status::failure(QStringLiteral("Cannot create '%1': WAV output of %2 Hz, %3 "
                                              "channels, %4 bit is not supported.")
                                   .arg(path)
                                   .arg(format.sampleRate)
                                   .arg(format.channels)
                                   .arg(format.bitsPerSample));
    auto file = DestinationFile::create(path);
    if (!file)
        return file.status();
    std::unique_ptr<WavWriter> writer(new WavWriter(std::move(file.value()), format));
    if (Status s = writer->writeHeader(0); !s)
        return s;
    return std::unique_ptr<AudioWriter>(std::move(writer));
}

Status WavWriter::writeHeader(uint32_t dataBytes)
{
    const uint16_t channels = uint16_t(m_format.channels);
    const uint16_t bits = uint16_t(m_format.bitsPerSample);
    const uint16_t blockAlign = uint16_t(channels * bits / 8);
    const uint32_t rate = uint32_t(m_format.sampleRate);
    std::array<uchar, kHeaderBytes> header{};
    auto put = [&header](size_t at, const char *text) { std::memcpy(&header[at], text, 4); };
    put(0, "RIFF");
    qToLittleEndian<uint32_t>(uint32_t(kHeaderBytes - 8) + dataBytes + (dataBytes & 1u),
                              &header[4]);
    put(8, "WAVE");
    put(12, "fmt ");
    qToLittleEndian<uint32_t>(16, &header[16]);
    qToLittleEndian<uint16_t>(1, &header[20]); // PCM
    qToLittleEndian<uint16_t>(channels, &header[22]);
    qToLittleEndian<uint32_t>(rate, &header[24]);
    qToLittleEndian<uint32_t>(rate * blockAlign, &header[28]);
    qToLittleEndian<uint16_t>(blockAlign, &header[32]);
    qToLittleEndian<uint16_t>(bits, &header[34]);
    put(36, "data");
    qToLittleEndian<uint32_t>(dataBytes, &header[40]);
    return file().write(header.data(), kHeaderBytes);
}

Status WavWriter::start(int rate, int channels)
{
    const AVSampleFormat format =
        m_format.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    auto converter =
        SampleConverter::create({rate, channels, AV_SAMPLE_FMT_FLT},
                                {m_format.sampleRate, m_format.channels, format}, path());
    if (!converter)
        return converter.status();
    m_converter = std::move(converter.value());
    return Status::success();
}

Status WavWriter::writeConverted(int frames)
{
    const uint64_t bytes =
        uint64_t(frames) * uint64_t(m_format.channels) * uint64_t(m_format.bitsPerSample / 8);
    if (m_dataBytes + bytes > kMaxDataBytes)
        return failure(QStringLiteral("a WAV file cannot hold more than 4 GB of sound."));
    m_dataBytes += bytes;
    return file().write(m_converter->planes()[0], qint64(bytes));
}

Status WavWriter::encode(const float *samples, int frames)
{
    auto converted = m_converter->convert(samples, frames);
    if (!converted)
        return converted.status();
    return writeConverted(converted.value());
}

Status WavWriter::complete()
{
    auto converted = m_converter->flush();
    if (!converted)
        return converted.status();
    if (Status s = writeConverted(converted.value()); !s)
        return s;
    // Chunks are padded to an even size (8-bit mono with an odd frame count).
    if (m_dataBytes & 1u) {
        const char pad = 0;
        if (Status s = file().write(&pad, 1); !s)
            return s;
    }
    if (Status s = file().seek(0); !s)
        return s;
    return writeHeader(uint32_t(m_dataBytes));
}

} // namespace engine
