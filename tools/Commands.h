#pragma once

#include "engine/api/OutputChoice.h"
#include "engine/api/Status.h"

#include <QStringList>

/// Each command takes its own arguments (after the command name) and returns the exit code.
int runInfo(const QStringList &args);
int runRead(const QStringList &args);
int runSeeks(const QStringList &args);
int runSweep(const QStringList &args);
int runPlay(const QStringList &args);
int runTags(const QStringList &args);
int runConvert(const QStringList &args);
int runPeaks(const QStringList &args);
int runSplit(const QStringList &args);

class QString;
namespace engine {
class EngineFactory;
}
/// Measures the finished file `path` and writes its ReplayGain 2.0 track tags; answers the
/// exit code, with the reason on standard error.
int tagWithGain(engine::EngineFactory &factory, const QString &path);

/// The output the convert command's format options (--wav, --ogg-quality, --mp3-bitrate, ...)
/// name, in the format of `destination`'s extension, checked by the engine.
engine::Result<engine::OutputChoice> outputFromOptions(const QStringList &options,
                                                       const QString &destination);
