#include "engine/encode/WavWriter.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>

namespace engine {

namespace {

constexpr qint64 kHeaderBytes = 44;
// RIFF sizes are 32-bit: the data chunk may not push the file past 4 GiB.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8) - 1;

} // namespace

/// The frames from one place of the data chunk on, converted by a converter of its own and
/// written at their place; the destination's writer takes them into the header when it
/// completes the file.
class WavWriter::Stretch : public AudioWriter
{
public:
    Stretch(WavWriter &owner, std::unique_ptr<SampleConverter> converter, uint64_t fromByte)
        : m_owner(owner), m_converter(std::move(converter)), m_fromByte(fromByte)
    {}

    Status setInputFormat(int32_t sampleRate, int32_t channels) override
    {
        if (sampleRate == m_owner.inputRate() && channels == m_owner.inputChannels())
            return Status::success();
        return m_owner.refusal(
            QStringLiteral("a later stretch takes the input format of the whole."));
    }

    Status check(const SampleBlock &block) const override
    {
        if (block.size() % size_t(m_owner.inputChannels()) != 0)
            return m_owner.refusal(QStringLiteral("a block of %1 samples does not hold whole "
                                                  "frames of %2 channels.")
                                       .arg(block.size())
                                       .arg(m_owner.inputChannels()));
        return Status::success();
    }

    Status write(const SampleBlock &block) override
    {
        if (Status s = check(block); !s)
            return s;
        const size_t channels = size_t(m_owner.inputChannels());
        constexpr size_t kMaxFramesPerCall = size_t(1) << 20;
        for (size_t done = 0; done < block.size();) {
            const size_t frames = std::min((block.size() - done) / channels, kMaxFramesPerCall);
            auto converted = m_converter->convert(block.data() + done, int(frames));
            if (!converted)
                return converted.status();
            if (Status s = put(converted.value()); !s)
                return s;
            done += frames * channels;
        }
        return Status::success();
    }

    Status finish() override
    {
        auto converted = m_converter->flush();
        if (!converted)
            return converted.status();
        if (Status s = put(converted.value()); !s)
            return s;
        const std::lock_guard lock(m_owner.m_later.mutex);
        m_owner.m_later.finished = true;
        m_owner.m_later.bytes = m_bytes;
        return Status::success();
    }

    /// Nothing to undo here: a stretch that never finished does not join, and the
    /// destination's writer cuts its bytes away when it completes the file.
    void discard() override {}

private:
    Status put(int frames)
    {
        const uint64_t bytes = m_owner.bytesOf(frames);
        if (m_fromByte + m_bytes + bytes > kMaxDataBytes)
            return m_owner.refusal(
                QStringLiteral("a WAV file cannot hold more than 4 GB of sound."));
        const qint64 at = kHeaderBytes + qint64(m_fromByte + m_bytes);
        if (Status s = m_owner.file().writeAt(at, m_converter->planes()[0], qint64(bytes)); !s)
            return s;
        m_bytes += bytes;
        return Status::success();
    }

    WavWriter &m_owner;
    std::unique_ptr<SampleConverter> m_converter;
    uint64_t m_fromByte = 0;
    uint64_t m_bytes = 0;
};

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

Result<std::unique_ptr<SampleConverter>> WavWriter::converterFrom(int rate, int channels) const
{
    const AVSampleFormat format =
        m_format.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    return SampleConverter::create({rate, channels, AV_SAMPLE_FMT_FLT},
                                   {m_format.sampleRate, m_format.channels, format}, path());
}

uint64_t WavWriter::bytesOf(int64_t frames) const
{
    return uint64_t(frames) * uint64_t(m_format.channels) * uint64_t(m_format.bitsPerSample / 8);
}

Status WavWriter::start(int rate, int channels)
{
    auto converter = converterFrom(rate, channels);
    if (!converter)
        return converter.status();
    m_converter = std::move(converter.value());
    return Status::success();
}

std::unique_ptr<AudioWriter> WavWriter::writerFrom(int64_t frame)
{
    // A resampler's output at a frame depends on the input around it, so a stretch resampled
    // on its own would differ from the whole at its first frames.
    if (inputRate() != m_format.sampleRate || frame < 0 || bytesOf(frame) > kMaxDataBytes)
        return nullptr;
    auto converter = converterFrom(inputRate(), inputChannels());
    if (!converter)
        return nullptr;
    const std::lock_guard lock(m_later.mutex);
    if (m_later.made)
        return nullptr;
    m_later.made = true;
    m_later.fromByte = bytesOf(frame);
    return std::make_unique<Stretch>(*this, std::move(converter.value()), m_later.fromByte);
}

Status WavWriter::writeConverted(int frames)
{
    const uint64_t bytes = bytesOf(frames);
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
    bool stretched = false;
    {
        const std::lock_guard lock(m_later.mutex);
        stretched = m_later.made;
        if (m_later.finished && m_later.fromByte == m_dataBytes)
            m_dataBytes += m_later.bytes;
    }
    // A stretch that does not join (a cancel before the frames in front of it were all
    // written) is cut away: the file ends where its frames stop following each other.
    if (stretched) {
        if (Status s = file().resize(kHeaderBytes + qint64(m_dataBytes)); !s)
            return s;
        if (Status s = file().seek(kHeaderBytes + qint64(m_dataBytes)); !s)
            return s;
    }
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
