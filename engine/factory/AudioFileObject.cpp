#include "engine/factory/AudioFileObject.h"

#include "engine/read/OpenReader.h"

namespace engine {

AudioFileObject::AudioFileObject() : m_source(localFiles()) {}
AudioFileObject::AudioFileObject(SourceOpener source) : m_source(std::move(source)) {}
AudioFileObject::~AudioFileObject()
{
    if (m_writer)
        m_writer->discard();
}

Status AudioFileObject::noSource() const
{
    return m_openFailure;
}

Status AudioFileObject::noDestination() const
{
    return Status::failure(QStringLiteral("No destination file is being written."));
}

Status AudioFileObject::openForReading(const QString &path)
{
    m_reader.reset();
    auto reader = openAudioReader(path, m_source);
    if (!reader) {
        m_openFailure = reader.status();
        return m_openFailure;
    }
    m_reader = std::move(reader.value());
    return Status::success();
}

Result<int32_t> AudioFileObject::sampleRate() const
{
    if (!m_reader)
        return noSource();
    return m_reader->sampleRate();
}

Result<int32_t> AudioFileObject::channelCount() const
{
    if (!m_reader)
        return noSource();
    return m_reader->channelCount();
}

Result<int64_t> AudioFileObject::length() const
{
    if (!m_reader)
        return noSource();
    return m_reader->length();
}

Result<int64_t> AudioFileObject::seek(int64_t frame)
{
    if (!m_reader)
        return noSource();
    return m_reader->seek(frame);
}

Status AudioFileObject::readBlock(int32_t frames, SampleBlock &block)
{
    block.clear();
    if (!m_reader)
        return noSource();
    return m_reader->read(frames, block);
}

Status AudioFileObject::createForWriting(const QString &path)
{
    discard();
    m_writeFailure = Status::success();
    auto writer = m_output.createWriter(path);
    if (!writer)
        return writer.status();
    m_writer = std::move(writer.value());
    return Status::success();
}

Status AudioFileObject::writerFailed(Status failure)
{
    // Nothing half-written is left behind, and the failure stays the answer until the next
    // file is created: a later close must not report success.
    discard();
    m_writeFailure = failure;
    return failure;
}

Status AudioFileObject::setInputFormat(int32_t sampleRate, int32_t channels)
{
    if (!m_writeFailure)
        return m_writeFailure;
    if (!m_writer)
        return noDestination();
    if (Status s = m_writer->setInputFormat(sampleRate, channels); !s)
        return writerFailed(s);
    return Status::success();
}

Status AudioFileObject::writeBlock(const SampleBlock &block)
{
    if (!m_writeFailure)
        return m_writeFailure;
    if (!m_writer)
        return noDestination();
    if (Status s = m_writer->write(block); !s)
        return writerFailed(s);
    return Status::success();
}

Status AudioFileObject::close()
{
    m_reader.reset();
    m_openFailure = Status::failure(QStringLiteral("No audio file is open."));
    if (!m_writeFailure) {
        Status failed = m_writeFailure;
        m_writeFailure = Status::success();
        return failed;
    }
    if (!m_writer)
        return Status::success();
    Status finished = m_writer->finish();
    if (!finished)
        m_writer->discard();
    m_writer.reset();
    return finished;
}

void AudioFileObject::discard()
{
    if (m_writer)
        m_writer->discard();
    m_writer.reset();
}

Status AudioFileObject::setDefaultOutputFormat(int32_t sampleRate, int32_t kbps, int32_t channels)
{
    return m_output.setDefaultOutputFormat(sampleRate, kbps, channels);
}

Status AudioFileObject::selectMp3Output(const Mp3Settings &settings)
{
    return m_output.selectMp3(settings);
}

Status AudioFileObject::selectWavOutput(int32_t sampleRate, int16_t channels, int32_t bits)
{
    return m_output.selectWav(sampleRate, channels, bits);
}

Result<bool> AudioFileObject::checkOggFormat(int32_t sampleRate, int32_t channels, int32_t kbps,
                                             int32_t minKbps, int32_t maxKbps)
{
    return m_output.checkOgg(sampleRate, channels, kbps, minKbps, maxKbps);
}

Status AudioFileObject::selectOggOutput(int32_t sampleRate, int32_t channels, int32_t kbps,
                                        int32_t minKbps, int32_t maxKbps, int32_t quality)
{
    return m_output.selectOgg(sampleRate, channels, kbps, minKbps, maxKbps, quality);
}

Status AudioFileObject::selectWmaProfile(int32_t profile)
{
    return m_output.selectWmaProfile(profile);
}

Result<QString> AudioFileObject::formatDescription() const
{
    return m_output.description();
}

} // namespace engine
