#pragma once

#include "engine/play/OutputDevice.h"
#include "engine/play/PlaybackQueue.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace engine {

/// Lives on the player's output thread: keeps the device fed from the queue, measures what
/// has been heard and tells the window's thread when there is an event to raise. Its
/// functions are called on the output thread only.
class OutputWorker : public QObject
{
    Q_OBJECT
public:
    /// `wake` is called on the output thread when the queue has an event to raise.
    OutputWorker(PlaybackQueue &queue, std::function<void()> wake);
    ~OutputWorker() override;

    /// Opens `device` (or the silent output when it cannot be opened or `forceSilent`) and
    /// starts a run from an empty queue.
    void start(const QAudioDevice &device, const QAudioFormat &format, bool forceSilent);
    /// Silences at once and drops the queue and what the device holds.
    void stop();
    /// Drops everything not yet heard and goes on with a fresh run on the same device.
    void restart();
    bool silent() const { return m_silent.load(); }

private:
    void pump();
    void openDevice();
    void measure();

    PlaybackQueue &m_queue;
    std::function<void()> m_wake;
    QTimer m_pumpTimer;
    QElapsedTimer m_runClock;
    int64_t m_nextTimerMs = 0;

    QAudioDevice m_deviceInfo;
    QAudioFormat m_format;
    bool m_forceSilent = false;
    std::atomic<bool> m_silent{false};
    std::unique_ptr<OutputDevice> m_device;
    std::vector<int16_t> m_carry; ///< taken from the queue, not yet accepted by the device
    int64_t m_lastBuffered = 0;
};

} // namespace engine
