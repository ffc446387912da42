#include "engine/factory/AudioFileObject.h"

#include "engine/read/OpenReader.h"

namespace engine {

AudioFileObject::AudioFileObject() : m_source(localFiles()) {}
AudioFileObject::AudioFileObject(SourceOpener source) : m_source(std::move(source)) {}
Status AudioFileObject::noSource() const
{
    return m_openFailure;
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

Status AudioFileObject::close()
{
    m_reader.reset();
    m_openFailure = Status::failure(QStringLiteral("No audio file is open."));
    return Status::success();
}

} // namespace engine
