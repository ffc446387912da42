#include "ConvertJob.h"

#include "TextNumbers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace cutting {

namespace {

using Clock = std::chrono::steady_clock;

/// A second stretch shorter than this is not worth a second reader: its open and seek would
/// cost about what it saves.
constexpr int64_t kMinimumStretchSeconds = 10;

/// One block of a stretch: at most a second's frames from `position`, cut at `stop`, shaped
/// (with a `shaper`) by its place in the part, and written. The frames it took; 0 at the end
/// of the source.
engine::Result<int64_t> copyBlock(engine::FileReading &reader, engine::AudioWriter &writer,
                                  const Shaper *shaper, int64_t position, int64_t stop,
                                  int64_t partBegin, int32_t rate, int32_t channels,
                                  engine::SampleBlock &block)
{
    const auto wanted = int32_t(std::min<int64_t>(rate, stop - position));
    if (engine::Status s = reader.readBlock(wanted, block); s.failed())
        return s;
    if (block.empty())
        return int64_t(0);
    // The block that crosses the End mark is cut there.
    const int64_t keep = std::min<int64_t>(int64_t(block.size()) / channels, stop - position);
    block.resize(size_t(keep * channels));
    if (shaper)
        shaper->apply(block, position - partBegin);
    if (engine::Status s = writer.write(block); s.failed())
        return s;
    return keep;
}

/// The later stretch of a part, read by a reader of its own from its exact first frame and
/// written at its place by the writer's stretch writer, on a thread of its own.
///
/// Why at its place: with memory kept flat, a second reader that decodes ahead into a
/// bounded queue soon waits for the first stretch to be written, and the two cores do not
/// overlap. A WAV's bytes at a frame follow from the frame count alone, so the later stretch
/// is written where it belongs in the same temporary file while the earlier one is written
/// from the start; the safe save (one file, renamed at finish) is the writer's as before, and
/// the new surface is the writer's `writerFrom` over a positional write of the destination
/// file. The waveform's split (`BackgroundPeaks`) is not reused: it runs below the engine's
/// interfaces on its `AudioReader` and fills a table, where this job has only `FileReading`.
class LaterStretch
{
public:
    LaterStretch(std::unique_ptr<engine::FileReading> reader,
                 std::unique_ptr<engine::AudioWriter> writer, std::optional<Shaper> shaper)
        : m_reader(std::move(reader)), m_writer(std::move(writer)), m_shaper(std::move(shaper))
    {}
    ~LaterStretch() { stop(); }
    LaterStretch(const LaterStretch &) = delete;
    LaterStretch &operator=(const LaterStretch &) = delete;

    /// Reads [from, end) of `path`; `partBegin` places the frames for the shaper.
    bool start(const QString &path, int64_t from, int64_t end, int64_t partBegin, int32_t rate)
    {
        try {
            m_thread = std::thread([=, this] { finishRun(run(path, from, end, partBegin, rate)); });
        } catch (const std::system_error &) {
            return false; // no thread to be had: the job's reader reads on alone
        }
        return true;
    }

    /// Ends the run at its next block and waits for it.
    void stop()
    {
        m_cancel.store(true);
        if (m_thread.joinable())
            m_thread.join();
    }

    /// Waits until more frames are written or the run ended, at most `longest`.
    void wait(std::chrono::milliseconds longest)
    {
        std::unique_lock lock(m_mutex);
        const int64_t seen = m_done.load();
        m_changed.wait_for(lock, longest, [&] { return m_ended || m_done.load() != seen; });
    }

    bool ended() const
    {
        const std::lock_guard lock(m_mutex);
        return m_ended;
    }
    int64_t done() const { return m_done.load(); }
    /// After stop(): how the run ended.
    const engine::Status &status() const { return m_status; }
    engine::AudioWriter &writer() { return *m_writer; }

private:
    engine::Status run(const QString &path, int64_t from, int64_t end, int64_t partBegin,
                       int32_t rate)
    {
        if (engine::Status s = m_reader->openForReading(path); s.failed())
            return s;
        const auto reached = m_reader->seek(from);
        if (reached.failed())
            return reached.status();
        if (reached.value() != from)
            return engine::Status::failure(
                QStringLiteral("Cannot read '%1': the seek to frame %2 reached frame %3.")
                    .arg(path)
                    .arg(from)
                    .arg(reached.value()));
        const int32_t channels = m_reader->channelCount().valueOr(1);
        engine::SampleBlock block;
        int64_t position = from;
        while (position < end && !m_cancel.load()) {
            const auto kept = copyBlock(*m_reader, *m_writer, m_shaper ? &*m_shaper : nullptr,
                                        position, end, partBegin, rate, channels, block);
            if (kept.failed())
                return kept.status();
            if (kept.value() == 0)
                break;
            position += kept.value();
            {
                const std::lock_guard lock(m_mutex);
                m_done.store(position - from);
            }
            m_changed.notify_all();
        }
        return engine::Status::success();
    }

