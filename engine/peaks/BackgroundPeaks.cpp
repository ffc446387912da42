#include "engine/peaks/BackgroundPeaks.h"

#include "engine/read/OpenReader.h"

#include <algorithm>

namespace engine {

namespace {

/// Frames per read: small enough that a cancel is seen within milliseconds.
constexpr int64_t kReadFrames = 1 << 15;
/// A source shorter than this many seconds is one part: a second reader's open would cost
/// more than it saves.
constexpr int64_t kSplitSeconds = 20;

} // namespace

BackgroundPeaks::BackgroundPeaks(int parts) : m_parts(std::max(parts, 1)) {}

BackgroundPeaks::~BackgroundPeaks()
{
    stop();
}

void BackgroundPeaks::start(const QString &path)
{
    stop();
    m_table = std::make_shared<PeakTable>();
    m_table->beginWork();
    m_thread = std::thread(lead, m_table, path, m_parts, std::cref(m_cancel));
    m_fetcher.start(path);
}

void BackgroundPeaks::stop()
{
    m_cancel.store(true);
    if (m_thread.joinable())
        m_thread.join();
    m_cancel.store(false);
    m_table.reset();
    m_fetcher.stop();
}

void BackgroundPeaks::requestFrames(int64_t begin, int64_t count)
{
    m_fetcher.request(begin, count);
}

std::shared_ptr<const FrameWindow> BackgroundPeaks::frames() const
{
    return m_fetcher.frames();
}

void BackgroundPeaks::lead(std::shared_ptr<PeakTable> table, QString path, int parts,
                           const std::atomic<bool> &cancel)
{
    auto opened = openAudioReader(path);
    if (!opened) {
        table->fail(opened.status());
        table->endWork();
        return;
    }
    AudioReader &reader = *opened.value();
    const int64_t length = reader.length();
    const bool split = length >= kSplitSeconds * reader.sampleRate();
    table->describe(length, reader.channelCount(), reader.sampleRate(), split ? parts : 1);

    // The other parts, each with a reader of its own; this thread takes the first.
    std::vector<std::thread> helpers;
    for (int index = 1; index < table->segmentCount(); ++index) {
        table->beginWork();
        helpers.emplace_back([table, path, index, &cancel] {
            auto own = openAudioReader(path);
            Status s = own ? computeSegment(*table, index, *own.value(), cancel) : own.status();
            if (!s)
                table->fail(s);
            table->endWork();
        });
    }
    if (Status s = computeSegment(*table, 0, reader, cancel); !s)
        table->fail(s);
    for (auto &helper : helpers)
        helper.join();
    table->endWork();
}

Status BackgroundPeaks::computeSegment(PeakTable &table, int index, AudioReader &reader,
                                       const std::atomic<bool> &cancel)
{
    const int64_t begin = table.segmentBegin(index);
    const int64_t end = table.segmentEnd(index);
    const int32_t channels = std::max(reader.channelCount(), 1);
    if (begin > 0) {
        const auto reached = reader.seek(begin);
        if (!reached)
            return reached.status();
        if (reached.value() != begin)
            return Status::failure(
                QStringLiteral("Cannot compute the waveform: the seek to frame %1 reached %2")
                    .arg(begin)
                    .arg(reached.value()));
    }
    SampleBlock block;
    int64_t position = begin;
    while (position < end) {
        if (cancel.load(std::memory_order_relaxed))
            return Status::success(); // what was computed stays; the rest is never known
        if (Status s = reader.read(std::min(kReadFrames, end - position), block); !s)
            return s;
        const int64_t frames = int64_t(block.size()) / channels;
        if (frames == 0)
            break;
        table.fill(index, block.data(), std::min(frames, end - position));
        position += frames;
    }
    table.finishSegment(index);
    return Status::success();
}

} // namespace engine
