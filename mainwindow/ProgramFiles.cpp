#include "ProgramFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

QString withTrailingSeparator(QString folder)
{
    const QChar separator = QDir::separator();
    if (!folder.endsWith(separator) && !folder.endsWith(u'/'))
        folder += separator;
    return folder;
}

QString programFolder()
{
    return withTrailingSeparator(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
}

QString findProgramFile(const QString &appFolder, const QString &name)
{
    const QString beside = appFolder + name;
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed =
        QDir(appFolder).filePath(QStringLiteral("../share/vorn-audio-cutter/") + name);
    if (QFileInfo(installed).isFile())
        return QDir::cleanPath(installed);
    return QString();
}

QString folderOf(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(QDir::separator()), path.lastIndexOf(u'/'));
    return path.left(slash + 1);
}