    void finishRun(const engine::Status &status)
    {
        engine::ignoreFailure(m_reader->close(), "the source was only read: nothing of it is lost");
        {
            const std::lock_guard lock(m_mutex);
            m_status = status;
            m_ended = true;
        }
        m_changed.notify_all();
    }

    std::unique_ptr<engine::FileReading> m_reader;
    std::unique_ptr<engine::AudioWriter> m_writer;
    const std::optional<Shaper> m_shaper; ///< none: a plain cut
    std::atomic<bool> m_cancel{false};
    std::atomic<int64_t> m_done{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_ended = false;
    engine::Status m_status;
    std::thread m_thread;
};

/// Where a second reader should begin so that both readers end together: the first has the
/// frames from `position` to `end` ahead at `secondsPerFrame`, the second first opens (as
/// long as the first took) and seeks (about one block). `end` when the second stretch would
/// be too short to pay for itself.
int64_t balancedSplit(int64_t position, int64_t end, double openSeconds, double secondsPerFrame,
                      int32_t rate)
{
    if (!(secondsPerFrame > 0))
        return end;
    const double lead = openSeconds / secondsPerFrame + rate;
    const int64_t split = position + int64_t((double(end - position) + lead) / 2);
    if (end - split < kMinimumStretchSeconds * rate)
        return end;
    return split;
}

/// Ends a job that cannot go on: nothing half-written stays in place of the destination.
engine::Status abandon(engine::FileReading &reader, engine::AudioWriter *writer,
                       const engine::Status &failure)
{
    if (writer)
        writer->discard();
    engine::ignoreFailure(reader.close(), "the job has already failed; the source was only read");
    return failure;
}

/// The first pass of a normalised cut: the faded part through the meter, the gain that
/// brings it to the target set on `shaper`, and the reader back at the part's start.
engine::Status measureForGain(engine::FileReading &reader, int64_t begin, int64_t frames,
                              const ShapeOptions &shaping, Shaper &shaper,
                              const JobCallbacks &callbacks,
                              const std::function<void(float)> &progress, bool *stopped)
{
    const int32_t rate = reader.sampleRate().valueOr(0);
    const int32_t channels = reader.channelCount().valueOr(0);
    if (double(frames) < 0.4 * rate)
        return engine::Status::failure(
            QStringLiteral("The part is too short to be brought to a loudness: it needs at least "
                           "0.4 seconds."));
    auto meter =
        LoudnessMeter::create(rate, shaping.outputChannels > 0 ? shaping.outputChannels : channels);
    if (meter.failed())
        return meter.status();
    const auto step = [&](double fraction) {
        progress(float(fraction * 50));
        if (callbacks.breathe)
            callbacks.breathe();
        return !callbacks.goOn || callbacks.goOn();
    };
    if (engine::Status s = measureBlocks(reader, frames, shaper, *meter.value(), step, stopped);
        s.failed() || *stopped)
        return s;
    const auto measured = meter.value()->result();
    if (measured.failed())
        return measured.status();
    const Loudness reached = normalised(measured.value(), *shaping.shape.normaliseLufs);
    shaper.setGainDb(reached.gainDb);
    if (shaping.reached)
        *shaping.reached = reached;
    const auto back = reader.seek(begin);
    return back.status();
}

} // namespace

ShapeOptions shapeOptionsOf(const engine::OutputChoice &output)
{
    ShapeOptions options;
    options.shape = output.shape;
    if (output.format == engine::OutputFormat::Mp3)
        options.outputChannels = output.mp3.channels;
    else if (output.format == engine::OutputFormat::Ogg)
        options.outputChannels = output.ogg.channels;
    else if (output.format == engine::OutputFormat::Wav)
        options.outputChannels = output.wav.channels;
    else if (output.format == engine::OutputFormat::Flac)
        options.outputChannels = output.flac.channels; // 0: the source's
    else if (output.format == engine::OutputFormat::Opus)
        options.outputChannels = output.opus.channels;
    else if (output.format == engine::OutputFormat::M4a)
        options.outputChannels = output.m4a.channels;
    return options;
}

engine::Status ConvertRange(engine::FileReading &reader, const WriterMaker &makeWriter,
                            const QString &sourcePath, const QString &destPath, const Range &range,
                            const JobCallbacks &callbacks, const ShapeOptions &shaping,
                            const SecondReader &second)
{
    auto progress = [&](float percent) {
        if (callbacks.progress)
            callbacks.progress(percent);
    };
    progress(0);
    const Clock::time_point opening = Clock::now();
    if (engine::Status s = reader.openForReading(sourcePath); !s)
        return abandon(reader, nullptr, s);
    const double openSeconds = std::chrono::duration<double>(Clock::now() - opening).count();
    auto made = makeWriter(destPath);
    if (!made)
        return abandon(reader, nullptr, made.status());
    engine::AudioWriter *writer = made.value().get();
    const auto rate = reader.sampleRate();
    const auto channels = reader.channelCount();
    const auto length = reader.length();
    for (const engine::Status *s : {&rate.status(), &channels.status(), &length.status()})
        if (!s->ok())
            return abandon(reader, writer, *s);
    if (rate.value() <= 0 || channels.value() <= 0)
        return abandon(reader, writer,
                       engine::Status::failure(
                           QStringLiteral("'%1' reports no sample rate.").arg(sourcePath)));
    writer->setSourceBits(reader.exactBits());
    if (engine::Status s = writer->setInputFormat(rate.value(), channels.value()); !s)
        return abandon(reader, writer, s);

    if (range.beginSample < 0)
        return abandon(reader, writer,
                       engine::Status::failure(QStringLiteral("The Begin mark is out of range.")));
    const auto reached = reader.seek(range.beginSample);
    if (!reached)
        return abandon(reader, writer, reached.status());
    const int64_t end = std::min(range.endSample, length.value());
    const double span = double(end - range.beginSample);
    int64_t position = reached.value();

    // Shaping, only when asked: a plain cut goes on at its speed.
    const bool shaped = shaping.shape.isActive();
    Shaper shaper(shaping.shape, rate.value(), channels.value(), end - position);
    bool stopped = false;
    double progressFrom = 0;
    if (shaped && shaping.shape.normaliseLufs) {
        if (engine::Status s = measureForGain(reader, position, end - position, shaping, shaper,
                                              callbacks, progress, &stopped);
            s.failed())
            return abandon(reader, writer, s);
        // Cancelled while measuring: nothing was written, and an empty file must not take the
        // place of the destination.
        if (stopped)
            return abandon(reader, writer,
                           engine::Status::failure(QStringLiteral(
                               "The cut was cancelled before anything was written; the "
                               "destination is as it was.")));
        progressFrom = 50;
    }
    const int64_t partBegin = position;

    // The share of the job's reader ends where a second reader's stretch begins.
    int64_t stopAt = end;
    std::unique_ptr<LaterStretch> later;
    bool decided = !second.make;
    const auto report = [&] {
        const int64_t done = position - range.beginSample + (later ? later->done() : 0);
        if (span > 0)
            progress(float(progressFrom + (100 - progressFrom) / 100 *
                                              std::clamp(double(done) / span * 100, 0.0, 100.0)));
    };
    // Ends the job's work after a failure: the second reader stops before anything closes.
    const auto fail = [&](const engine::Status &failure) {
        if (later) {
            later->stop();
            later->writer().discard();
            later.reset();
        }
        return abandon(reader, writer, failure);
    };

    engine::SampleBlock block;
    bool cancelled = false;
    while (!stopped && position < stopAt) {
        const Clock::time_point reading = Clock::now();
        const auto kept = copyBlock(reader, *writer, shaped ? &shaper : nullptr, position, stopAt,
                                    partBegin, rate.value(), channels.value(), block);
        if (kept.failed())
            return fail(kept.status());
        const int64_t keep = kept.value();
        if (keep == 0)
            break;
        position += keep;
        if (!decided) {
            decided = true;
            const double perFrame =
                std::chrono::duration<double>(Clock::now() - reading).count() / double(keep);
            int64_t split = balancedSplit(position, end, openSeconds, perFrame, rate.value());
            if (second.splitAt > 0)
                split = partBegin + second.splitAt;
            if (split > position && split < end) {
                auto stretch = writer->writerFrom(split - partBegin);
                auto own = stretch ? second.make() : nullptr;
                if (own) {
                    later = std::make_unique<LaterStretch>(std::move(own), std::move(stretch),
                                                           shaped ? std::optional<Shaper>(shaper)
                                                                  : std::nullopt);
                    if (later->start(sourcePath, split, end, partBegin, rate.value()))
                        stopAt = split;
                    else
                        later.reset();
                }
            }
        }
        report();
        if (callbacks.breathe)
            callbacks.breathe();
        if (callbacks.goOn && !callbacks.goOn()) {
            cancelled = true;
            break;
        }
    }
    if (later) {
        // The job's share is done: the caller still sees the progress, breathes and may cancel
        // while the second reader ends its stretch.
        while (!cancelled && !later->ended()) {
            later->wait(std::chrono::milliseconds(100));
            report();
            if (callbacks.breathe)
                callbacks.breathe();
            if (callbacks.goOn && !callbacks.goOn())
                cancelled = true;
        }
        later->stop();
        if (later->status().failed())
            return fail(later->status());
        // After a cancel in the job's share the stretch does not follow on from what was
        // written, and the file ends with the job's frames.
        if (position == stopAt) {
            if (engine::Status s = later->writer().finish(); s.failed())
                return fail(s);
        } else {
            later->writer().discard();
        }
        later.reset();
    }
    progress(100);
    if (engine::Status s = writer->finish(); !s)
        return abandon(reader, writer, s);
    engine::ignoreFailure(reader.close(), "the source was only read: nothing of it is lost");
    progress(0);
    return engine::Status::success();
}

} // namespace cutting
