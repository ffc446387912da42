#include "FakeEngine.h"

namespace fakes {

using engine::Result;
using engine::Status;

QStringList Log::matching(const QString &prefix) const
{
    QStringList found;
    for (const QString &call : calls)
        if (call.startsWith(prefix))
            found.append(call);
    return found;
}

Status FakeAudioFile::openForReading(const QString &path)
{
    m_log.add(m_name + QStringLiteral(".openForReading(%1)").arg(path));
    if (openFails)
        return Status::cannotOpen(path, QStringLiteral("Invalid data"));
    isOpen = true;
    position = 0;
    return Status::success();
}

Result<int64_t> FakeAudioFile::seek(int64_t frame)
{
    m_log.add(m_name + QStringLiteral(".seek(%1)").arg(frame));
    position = std::clamp<int64_t>(frame, 0, frames);
    return position;
}

Status FakeAudioFile::readBlock(int32_t count, engine::SampleBlock &block)
{
    m_log.add(m_name + QStringLiteral(".readBlock(%1)").arg(count));
    const int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, frames - position));
    // Each frame carries its own position, so a test can tell which frames were queued.
    block.assign(size_t(n) * size_t(channels), 0.0f);
    for (int64_t i = 0; i < n; ++i)
        for (int32_t c = 0; c < channels; ++c)
            block[size_t(i * channels + c)] = float(position + i);
    position += n;
    return Status::success();
}

Status FakeAudioFile::close()
{
    m_log.add(m_name + QStringLiteral(".close()"));
    isOpen = false;
    return Status::success();
}

Status FakeWriter::setInputFormat(int32_t sampleRate, int32_t channelCount)
{
    m_log.add(QStringLiteral("FileW.setInputFormat(%1,%2)").arg(sampleRate).arg(channelCount));
    return Status::success();
}

Status FakeWriter::write(const engine::SampleBlock &block)
{
    m_log.add(QStringLiteral("FileW.writeBlock(%1)").arg(block.size()));
    if (m_writesBeforeFailure == 0)
        return Status::failure(QStringLiteral("Cannot write 'FileW': No space left on device"));
    if (m_writesBeforeFailure > 0)
        --m_writesBeforeFailure;
    return Status::success();
}

Status FakeWriter::finish()
{
    m_log.add(QStringLiteral("FileW.close()"));
    return Status::success();
}

void FakeWriter::discard()
{
    m_log.add(QStringLiteral("FileW.discard()"));
}

Status FakePlayer::setPlayerFormat(int32_t sampleRate, int32_t channelCount)
{
    m_log.add(
        QStringLiteral("AudioPlayer.setPlayerFormat(%1,%2)").arg(sampleRate).arg(channelCount));
    rate = sampleRate;
    channels = channelCount;
    return Status::success();
}

Result<int32_t> FakePlayer::blockSizeForMilliseconds(int32_t milliseconds) const
{
    return int32_t(qint64(rate) * milliseconds / 1000);
}

Status FakePlayer::startOutput()
{
    m_log.add(QStringLiteral("AudioPlayer.startOutput()"));
    running = true;
    played = 0;
    queue.clear();
    return Status::success();
}

Status FakePlayer::queueBlock(const engine::SampleBlock &block)
{
    m_log.add(QStringLiteral("AudioPlayer.queueBlock(%1)").arg(block.size()));
    queue.push_back(block);
    return Status::success();
}

Status FakePlayer::stopOutput()
{
    m_log.add(QStringLiteral("AudioPlayer.stopOutput()"));
    running = false;
    queue.clear();
    return Status::success();
}

Status FakePlayer::resetQueue()
{
    m_log.add(QStringLiteral("AudioPlayer.resetQueue()"));
    queue.clear();
    return Status::success();
}

Result<int64_t> FakePlayer::samplesToMilliseconds(int64_t frames) const
{
    if (rate <= 0)
        return Status::failure(QStringLiteral("No player format set."));
    return frames * 1000 / rate;
}

Status FakeInformation::readInformation(const QString &path)
{
    m_log.add(QStringLiteral("AudioInformation.readInformation(%1)").arg(path));
    if (readFails)
        return Status::failure(QStringLiteral("Cannot read '%1'").arg(path));
    return Status::success();
}

Status FakeInformation::writeTags(const QString &path)
{
    m_log.add(QStringLiteral("AudioInformation.writeTags(%1)").arg(path));
    if (writeFails)
        return Status::cannotWriteTags(path, QStringLiteral("the file is read-only"));
    written[path] = values;
    return Status::success();
}

