#pragma once

#include "OutputSettings.h"
#include "engine/api/OutputFormatTable.h"

#include <QString>

#include <optional>

namespace cutting {

/// The entries of the output-format list, in the list's order (engine::kOutputFormats).
enum OutputFormat
{
    Mp3 = int(engine::OutputFormat::Mp3),
    Wma = int(engine::OutputFormat::Wma),
    Ogg = int(engine::OutputFormat::Ogg),
    Wav = int(engine::OutputFormat::Wav)
};

struct Summary
{
    std::optional<QString> text; ///< nothing: the summary keeps its previous text
    QString formatName;
};

/// The one-line summary shown under the format list, and the format's name for destination
/// names. `wmaDescription` is the writer's own text for the current WMA profile (nothing when
/// it could not be read). Nothing for an index outside the list.
std::optional<Summary> buildSummary(int formatIndex, const settings::OutputSettings &settings,
                                    int32_t mp3VbrMethod,
                                    const std::optional<QString> &wmaDescription);

/// The writer's MP3 description as the summary keeps it: "kHz" becomes "Hz", a final "; "
/// goes.
QString cleanOutputSummary(QString description);

} // namespace cutting
