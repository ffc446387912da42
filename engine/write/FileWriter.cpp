#include "engine/write/FileWriter.h"

#include <algorithm>

namespace engine {

namespace {
// Far beyond any real source; keeps the encoders' arithmetic inside its types.
constexpr int kMaxRate = 768000;
constexpr int kMaxChannels = 8;
} // namespace

FileWriter::FileWriter(std::unique_ptr<DestinationFile> file, int outputRate, int outputChannels)
    : m_file(std::move(file)), m_outputRate(outputRate), m_outputChannels(outputChannels)
{}

Status FileWriter::failure(const QString &reason) const
{
    if (!m_file->failure())
        return m_file->failure();
    return refusal(reason);
}

Status FileWriter::refusal(const QString &reason) const
{
    return Status::failure(QStringLiteral("Cannot write '%1': %2").arg(path(), reason));
}

Status FileWriter::setInputFormat(int32_t sampleRate, int32_t channels)
{
    if (m_started)
        return failure(QStringLiteral("the input format cannot change once writing has begun."));
    if (sampleRate <= 0 || sampleRate > kMaxRate || channels <= 0 || channels > kMaxChannels)
        return failure(QStringLiteral("%1 Hz with %2 channels is not a usable input format.")
                           .arg(sampleRate)
                           .arg(channels));
    m_inputRate = sampleRate;
    m_inputChannels = channels;
    return Status::success();
}

Status FileWriter::check(const SampleBlock &block) const
{
    if (m_inputRate == 0)
        return refusal(QStringLiteral("the input format was not set before the first block."));
    if (block.size() % size_t(m_inputChannels) != 0)
        return refusal(QStringLiteral("a block of %1 samples does not hold whole frames of %2 "
                                      "channels.")
                           .arg(block.size())
                           .arg(m_inputChannels));
    return Status::success();
}

Status FileWriter::write(const SampleBlock &block)
{
    if (Status s = check(block); !s)
        return s;
    if (!m_started) {
        if (Status s = start(m_inputRate, m_inputChannels); !s)
            return s;
        m_started = true;
    }
    // The encoders count frames in int; blocks are one second in practice.
    constexpr size_t kMaxFramesPerCall = size_t(1) << 20;
    for (size_t done = 0; done < block.size();) {
        const size_t frames =
            std::min((block.size() - done) / size_t(m_inputChannels), kMaxFramesPerCall);
        if (Status s = encode(block.data() + done, int(frames)); !s)
            return s;
        done += frames * size_t(m_inputChannels);
    }
    return Status::success();
}

Status FileWriter::finish()
{
    if (!m_started) {
        if (m_inputRate == 0) {
            m_inputRate = m_outputRate;
            m_inputChannels = m_outputChannels;
        }
        if (Status s = start(m_inputRate, m_inputChannels); !s)
            return s;
        m_started = true;
    }
    if (Status s = complete(); !s)
        return s;
    return m_file->commit();
}

void FileWriter::discard()
{
    m_file->discard();
}

} // namespace engine
