#pragma once

#include "engine/api/PeakComputer.h"

#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace engine {

/// Reads the frames a close-up view shows, on a thread of its own with a reader of its own,
/// so the window's reader (playback) keeps its place and the window never waits for a seek.
/// Only the newest request counts: a view scrolled on before a read is served skips it.
class FrameFetcher
{
public:
    /// The most frames one request reads; a wider view draws from the peaks instead.
    static constexpr int64_t kMostFrames = int64_t(1) << 20;

    FrameFetcher() = default;
    ~FrameFetcher();
    FrameFetcher(const FrameFetcher &) = delete;
    FrameFetcher &operator=(const FrameFetcher &) = delete;

    /// Ends any earlier source's thread; `path` is opened at the first request.
    void start(const QString &path);
    /// Ends the thread; afterwards nothing is read and frames() is empty.
    void stop();
    void request(int64_t begin, int64_t count);
    std::shared_ptr<const FrameWindow> frames() const;

private:
    void run(QString path);

    std::thread m_thread;
    QString m_path;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_quit = false;
    std::optional<std::pair<int64_t, int64_t>> m_pending;
    std::shared_ptr<const FrameWindow> m_frames;
};

} // namespace engine
