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

} // namespace

engine::Status ConvertRange(engine::FileReading &reader, const WriterMaker &makeWriter,
                            const QString &sourcePath, const QString &destPath, const Range &range,
                            const JobCallbacks &callbacks)
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

    engine::SampleBlock block;
    while (position < end) {
        if (engine::Status s = reader.readBlock(rate.value(), block); !s)
            return abandon(reader, writer, s);
        if (block.empty())
            break;
        // The block that crosses the End mark is cut there.
        const int64_t frames = int64_t(block.size()) / channels.value();
        const int64_t keep = std::min<int64_t>(frames, end - position);
        block.resize(size_t(keep * channels.value()));
        if (engine::Status s = writer->write(block); !s)
            return abandon(reader, writer, s);
        position += keep;
        if (span > 0)
            progress(
                float(std::clamp(double(position - range.beginSample) / span * 100, 0.0, 100.0)));
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
