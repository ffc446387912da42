#include "Dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

void prepare(QFileDialog &dialog, const Dialogs::FileRequest &request)
{
    // Setting even an empty title would replace the dialog's own ("Open", "Save As").
    if (!request.title.isEmpty())
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

bool QtDialogs::confirmReplace(QWidget *parent, const QString &path)
{
    // The save dialog's own question, in its words and translations.
    const QString text =
        QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?")
            .arg(QFileInfo(path).fileName());
    return QMessageBox::warning(parent, QCoreApplication::translate("QFileDialog", "Save As"), text,
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}
