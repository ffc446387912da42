#include "engine/write/BackgroundWriter.h"

#include <system_error>

namespace engine {

namespace {
// Two one-second blocks: enough to keep the encoder busy while the next one is decoded.
constexpr size_t kMaxWaiting = 2;
} // namespace

BackgroundWriter::BackgroundWriter(std::unique_ptr<AudioWriter> writer)
    : m_writer(std::move(writer))
{}

BackgroundWriter::~BackgroundWriter()
{
    if (m_thread.joinable())
        discard();
}

Status BackgroundWriter::setInputFormat(int32_t sampleRate, int32_t channels)
{
    // Before the first block the other writer is still the caller's alone.
    if (m_started)
        return keep(Status::failure(
            QStringLiteral("The input format cannot change once writing has begun.")));
    if (Status s = m_writer->setInputFormat(sampleRate, channels); !s)
        return keep(s);
    return Status::success();
}

Status BackgroundWriter::keep(const Status &failure)
{
    const std::lock_guard lock(m_mutex);
    if (m_failure)
        m_failure = failure;
    return failure;
}

Status BackgroundWriter::check(const SampleBlock &block) const
{
    return m_writer->check(block);
}

Status BackgroundWriter::write(const SampleBlock &block)
{
    if (Status s = m_writer->check(block); !s)
        return keep(s);
    if (!m_started) {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_failure)
                return m_failure;
        }
        m_started = true;
        if (Status s = m_writer->write(block); !s)
            return keep(s);
        return Status::success();
    }
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread(&BackgroundWriter::run, this);
        } catch (const std::system_error &) {
            // No thread to be had: encode here, only slower.
            if (Status s = m_writer->write(block); !s)
                return keep(s);
            return Status::success();
        }
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_waiting.size() < kMaxWaiting || !m_failure; });
    if (!m_failure)
        return m_failure;
    m_waiting.push_back(block);
    m_changed.notify_all();
    return Status::success();
}

void BackgroundWriter::run()
{
    for (;;) {
        SampleBlock block;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_waiting.empty() || m_closing; });
            if (m_dropping || m_waiting.empty())
                return;
            block = std::move(m_waiting.front());
            m_waiting.pop_front();
            m_changed.notify_all();
        }
        if (Status s = m_writer->write(block); !s) {
            std::lock_guard lock(m_mutex);
            m_failure = s;
            m_waiting.clear();
            m_changed.notify_all();
            return;
        }
    }
}

void BackgroundWriter::stop(bool drop)
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        m_dropping = drop;
        if (drop)
            m_waiting.clear();
        m_changed.notify_all();
    }
    m_thread.join();
}

Status BackgroundWriter::finish()
{
    stop(false);
    if (!m_failure)
        return m_failure;
    return m_writer->finish();
}

std::unique_ptr<AudioWriter> BackgroundWriter::writerFrom(int64_t frame)
{
    return m_writer->writerFrom(frame);
}

void BackgroundWriter::discard()
{
    stop(true);
    m_writer->discard();
}

} // namespace engine
