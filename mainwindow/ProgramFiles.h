#pragma once

#include <QString>

/// The program's folder (the executable's), ending in the platform separator.
QString programFolder();

/// Where a file the program reads beside itself ("skin.qss", the help page) is: in
/// `appFolder`, else in the installed share folder next to the executable's folder. Empty
/// text when neither has it.
QString findProgramFile(const QString &appFolder, const QString &name);

/// `folder` with exactly one trailing separator.
QString withTrailingSeparator(QString folder);

/// The folder part of `path`, up to and including its last separator ("/" or the native one).
QString folderOf(const QString &path);
