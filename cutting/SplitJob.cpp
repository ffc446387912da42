#include "SplitJob.h"

#include "TagTransfer.h"

#include <QFile>
#include <QFileInfo>

namespace cutting {

namespace {

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
    tags.tagTrack = QString::number(index + 1);
    return tags;
}

} // namespace

SplitReport SplitParts(engine::FileReading &reader, engine::FileWriting &writer,
                       engine::LosslessCutter *copier, engine::AudioInformation &information,
                       const SplitRequest &request, const JobCallbacks &callbacks)
{
    SplitReport report;
    const std::vector<engine::Part> &parts = request.parts.parts;
    if (size_t(request.destinations.size()) != parts.size()) {
        report.status = engine::Status::failure(QStringLiteral("Every part needs a file name."));
        return report;
    }
    if (!request.replaceExisting)
        for (const QString &path : request.destinations)
            if (QFileInfo::exists(path)) {
                report.status = engine::Status::failure(
                    QStringLiteral("Cannot write '%1': the file exists already.").arg(path));
                return report;
            }
    int64_t total = 0;
    for (const engine::Part &part : parts)
        total += std::max<int64_t>(part.end - part.begin, 0);

    std::optional<TagSet> sourceTags;
    if (request.copyTags)
        if (auto tags = ReadSourceTags(information, request.sourcePath); tags.ok())
            sourceTags = tags.value();

    int64_t done = 0;
    bool stopped = false;
    for (size_t i = 0; i < parts.size() && !stopped; ++i) {
        const engine::Part &part = parts[i];
        const QString &destination = request.destinations[qsizetype(i)];
        const bool existed = QFileInfo::exists(destination);
        const int64_t span = std::max<int64_t>(part.end - part.begin, 1);
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
        if (request.copy && copier) {
            outcome =
                copier->cut(request.sourcePath, destination, part.begin, part.end, partCallbacks);
            if (outcome.code() == engine::StatusCode::CannotCopy)
                report.notes
                    << QStringLiteral("part %1 re-encoded: %2").arg(i + 1).arg(outcome.reason());
        }
        if (outcome.code() == engine::StatusCode::CannotCopy)
            outcome = ConvertRange(reader, writer, request.sourcePath, destination,
                                   {part.begin, part.end}, partCallbacks);
        if (stopped) {
            // The part in progress is not a part: only whole parts are kept.
            if (!existed)
                QFile::remove(destination);
            report.cancelled = true;
            break;
        }
        if (outcome.failed()) {
            report.status = outcome;
            break;
        }
        report.written << destination;
        done += span;
        if (engine::Status s =
                WriteTags(information, partTags(sourceTags, request.parts, i), destination);
            s.failed())
            report.notes << QStringLiteral("part %1: the tags could not be written: %2")
                                .arg(i + 1)
                                .arg(s.reason());
    }
    if (callbacks.progress)
        callbacks.progress(report.status.ok() && !report.cancelled ? 100.0f : 0.0f);
    return report;
}

} // namespace cutting
