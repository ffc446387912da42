// Files that reach the window from outside the Open dialog: the command line and drops.
#include "FormMain.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <optional>

void FormMain::openAfterStart(const QString &argument)
{
    const QString path = QFileInfo(argument).absoluteFilePath();
    QMetaObject::invokeMethod(
        this, [this, path] { m_cutter.openFile(path); }, Qt::QueuedConnection);
}

namespace {

/// The one local file of a drag, or nothing: several files, a folder or a web address are
/// not something the window can open.
std::optional<QString> droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return std::nullopt;
    const QString path = urls.front().toLocalFile();
    if (path.isEmpty() || QFileInfo(path).isDir())
        return std::nullopt;
    return path;
}

} // namespace

void FormMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_cutter.canOpen() && droppedFile(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void FormMain::dragMoveEvent(QDragMoveEvent *event)
{
    if (m_cutter.canOpen() && droppedFile(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void FormMain::dropEvent(QDropEvent *event)
{
    const auto path = droppedFile(event->mimeData());
    if (!m_cutter.canOpen() || !path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened after the drop has ended: the program the file came from is not kept waiting
    // while a message box is up.
    QMetaObject::invokeMethod(
        this, [this, file = *path] { m_cutter.openFile(file); }, Qt::QueuedConnection);
}
