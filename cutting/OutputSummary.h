#pragma once

#include "engine/api/OutputChoice.h"

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

/// The one-line summary shown under the format list, made from the output chosen and the
/// engine's own line for it (`described`; nothing when it could not be read). Nothing: the
/// summary keeps its previous text.
std::optional<QString> summaryOf(const engine::OutputChoice &output,
                                 const std::optional<QString> &described);

/// What the shaping adds to the summary: "; fade 1.0 s / 2.0 s; to -16 LUFS", or nothing.
QString shapeSummaryOf(const engine::ShapeSettings &shape);

/// The writer's MP3 description as the summary keeps it: "kHz" becomes "Hz", a final "; "
/// goes.
QString cleanOutputSummary(QString description);

} // namespace cutting
