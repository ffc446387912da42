#include "engine/play/PlaybackQueue.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace engine {

namespace {

int16_t toPcm16(float sample)
{
    const float clamped = std::clamp(sample, -1.0f, 1.0f);
    return static_cast<int16_t>(std::lrint(clamped * 32767.0f));
}

} // namespace

void PlaybackQueue::setChannels(int channels)
{
    std::lock_guard lock(m_mutex);
    m_channels = std::max(channels, 1);
}

void PlaybackQueue::append(const SampleBlock &block)
{
    std::lock_guard lock(m_mutex);
    const auto frames = static_cast<int64_t>(block.size()) / m_channels;
    if (frames == 0)
        return;
    std::vector<int16_t> pcm(static_cast<size_t>(frames * m_channels));
    std::transform(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(pcm.size()),
                   pcm.begin(), toPcm16);
    m_blocks.push_back(std::move(pcm));
    m_queuedEnd += frames;
    m_blockEnds.push_back(m_queuedEnd);
    m_outstanding = std::max(m_outstanding - 1, 0);
    // More sound after the end was announced makes a new end to announce.
    m_ended = false;
    m_finalTimerRaised = false;
}

PlaybackQueue::TimerValues PlaybackQueue::timerValuesLocked()
{
    TimerValues values{m_heard, m_peakLeft, m_peakRight};
    m_peakLeft = 0;
    m_peakRight = 0;
    return values;
}

bool PlaybackQueue::drainedLocked() const
{
    return m_blockEnds.empty();
}

PlaybackQueue::Event PlaybackQueue::nextEvent(TimerValues *timer)
{
    std::lock_guard lock(m_mutex);
    if (!m_running || m_ended)
        return Event::None;
    if (m_finishedUnannounced > 0) {
        --m_finishedUnannounced;
        ++m_outstanding;
        return Event::BlockFinished;
    }
    if (drainedLocked() && m_outstanding > 0) {
        if (!m_finalTimerRaised) {
            m_finalTimerRaised = true;
            *timer = timerValuesLocked();
            return Event::Timer;
        }
        m_ended = true;
        return Event::EndPlay;
    }
    if (m_timerDue) {
        m_timerDue = false;
        *timer = timerValuesLocked();
        return Event::Timer;
    }
    if (static_cast<int>(m_blockEnds.size()) + m_outstanding < kBlocksAhead) {
        ++m_outstanding;
        return Event::RequestBlock;
    }
    return Event::None;
}

bool PlaybackQueue::wantsAttention() const
{
    std::lock_guard lock(m_mutex);
    if (!m_running || m_ended)
        return false;
    return m_finishedUnannounced > 0 || m_timerDue ||
           static_cast<int>(m_blockEnds.size()) + m_outstanding < kBlocksAhead ||
           (drainedLocked() && m_outstanding > 0);
}

int64_t PlaybackQueue::heardFrames() const
{
    std::lock_guard lock(m_mutex);
    return m_heard;
}

int64_t PlaybackQueue::writtenFrames() const
{
    std::lock_guard lock(m_mutex);
    return m_written;
}

void PlaybackQueue::clearRunLocked()
{
    m_blocks.clear();
    m_frontOffset = 0;
    m_blockEnds.clear();
    m_queuedEnd = 0;
    m_written = 0;
    m_heard = 0;
    m_finishedUnannounced = 0;
    m_outstanding = 0;
    m_slices.clear();
    m_peakLeft = 0;
    m_peakRight = 0;
    m_ended = false;
    m_finalTimerRaised = false;
    m_timerDue = false;
}

void PlaybackQueue::beginRun()
{
    std::lock_guard lock(m_mutex);
    clearRunLocked();
    m_running = true;
}

void PlaybackQueue::endRun()
{
    std::lock_guard lock(m_mutex);
    const int64_t heard = m_heard;
    clearRunLocked();
    m_heard = heard;
    m_running = false;
}

void PlaybackQueue::restartRun()
{
    std::lock_guard lock(m_mutex);
    clearRunLocked();
}

void PlaybackQueue::dropQueued()
{
    std::lock_guard lock(m_mutex);
    m_blocks.clear();
    m_frontOffset = 0;
    m_blockEnds.clear();
    m_queuedEnd = m_written;
}

std::vector<int16_t> PlaybackQueue::take(int64_t maxFrames)
{
    std::lock_guard lock(m_mutex);
    std::vector<int16_t> out;
    const size_t wanted = static_cast<size_t>(std::max<int64_t>(maxFrames, 0) * m_channels);
    while (out.size() < wanted && !m_blocks.empty()) {
        const auto &front = m_blocks.front();
        const size_t n = std::min(wanted - out.size(), front.size() - m_frontOffset);
        const auto first = front.begin() + static_cast<std::ptrdiff_t>(m_frontOffset);
        out.insert(out.end(), first, first + static_cast<std::ptrdiff_t>(n));
        m_frontOffset += n;
        if (m_frontOffset == front.size()) {
            m_blocks.pop_front();
            m_frontOffset = 0;
        }
    }
    if (out.empty())
        return out;
    Slice slice{0, 0, 0};
    for (size_t i = 0; i < out.size(); i += static_cast<size_t>(m_channels)) {
        slice.left = std::max<int32_t>(slice.left, std::abs(out[i]));
        const size_t right = m_channels > 1 ? i + 1 : i;
        slice.right = std::max<int32_t>(slice.right, std::abs(out[right]));
    }
    m_written += static_cast<int64_t>(out.size()) / m_channels;
    slice.end = m_written;
    m_slices.push_back(slice);
    return out;
}

void PlaybackQueue::setHeard(int64_t heard)
{
    std::lock_guard lock(m_mutex);
    if (!m_running)
        return;
    m_heard = std::clamp(heard, m_heard, m_written);
    while (!m_blockEnds.empty() && m_blockEnds.front() <= m_heard) {
        m_blockEnds.pop_front();
        ++m_finishedUnannounced;
    }
    while (!m_slices.empty() && m_slices.front().end <= m_heard) {
        m_peakLeft = std::max(m_peakLeft, m_slices.front().left);
        m_peakRight = std::max(m_peakRight, m_slices.front().right);
        m_slices.pop_front();
    }
}

void PlaybackQueue::markTimerDue()
{
    std::lock_guard lock(m_mutex);
    m_timerDue = m_running;
}

} // namespace engine
