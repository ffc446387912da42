#pragma once

#include "engine/api/AudioReader.h"
#include "engine/api/PeakComputer.h"
#include "engine/peaks/FrameFetcher.h"
#include "engine/peaks/PeakTable.h"

#include <atomic>
#include <memory>
#include <thread>

namespace engine {

/// Computes a source's peaks with readers of its own: a long source is split in parts, each
/// decoded from its exact first frame by its own thread and reader, so the whole takes about
/// as long as the longest part. Starting again, stopping and destroying it cancel the running
/// computation and join its threads.
class BackgroundPeaks : public PeakComputer
{
public:
    /// `parts`: how many threads a long source is shared between.
    explicit BackgroundPeaks(int parts = 2);
    ~BackgroundPeaks() override;
    BackgroundPeaks(const BackgroundPeaks &) = delete;
    BackgroundPeaks &operator=(const BackgroundPeaks &) = delete;

    void start(const QString &path) override;
    void stop() override;
    std::shared_ptr<const Peaks> peaks() const override { return m_table; }
    void requestFrames(int64_t begin, int64_t count) override;
    std::shared_ptr<const FrameWindow> frames() const override;

    /// Decodes segment `index` of `table` with `reader`, from the segment's first frame to its
    /// end or until `cancel` is set; the first failure is the answer.
    static Status computeSegment(PeakTable &table, int index, AudioReader &reader,
                                 const std::atomic<bool> &cancel);

private:
    static void lead(std::shared_ptr<PeakTable> table, QString path, int parts,
                     const std::atomic<bool> &cancel);

    int m_parts;
    std::shared_ptr<PeakTable> m_table;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
    FrameFetcher m_fetcher;
};

} // namespace engine
