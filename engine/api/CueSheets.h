#pragma once

#include "engine/api/PartList.h"
#include "engine/api/Status.h"

#include <QString>

#include <cstdint>

namespace engine {

/// Cue sheets: a list of parts for one source, read and written.
class CueSheets
{
public:
    virtual ~CueSheets() = default;
    /// The tracks of the sheet at `cuePath` as parts of a source of `length` frames at
    /// `sampleRate`: track k from its INDEX 01 to the next track's INDEX 01, the last to the
    /// end. A sheet with one FILE applies to the source whatever name it gives; several files,
    /// indexes that do not increase and times past the end are refused with the reason.
    virtual Result<PartList> read(const QString &cuePath, int32_t sampleRate,
                                  int64_t length) const = 0;
    /// Writes a sheet for `parts` of `sourcePath` (UTF-8): one TRACK per part, at the nearest
    /// point of the sheet's grid of 1/75 s.
    virtual Status write(const QString &cuePath, const QString &sourcePath, const PartList &parts,
                         int32_t sampleRate) const = 0;
};

} // namespace engine
