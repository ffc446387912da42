#include "engine/play/QtAudioPlayer.h"

#include "engine/play/OutputWorker.h"

#include <QAudioFormat>
#include <QMediaDevices>

#include <algorithm>
#include <cmath>
#include <limits>

namespace engine {

namespace {

constexpr int32_t kMaxRate = 768000;
constexpr int32_t kMaxChannels = 8;
/// A bound on events raised per wake-up; what is left waits for the next one.
constexpr int kMaxEventsPerWake = 64;

int32_t toInt32(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

QtAudioPlayer::QtAudioPlayer(QObject *parent) : QtAudioPlayer(Options{}, parent) {}

QtAudioPlayer::QtAudioPlayer(Options options, QObject *parent)
    : AudioPlayer(parent), m_options(options)
{
    // Asking here also makes Qt set up its sound backend on this (the window's) thread.
    m_silentBeforeStart = m_options.forceSilent || QMediaDevices::defaultAudioOutput().isNull();
    m_worker = std::make_unique<OutputWorker>(m_queue, [this] { wake(); });
    m_thread.setObjectName(QStringLiteral("vorn-audio-output"));
    m_worker->moveToThread(&m_thread);
    m_thread.start(QThread::HighPriority);
}

QtAudioPlayer::~QtAudioPlayer()
{
    // The worker's timer and sink belong to the output thread: end them there.
    onOutputThread([this] {
        m_worker->stop();
        m_worker.reset();
    });
    m_thread.quit();
    m_thread.wait();
}

template <typename F> void QtAudioPlayer::onOutputThread(F &&work)
{
    QMetaObject::invokeMethod(m_worker.get(), std::forward<F>(work), Qt::BlockingQueuedConnection);
}

Status QtAudioPlayer::noFormat() const
{
    return Status::failure(QStringLiteral("The player has no format set."));
}

Status QtAudioPlayer::setPlayerFormat(int32_t sampleRate, int32_t channels)
{
    if (sampleRate < 1 || sampleRate > kMaxRate || channels < 1 || channels > kMaxChannels)
        return Status::failure(
            QStringLiteral("Cannot play %1 channel(s) at %2 Hz.").arg(channels).arg(sampleRate));
    if (m_running)
        if (Status s = stopOutput(); !s)
            return s;
    m_rate = sampleRate;
    m_channels = channels;
    m_queue.setChannels(channels);
    return Status::success();
}

Result<int32_t> QtAudioPlayer::blockSizeForMilliseconds(int32_t milliseconds) const
{
    if (m_rate == 0)
        return noFormat();
    if (milliseconds < 0)
        return Status::failure(QStringLiteral("A block cannot last %1 ms.").arg(milliseconds));
    return toInt32(std::llround(double(m_rate) * milliseconds / 1000.0));
}

Result<int64_t> QtAudioPlayer::samplesToMilliseconds(int64_t frames) const
{
    if (m_rate == 0)
        return noFormat();
    return int64_t(std::llround(double(frames) * 1000.0 / m_rate));
}

Status QtAudioPlayer::startOutput()
{
    if (m_rate == 0)
        return noFormat();
    QAudioFormat format;
    format.setSampleRate(m_rate);
    format.setChannelCount(m_channels);
    format.setSampleFormat(QAudioFormat::Int16);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    onOutputThread([&] { m_worker->start(device, format, m_options.forceSilent); });
    m_running = true;
    m_started = true;
    // The first block request need not wait for the output thread's next round.
    wake();
    return Status::success();
}

Status QtAudioPlayer::queueBlock(const SampleBlock &block)
{
    if (m_rate == 0)
        return noFormat();
    m_queue.append(block);
    return Status::success();
}

Status QtAudioPlayer::stopOutput()
{
    if (m_running)
        onOutputThread([this] { m_worker->stop(); });
    m_running = false;
    return Status::success();
}

Status QtAudioPlayer::resetQueue()
{
    if (m_running)
        onOutputThread([this] { m_worker->restart(); });
    else
        m_queue.dropQueued();
    return Status::success();
}

Result<int64_t> QtAudioPlayer::playedSamples() const
{
    return m_queue.heardFrames();
}

bool QtAudioPlayer::isSilent() const
{
    return m_started ? m_worker->silent() : m_silentBeforeStart;
}

void QtAudioPlayer::wake()
{
    if (!m_wakePending.exchange(true))
        QMetaObject::invokeMethod(this, &QtAudioPlayer::deliverEvents, Qt::QueuedConnection);
}

void QtAudioPlayer::deliverEvents()
{
    m_wakePending = false;
    for (int i = 0; i < kMaxEventsPerWake; ++i) {
        PlaybackQueue::TimerValues timer;
        switch (m_queue.nextEvent(&timer)) {
        case PlaybackQueue::Event::None:
            return;
        case PlaybackQueue::Event::Timer:
            emit Timer(timer.frames, timer.levelLeft, timer.levelRight);
            break;
        case PlaybackQueue::Event::RequestBlock:
            emit RequestOnLoadArray();
            break;
        case PlaybackQueue::Event::BlockFinished:
            emit EndArrayPlay();
            break;
        case PlaybackQueue::Event::EndPlay:
            emit EndPlay();
            break;
        }
    }
    if (m_queue.wantsAttention())
        wake();
}

} // namespace engine
