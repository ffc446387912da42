#pragma once

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
