#include "SplitJob.h"

#include "TagTransfer.h"

#include <QFile>
#include <QThread>

#include <QFileInfo>
#include <atomic>
#include <future>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace cutting {

namespace {

ShapeOptions partShaping(const SplitRequest &request)
{
    ShapeOptions shaping = request.shaping;
    shaping.reached = nullptr;
    return shaping;
}

/// The tags of part `number` of `count`: the source's (when wanted) under the part's own.
TagSet partTags(const std::optional<TagSet> &source, const engine::PartList &list, size_t index)
{
    TagSet tags = source.value_or(TagSet{});
    const engine::Part &part = list.parts[index];
    if (!part.title.isEmpty())
        tags.tagTitle = part.title;
    if (!part.performer.isEmpty())
        tags.tagArtist = part.performer;
    else if (tags.tagArtist.isEmpty())
        tags.tagArtist = list.artist;
    if (tags.tagAlbum.isEmpty())
        tags.tagAlbum = list.album;
    // "n/N": players show the part's place in the whole, and Vorbis comments get TRACKTOTAL.
    tags.tagTrack = QStringLiteral("%1/%2").arg(index + 1).arg(list.parts.size());
    return tags;
}

/// Why the job cannot start: a name missing, or a file in the way that may not be replaced.
engine::Status refusal(const SplitRequest &request)
{
    if (size_t(request.destinations.size()) != request.parts.parts.size())
        return engine::Status::failure(QStringLiteral("Every part needs a file name."));
    if (!request.replaceExisting)
        for (const QString &path : request.destinations)
            if (QFileInfo::exists(path))
                return engine::Status::failure(
                    QStringLiteral("Cannot write '%1': the file exists already.").arg(path));
    return engine::Status::success();
}

int64_t framesOf(const engine::Part &part)
{
    return std::max<int64_t>(part.end - part.begin, 1);
}

int64_t framesOf(const std::vector<engine::Part> &parts)
{
    int64_t total = 0;
    for (const engine::Part &part : parts)
        total += framesOf(part);
    return total;
}

std::optional<TagSet> sourceTagsOf(engine::AudioInformation &information,
                                   const SplitRequest &request)
{
    if (!request.copyTags)
        return std::nullopt;
    auto tags = ReadSourceTags(information, request.sourcePath);
    return tags.ok() ? std::optional<TagSet>(tags.value()) : std::nullopt;
}

void tagPart(engine::AudioInformation &information, const std::optional<TagSet> &source,
             const SplitRequest &request, size_t index, SplitReport &report)
{
    const QString &destination = request.destinations[qsizetype(index)];
    if (engine::Status s =
            WriteTags(information, partTags(source, request.parts, index), destination);
        s.failed())
        report.notes << QStringLiteral("part %1: the tags could not be written: %2")
                            .arg(index + 1)
                            .arg(s.reason());
}

/// A worker's reader, opened at its first part and kept open for the next: an open learns
/// the whole source (an MP3's exact length and frame index are a scan of the file), and
/// the seek each part starts with is exact on an open reader.
class KeptOpen : public engine::FileReading
{
public:
    explicit KeptOpen(engine::FileReading &reader) : m_reader(reader) {}
    ~KeptOpen() override
    {
        if (m_open)
            engine::ignoreFailure(m_reader.close(), "the source was only read");
    }
    KeptOpen(const KeptOpen &) = delete;
    KeptOpen &operator=(const KeptOpen &) = delete;

    engine::Status openForReading(const QString &path) override
    {
        if (m_open && path == m_path)
            return engine::Status::success();
        if (m_open)
            engine::ignoreFailure(m_reader.close(), "the source was only read");
        const engine::Status opened = m_reader.openForReading(path);
        m_open = opened.ok();
        m_path = path;
        return opened;
    }
    engine::Result<int32_t> sampleRate() const override { return m_reader.sampleRate(); }
    engine::Result<int32_t> channelCount() const override { return m_reader.channelCount(); }
    engine::Result<int64_t> length() const override { return m_reader.length(); }
    engine::Result<int64_t> seek(int64_t frame) override { return m_reader.seek(frame); }
    engine::Status readBlock(int32_t frames, engine::SampleBlock &block) override
    {
        return m_reader.readBlock(frames, block);
    }
    /// A part's end; the reader stays open for the worker's next part. A failed part ends
    /// the job, so no part reads on after a failure.
    engine::Status close() override { return engine::Status::success(); }

private:
    engine::FileReading &m_reader;
    QString m_path;
    bool m_open = false;
};

/// The flush and rename of one copied part, on a thread of its own.
class PartFinish
{
public:
    bool pending() const { return m_done.valid(); }
    void start(size_t index, std::unique_ptr<engine::UnfinishedCopy> file)
    {
        m_index = index;
        // Shared, so that the file outlives a thread that could not be started.
        const std::shared_ptr<engine::UnfinishedCopy> shared = std::move(file);
        try {
            m_done = std::async(std::launch::async, [shared] { return shared->finish(); });
        } catch (const std::system_error &) {
            // No thread to be had: the part is finished here, as it would be without one.
            std::promise<engine::Status> now;
            now.set_value(shared->finish());
            m_done = now.get_future();
        }
    }
    /// The part's index and how its finish went, once it has.
    std::pair<size_t, engine::Status> wait() { return {m_index, m_done.get()}; }

private:
    size_t m_index = 0;
    std::future<engine::Status> m_done;
};

} // namespace