std::unique_ptr<engine::AudioInformation> FakeEngineFactory::createInformation()
{
    log.add(QStringLiteral("create AudioInformation"));
    auto object = std::make_unique<FakeInformation>(log);
    information = object.get();
    return object;
}

std::unique_ptr<engine::AudioFile> FakeEngineFactory::createAudioFile()
{
    static const char *const names[] = {"FileR", "AudioFile"};
    const QString name = files.size() < 2 ? QString::fromLatin1(names[files.size()])
                                          : QStringLiteral("File%1").arg(files.size() + 1);
    log.add(QStringLiteral("create ") + name);
    auto object = std::make_unique<FakeAudioFile>(name, log);
    files.push_back(object.get());
    return object;
}

engine::Result<std::unique_ptr<engine::AudioWriter>>
FakeEngineFactory::createWriter(const QString &path, const engine::OutputChoice &output) const
{
    log.add(QStringLiteral("FileW.createForWriting(%1)").arg(path));
    writtenOutputs.push_back(output);
    if (createFails)
        return Status::failure(QStringLiteral("Cannot create '%1': Permission denied").arg(path));
    return std::unique_ptr<engine::AudioWriter>(
        std::make_unique<FakeWriter>(log, writesBeforeFailure));
}

engine::Result<QString> FakeEngineFactory::describeOutput(const engine::OutputChoice &output) const
{
    switch (output.format) {
    case engine::OutputFormat::Mp3:
        return mp3Description;
    case engine::OutputFormat::Wma:
        return wmaDescriptionPrefix + QString::number(output.wmaProfile) +
               QStringLiteral(" 44 kHz");
    default:
        break;
    }
    return QString::fromLatin1(output.entry().name);
}

engine::Result<QString> FakeLosslessCutter::describeCopy(const QString &sourcePath,
                                                         engine::OutputFormat format)
{
    m_log.add(QStringLiteral("Copier.describeCopy(%1, %2)").arg(sourcePath).arg(int(format)));
    if (!refusal.isEmpty())
        return engine::Status::cannotCopy(sourcePath, refusal);
    return description;
}

engine::Status FakeLosslessCutter::cut(const QString &sourcePath, const QString &destPath,
                                       int64_t beginFrame, int64_t endFrame,
                                       const engine::JobCallbacks &callbacks)
{
    m_log.add(QStringLiteral("Copier.cut(%1, %2, %3, %4)")
                  .arg(sourcePath, destPath)
                  .arg(beginFrame)
                  .arg(endFrame));
    if (callbacks.progress)
        callbacks.progress(50);
    return cutOutcome;
}

namespace {

/// Copies through the cutter that made it, which outlives it.
class FakeCopySource : public engine::CopySource
{
public:
    FakeCopySource(FakeLosslessCutter &cutter, const QString &sourcePath)
        : m_cutter(cutter), m_sourcePath(sourcePath)
    {}
    std::optional<int64_t> length() const override { return std::nullopt; }
    int32_t sampleRate() const override { return 44100; }
    QByteArray tagHeader() const override { return {}; }
    engine::Status copy(const QString &destPath, int64_t beginFrame, int64_t endFrame,
                        const QByteArray &tags, const engine::JobCallbacks &callbacks) override
    {
        (void)tags;
        return m_cutter.cut(m_sourcePath, destPath, beginFrame, endFrame, callbacks);
    }

private:
    FakeLosslessCutter &m_cutter;
    QString m_sourcePath;
};

} // namespace

engine::Result<std::unique_ptr<engine::CopySource>>
FakeLosslessCutter::prepare(const QString &sourcePath, engine::OutputFormat format)
{
    m_log.add(QStringLiteral("Copier.prepare(%1, %2)").arg(sourcePath).arg(int(format)));
    if (!refusal.isEmpty())
        return engine::Status::cannotCopy(sourcePath, refusal);
    return std::unique_ptr<engine::CopySource>(std::make_unique<FakeCopySource>(*this, sourcePath));
}

std::unique_ptr<engine::LosslessCutter> FakeEngineFactory::createLosslessCutter()
{
    auto object = std::make_unique<FakeLosslessCutter>(log);
    copier = object.get();
    return object;
}

std::unique_ptr<engine::AudioPlayer> FakeEngineFactory::createPlayer()
{
    log.add(QStringLiteral("create AudioPlayer"));
    auto object = std::make_unique<FakePlayer>(log);
    player = object.get();
    return object;
}

} // namespace fakes
