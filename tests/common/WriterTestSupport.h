#pragma once

#include "Fixtures.h"
#include "engine/api/AudioWriter.h"
#include "engine/api/OutputChoice.h"
#include "engine/api/Status.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

/// Shared by the writer suites: encoding through the engine's audio file object and reading
/// the result back with it.
namespace writertest {

/// Copies every frame of `source` into `destination` in one-second blocks, through the writer
/// the engine makes from `output`. The first failure is answered.
engine::Status encodeFile(const QString &source, const QString &destination,
                          const engine::OutputChoice &output);

/// What the job is handed to make its writers: the engine's, from `output`.
std::function<engine::Result<std::unique_ptr<engine::AudioWriter>>(const QString &)>
makerOf(const engine::OutputChoice &output = {});

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
