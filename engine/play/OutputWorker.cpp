#include "engine/play/OutputWorker.h"

#include <algorithm>

namespace engine {

namespace {

/// How often the device is topped up and its position read. Short against the ~100 ms a
/// sound server holds, so the device never waits for the worker.
constexpr int kPumpMilliseconds = 10;
constexpr int64_t kTimerMilliseconds = 50;

} // namespace

OutputWorker::OutputWorker(PlaybackQueue &queue, std::function<void()> wake)
    : m_queue(queue), m_wake(std::move(wake)), m_pumpTimer(this)
{
    m_pumpTimer.setInterval(kPumpMilliseconds);
    m_pumpTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pumpTimer, &QTimer::timeout, this, &OutputWorker::pump);
}

OutputWorker::~OutputWorker() = default;

void OutputWorker::openDevice()
{
    m_device.reset();
    m_carry.clear();
    m_lastBuffered = 0;
    if (!m_forceSilent)
        m_device = SinkOutput::open(m_deviceInfo, m_format);
    m_silent = !m_device;
    if (!m_device)
        m_device = std::make_unique<SilentOutput>(m_format.sampleRate());
}

void OutputWorker::start(const QAudioDevice &device, const QAudioFormat &format, bool forceSilent)
{
    m_pumpTimer.stop();
    m_deviceInfo = device;
    m_format = format;
    m_forceSilent = forceSilent;
    m_queue.beginRun();
    openDevice();
    m_runClock.start();
    m_nextTimerMs = kTimerMilliseconds;
    m_pumpTimer.start();
}

void OutputWorker::stop()
{
    if (!m_device)
        return;
    m_pumpTimer.stop();
    measure();
    m_device.reset();
    m_carry.clear();
    m_queue.endRun();
}

void OutputWorker::restart()
{
    if (!m_device)
        return;
    // Closing the stream is the one way to drop what a sound server already holds.
    m_queue.restartRun();
    openDevice();
}

void OutputWorker::measure()
{
    m_lastBuffered = m_device->framesBuffered();
    const auto carried =
        static_cast<int64_t>(m_carry.size()) / std::max(m_format.channelCount(), 1);
    m_queue.setHeard(m_queue.writtenFrames() - m_lastBuffered - carried);
}

void OutputWorker::pump()
{
    if (!m_device)
        return;
    if (m_device->failed()) {
        // The server went away mid-run: go on silently from what it still held.
        m_device = std::make_unique<SilentOutput>(m_format.sampleRate(), SilentOutput::Clock{},
                                                  m_lastBuffered);
        m_silent = true;
    }
    const int channels = std::max(m_format.channelCount(), 1);
    int64_t room = m_device->framesFree();
    if (m_carry.empty() && room > 0)
        m_carry = m_queue.take(room);
    if (!m_carry.empty() && room > 0) {
        const auto frames = static_cast<int64_t>(m_carry.size()) / channels;
        const int64_t written = m_device->write(m_carry.data(), std::min(frames, room));
        m_carry.erase(m_carry.begin(), m_carry.begin() + written * channels);
    }
    measure();
    if (m_runClock.elapsed() >= m_nextTimerMs) {
        m_queue.markTimerDue();
        m_nextTimerMs += kTimerMilliseconds;
        // After a stall, tick on from now instead of catching up with a burst.
        m_nextTimerMs = std::max<int64_t>(m_nextTimerMs, m_runClock.elapsed());
    }
    if (m_queue.wantsAttention())
        m_wake();
}

} // namespace engine
