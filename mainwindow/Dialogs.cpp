#include "Dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace {

void prepare(QFileDialog &dialog, const Dialogs::FileRequest &request)
{
    dialog.setWindowTitle(request.title);
    dialog.setDirectory(request.folder.isEmpty() ? QDir::currentPath() : request.folder);
    // Qt reads the patterns from the last parentheses and, with the details hidden, shows
    // everything before them: the description exactly as given.
    QStringList filters;
    for (const Dialogs::Filter &filter : request.filters)
        filters << QStringLiteral("%1 (%2)").arg(filter.description, filter.patterns.join(u' '));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    if (request.selectedFilter >= 0 && request.selectedFilter < filters.size())
        dialog.selectNameFilter(filters[request.selectedFilter]);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
}

QString runDialog(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

} // namespace

QString QtDialogs::openFile(QWidget *parent, const FileRequest &request)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    prepare(dialog, request);
    return runDialog(dialog);
}

QString QtDialogs::saveFile(QWidget *parent, const FileRequest &request)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    prepare(dialog, request);
    return runDialog(dialog);
}

void QtDialogs::message(QWidget *parent, const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon, title,
                    text, QMessageBox::Ok, parent);
    box.exec();
}
