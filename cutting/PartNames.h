#pragma once

#include "engine/api/PartList.h"

#include <QString>
#include <QStringList>

namespace cutting {

/// "{n} - {title}" when the parts have titles, "{source} - {n}" otherwise.
QString defaultPartTemplate(const engine::PartList &parts);

/// The file name of each part from `pattern`, with `extension` added: {n} (from 1, zero-padded
/// to the width of the count), {title}, {artist} (the part's performer, else the list's
/// artist), {album}, {source} (`sourceBase`, the source's name without extension), {begin}
/// and {end} (hh-mm-ss at `sampleRate`). Only '/' and NUL, which no Linux name may hold, are
/// replaced; a name that comes out empty is "{source} - {n}"; two parts never get the same
/// name (" (2)" and on are added).
QStringList partFileNames(const QString &pattern, const engine::PartList &parts,
                          const QString &sourceBase, int32_t sampleRate, const QString &extension);

} // namespace cutting
