#include "engine/peaks/FrameFetcher.h"

#include "engine/read/OpenReader.h"

#include <algorithm>

namespace engine {

FrameFetcher::~FrameFetcher()
{
    stop();
}

void FrameFetcher::start(const QString &path)
{
    stop();
    m_path = path;
}

void FrameFetcher::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lock(m_mutex);
    m_quit = false;
    m_pending.reset();
    m_frames.reset();
    m_path.clear();
}

void FrameFetcher::request(int64_t begin, int64_t count)
{
    if (m_path.isEmpty())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_pending = {std::max<int64_t>(begin, 0), std::clamp<int64_t>(count, 0, kMostFrames)};
    }
    if (!m_thread.joinable())
        m_thread = std::thread([this, path = m_path] { run(path); });
    m_wake.notify_all();
}

std::shared_ptr<const FrameWindow> FrameFetcher::frames() const
{
    std::lock_guard lock(m_mutex);
    return m_frames;
}

void FrameFetcher::run(QString path)
{
    auto opened = openAudioReader(path);
    if (!opened)
        return; // the view goes on drawing from the peaks
    AudioReader &reader = *opened.value();
    for (;;) {
        std::pair<int64_t, int64_t> wanted;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_quit || m_pending; });
            if (m_quit)
                return;
            wanted = *m_pending;
            m_pending.reset();
        }
        auto window = std::make_shared<FrameWindow>();
        window->channelCount = reader.channelCount();
        window->begin = std::min(wanted.first, reader.length());
        const auto reached = reader.seek(window->begin);
        if (!reached || reached.value() != window->begin)
            continue;
        SampleBlock block;
        int64_t left = std::min(wanted.second, reader.length() - window->begin);
        while (left > 0) {
            if (Status s = reader.read(left, block); !s)
                break;
            const int64_t frames = int64_t(block.size()) / window->channelCount;
            if (frames == 0)
                break;
            const int64_t take = std::min(frames, left);
            window->samples.insert(window->samples.end(), block.begin(),
                                   block.begin() + take * window->channelCount);
            left -= take;
        }
        std::lock_guard lock(m_mutex);
        if (m_quit)
            return;
        m_frames = std::move(window);
    }
}

} // namespace engine
