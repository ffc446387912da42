#pragma once

#include "engine/api/CueSheets.h"

namespace engine {

/// Cue sheets read by libcue and written as plain text.
class CueSheetFile : public CueSheets
{
public:
    Result<PartList> read(const QString &cuePath, int32_t sampleRate,
                          int64_t length) const override;
    Status write(const QString &cuePath, const QString &sourcePath, const PartList &parts,
                 int32_t sampleRate) const override;
};

/// The frame of the source at `cueFrames` (1/75 s) of a sheet: round(f x rate / 75).
int64_t frameOfCueTime(int64_t cueFrames, int32_t sampleRate);
/// The nearest point of the 1/75 s grid to `frame`, halves to even.
int64_t cueTimeOfFrame(int64_t frame, int32_t sampleRate);
/// A sheet's text, from UTF-8 where it is valid UTF-8, otherwise from Windows-1252.
QString cueText(const char *bytes);

} // namespace engine
