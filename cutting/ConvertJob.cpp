#include "ConvertJob.h"

#include "TextNumbers.h"

#include <algorithm>

namespace cutting {

namespace {

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
                            const JobCallbacks &callbacks, const ShapeOptions &shaping)
{
    auto progress = [&](float percent) {
        if (callbacks.progress)
            callbacks.progress(percent);
    };
    progress(0);
    if (engine::Status s = reader.openForReading(sourcePath); !s)
        return abandon(reader, nullptr, s);
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

    engine::SampleBlock block;
    while (!stopped && position < end) {
        if (engine::Status s = reader.readBlock(rate.value(), block); !s)
            return abandon(reader, writer, s);
        if (block.empty())
            break;
        // The block that crosses the End mark is cut there.
        const int64_t frames = int64_t(block.size()) / channels.value();
        const int64_t keep = std::min<int64_t>(frames, end - position);
        block.resize(size_t(keep * channels.value()));
        if (shaped)
            shaper.apply(block, position - partBegin);
        if (engine::Status s = writer->write(block); !s)
            return abandon(reader, writer, s);
        position += keep;
        if (span > 0)
            progress(float(
                progressFrom +
                (100 - progressFrom) / 100 *
                    std::clamp(double(position - range.beginSample) / span * 100, 0.0, 100.0)));
        if (callbacks.breathe)
            callbacks.breathe();
        if (callbacks.goOn && !callbacks.goOn())
            break;
    }
    progress(100);
    if (engine::Status s = writer->finish(); !s)
        return abandon(reader, writer, s);
    engine::ignoreFailure(reader.close(), "the source was only read: nothing of it is lost");
    progress(0);
    return engine::Status::success();
}

} // namespace cutting