SplitReport SplitParts(engine::FileReading &reader, const WriterMaker &makeWriter,
                       engine::LosslessCutter *copier, engine::AudioInformation &information,
                       const SplitRequest &request, const JobCallbacks &callbacks)
{
    SplitReport report;
    report.status = refusal(request);
    if (report.status.failed())
        return report;
    const std::vector<engine::Part> &parts = request.parts.parts;
    const int64_t total = framesOf(parts);
    const std::optional<TagSet> sourceTags = sourceTagsOf(information, request);

    // The source is read once for all copies; a format that only the single cut copies
    // goes through it part by part.
    std::unique_ptr<engine::CopySource> copies;
    if (request.copy && copier && !parts.empty())
        if (const engine::OutputFormatEntry *entry =
                engine::outputFormatOf(request.destinations[0]))
            if (auto prepared = copier->prepare(request.sourcePath, entry->format); prepared.ok())
                copies = std::move(prepared.value());

    // The part copied last is flushed and put in place while the next one is copied; it is
    // reported once it is there, so the report keeps the parts' order and lists only files
    // in place.
    PartFinish finishing;
    auto settle = [&] {
        if (!finishing.pending())
            return true;
        const auto [index, finished] = finishing.wait();
        if (finished.failed()) {
            report.status = finished;
            return false;
        }
        report.written << request.destinations[qsizetype(index)];
        return true;
    };
    int64_t done = 0;
    bool stopped = false;
    for (size_t i = 0; i < parts.size() && !stopped; ++i) {
        const engine::Part &part = parts[i];
        const QString &destination = request.destinations[qsizetype(i)];
        const bool existed = QFileInfo::exists(destination);
        const int64_t span = framesOf(part);
        JobCallbacks partCallbacks = callbacks;
        partCallbacks.progress = [&](float percent) {
            if (callbacks.progress && total > 0)
                callbacks.progress(
                    float((double(done) + span * percent / 100.0) / double(total) * 100.0));
        };
        partCallbacks.goOn = [&] {
            stopped = callbacks.goOn && !callbacks.goOn();
            return !stopped;
        };
        engine::Status outcome = engine::Status::failure(engine::StatusCode::CannotCopy,
                                                         QStringLiteral("not asked to copy"));
        std::unique_ptr<engine::UnfinishedCopy> unfinished;
        bool taggedInCopy = false;
        // A part put in place at once (cut, re-encoded) waits until the one before it is
        // there: that one may fail yet, and the report lists the parts in their order.
        if (request.copy && copier) {
            const engine::OutputFormatEntry *entry = engine::outputFormatOf(destination);
            if (copies && entry && entry == engine::outputFormatOf(request.destinations[0])) {
                // Tagged as it is written: a tag write afterwards would copy the whole part
                // again (and rewrite an Ogg file's pages behind a comment that grew).
                QByteArray tags;
                if (const QByteArray header = copies->tagHeader(); !header.isEmpty()) {
                    information.setTags(valuesOf(partTags(sourceTags, request.parts, i)));
                    if (auto rendered = information.tagsInHeader(header); rendered.ok())
                        tags = rendered.value();
                }
                auto written =
                    copies->write(destination, part.begin, part.end, tags, partCallbacks);
                outcome = written.status();
                if (written.ok())
                    unfinished = std::move(written.value());
                taggedInCopy = !tags.isEmpty() && outcome.ok();
            } else {
                if (!settle())
                    break;
                outcome = copier->cut(request.sourcePath, destination, part.begin, part.end,
                                      partCallbacks);
            }
            if (outcome.code() == engine::StatusCode::CannotCopy)
                report.notes
                    << QStringLiteral("part %1 re-encoded: %2").arg(i + 1).arg(outcome.reason());
        }
        if (outcome.code() == engine::StatusCode::CannotCopy) {
            if (!settle())
                break;
            outcome = ConvertRange(reader, makeWriter, request.sourcePath, destination,
                                   {part.begin, part.end}, partCallbacks, partShaping(request));
        }
        if (!settle())
            break;
        if (stopped) {
            // The part in progress is not a part: only whole parts are kept.
            unfinished.reset();
            if (!existed)
                QFile::remove(destination);
            report.cancelled = true;
            break;
        }
        if (outcome.failed()) {
            report.status = outcome;
            break;
        }
        done += span;
        if (unfinished && taggedInCopy) {
            finishing.start(i, std::move(unfinished));
            continue;
        }
        if (unfinished)
            if (engine::Status s = unfinished->finish(); s.failed()) {
                report.status = s;
                break;
            }
        report.written << destination;
        if (!taggedInCopy)
            tagPart(information, sourceTags, request, i, report);
    }
    settle();
    if (callbacks.progress)
        callbacks.progress(report.status.ok() && !report.cancelled ? 100.0f : 0.0f);
    return report;
}

