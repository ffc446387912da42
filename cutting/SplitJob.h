#pragma once

#include "ConvertJob.h"
#include "engine/api/AudioInformation.h"
#include "engine/api/LosslessCutter.h"
#include "engine/api/PartList.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace cutting {

struct SplitRequest
{
    QString sourcePath;
    engine::PartList parts;
    /// The full path of each part's file, in the parts' order.
    QStringList destinations;
    /// Copy the coded audio where the source allows it; a part that cannot be copied is
    /// re-encoded through the writer, and the report says so.
    bool copy = false;
    /// The source's tags under each part's own title, performer and number.
    bool copyTags = true;
    /// Files of those names may be replaced; otherwise the job writes none of them.
    bool replaceExisting = false;
    /// Each re-encoded part is shaped on its own: its own fades, its own loudness. `reached`
    /// is not used (parts may run at the same time).
    ShapeOptions shaping;
};

/// Readers and writers for parts re-encoded at the same time, each pair on a thread of its
/// own; every writer made has the same output.
struct PartWorkers
{
    int count = 1;
    std::function<std::unique_ptr<engine::FileReading>()> makeReader;
    WriterMaker makeWriter;
};

struct SplitReport
{
    engine::Status status;
    bool cancelled = false;
    /// Every file written, in the parts' order.
    QStringList written;
    /// What is worth knowing of single parts: "part 3 re-encoded: <reason>", a tag failure.
    QStringList notes;
};

/// Writes every part of `request` to its own file: copied by `copier` or re-encoded from
/// `reader` through writers from `makeWriter`. One progress over all
/// parts. Cancel stops at once: the parts finished stay, the part in progress leaves no file.
/// A part that fails stops the job with the reason; the report lists what was written.
SplitReport SplitParts(engine::FileReading &reader, const WriterMaker &makeWriter,
                       engine::LosslessCutter *copier, engine::AudioInformation &information,
                       const SplitRequest &request, const JobCallbacks &callbacks);

/// The same for re-encoded parts, `workers.count` of them at a time: the calling thread
/// reports the progress, breathes, reads Cancel and writes the tags, the workers encode. The
/// files are finished in any order; the report lists them in the parts' order.
SplitReport SplitPartsAtOnce(const PartWorkers &workers, engine::AudioInformation &information,
                             const SplitRequest &request, const JobCallbacks &callbacks);

} // namespace cutting
