#pragma once

#include "Fixtures.h"
#include "engine/api/AudioFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

/// Shared by the writer suites: encoding through the engine's audio file object and reading
/// the result back with it.
namespace writertest {

using Select = std::function<engine::Status(engine::AudioFile &)>;

/// Copies every frame of `source` into `destination` in one-second blocks, through an audio
/// file object whose output `select` chose. The first failure is answered.
engine::Status encodeFile(const QString &source, const QString &destination, const Select &select);

using fixtures::Decoded;
/// Everything the engine's reader gives for `path`, with its reported length in `length`.
Decoded decodeWithEngine(const QString &path, qint64 *length = nullptr);

/// Normalised correlation of one channel of two interleaved signals over a frame range.
double correlation(const std::vector<float> &a, int aChannels, const std::vector<float> &b,
                   int bChannels, int channel, qint64 from, qint64 count);

/// What a writer makes of `source` channels for `outChannels`: copied or averaged.
std::vector<float> remix(const std::vector<float> &source, int channels, int outChannels);

/// Runs the vorn-engine tool under `wrapper` (e.g. bash -c SCRIPT, which gets the tool as $0
/// and `args` as $1...); answers the exit code, -1 when it did not run or crashed.
int runToolUnder(const QStringList &wrapper, const QStringList &args, QByteArray *out = nullptr,
                 QByteArray *err = nullptr);

/// The names in a folder, hidden ones included.
QStringList folderContents(const QString &folder);

} // namespace writertest