SplitReport SplitPartsAtOnce(const PartWorkers &workers, engine::AudioInformation &information,
                             const SplitRequest &request, const JobCallbacks &callbacks)
{
    SplitReport report;
    report.status = refusal(request);
    if (report.status.failed())
        return report;
    const std::vector<engine::Part> &parts = request.parts.parts;
    const size_t count = parts.size();
    const int64_t total = framesOf(parts);
    const std::optional<TagSet> sourceTags = sourceTagsOf(information, request);

    enum class Outcome
    {
        Waiting,
        Done,
        Stopped,
        Failed
    };
    struct PartState
    {
        std::atomic<int64_t> frames{0};
        std::atomic<Outcome> outcome{Outcome::Waiting};
        engine::Status failure;
    };
    std::vector<PartState> states(count);
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    std::atomic<size_t> exited{0};
    auto work = [&](engine::FileReading *worker) {
        KeptOpen reader(*worker);
        for (size_t i = next++; i < count && !stop; i = next++) {
            PartState &state = states[i];
            bool stopped = false;
            JobCallbacks partCallbacks;
            partCallbacks.progress = [&](float percent) {
                state.frames = int64_t(double(framesOf(parts[i])) * percent / 100.0);
            };
            partCallbacks.goOn = [&] {
                stopped = stop;
                return !stopped;
            };
            const engine::Status outcome = ConvertRange(
                reader, workers.makeWriter, request.sourcePath, request.destinations[qsizetype(i)],
                {parts[i].begin, parts[i].end}, partCallbacks, partShaping(request));
            if (outcome.failed()) {
                state.failure = outcome;
                state.outcome = Outcome::Failed;
                stop = true;
            } else {
                state.outcome = stopped ? Outcome::Stopped : Outcome::Done;
            }
        }
        ++exited;
    };
    if (count == 0)
        return report;
    const size_t threads = std::clamp<size_t>(size_t(std::max(workers.count, 1)), 1, count);
    // Made here; each part's writer is made on its worker, which the factory allows.
    std::vector<std::unique_ptr<engine::FileReading>> readers;
    for (size_t t = 0; t < threads; ++t) {
        readers.push_back(workers.makeReader());
    }
    std::vector<std::thread> running;
    for (size_t t = 0; t < threads; ++t)
        running.emplace_back(work, readers[t].get());

    // The calling thread speaks for the whole job while the workers encode.
    std::vector<bool> tagged(count, false);
    for (;;) {
        const bool finished = exited == threads;
        int64_t done = 0;
        for (size_t i = 0; i < count; ++i) {
            const Outcome outcome = states[i].outcome;
            done += outcome == Outcome::Done ? framesOf(parts[i]) : states[i].frames.load();
            if (outcome == Outcome::Done && !tagged[i]) {
                tagged[i] = true;
                tagPart(information, sourceTags, request, i, report);
            }
        }
        if (callbacks.progress && total > 0)
            callbacks.progress(float(double(done) / double(total) * 100.0));
        if (finished)
            break;
        if (callbacks.breathe)
            callbacks.breathe();
        if (callbacks.goOn && !callbacks.goOn()) {
            stop = true;
            report.cancelled = true;
        }
        QThread::msleep(20);
    }
    for (std::thread &thread : running)
        thread.join();

    for (size_t i = 0; i < count; ++i) {
        const QString &destination = request.destinations[qsizetype(i)];
        switch (states[i].outcome.load()) {
        case Outcome::Done:
            report.written << destination;
            if (!tagged[i])
                tagPart(information, sourceTags, request, i, report);
            break;
        case Outcome::Stopped:
            // Only whole parts are kept.
            QFile::remove(destination);
            break;
        case Outcome::Failed:
            if (report.status.ok())
                report.status = states[i].failure;
            break;
        case Outcome::Waiting:
            break;
        }
    }
    if (callbacks.progress)
        callbacks.progress(report.status.ok() && !report.cancelled ? 100.0f : 0.0f);
    return report;
}

} // namespace cutting
