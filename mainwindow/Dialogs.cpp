#include "Dialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

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

QString QtDialogs::chooseFolder(QWidget *parent, const QString &title, const QString &folder)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
    return runDialog(dialog);
}

bool QtDialogs::ask(QWidget *parent, const QString &text, const QString &title)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

namespace {

QDialogButtonBox *okCancel(QDialog &dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

} // namespace

std::optional<QString>
QtDialogs::askPartTemplate(QWidget *parent, const QString &pattern,
                           const std::function<QStringList(const QString &)> &namesOf)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("FormPartNames"));
    dialog.setWindowTitle(QCoreApplication::translate("Dialogs", "Cut All"));
    auto *column = new QVBoxLayout(&dialog);
    auto *caption = new QLabel(
        QCoreApplication::translate(
            "Dialogs", "File names ({n}, {title}, {artist}, {album}, {source}, {begin}, {end}):"),
        &dialog);
    auto *line = new QLineEdit(pattern, &dialog);
    line->setObjectName(QStringLiteral("PartTemplate"));
    line->setAccessibleName(QCoreApplication::translate("Dialogs", "File name template"));
    caption->setBuddy(line);
    auto *names = new QListWidget(&dialog);
    names->setObjectName(QStringLiteral("PartNames"));
    names->setAccessibleName(QCoreApplication::translate("Dialogs", "Files to write"));
    auto *buttons = okCancel(dialog);
    // The user sees what the template makes before anything is written.
    const auto showNames = [&] {
        names->clear();
        names->addItems(namesOf(line->text()));
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!line->text().trimmed().isEmpty());
    };
    QObject::connect(line, &QLineEdit::textChanged, &dialog, showNames);
    showNames();
    column->addWidget(caption);
    column->addWidget(line);
    column->addWidget(names);
    column->addWidget(buttons);
    dialog.resize(520, 360);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return line->text();
}

std::optional<engine::PauseSettings>
QtDialogs::askPauseSettings(QWidget *parent, const engine::PauseSettings &settings)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("FormPauses"));
    dialog.setWindowTitle(QCoreApplication::translate("Dialogs", "Find Pauses"));
    auto *form = new QFormLayout(&dialog);
    auto *threshold = new QDoubleSpinBox(&dialog);
    threshold->setObjectName(QStringLiteral("spinThreshold"));
    threshold->setAccessibleName(QCoreApplication::translate("Dialogs", "Threshold"));
    threshold->setRange(-96, -10);
    threshold->setDecimals(1);
    threshold->setSuffix(QStringLiteral(" dBFS"));
    threshold->setValue(settings.thresholdDb);
    auto *minimum = new QDoubleSpinBox(&dialog);
    minimum->setObjectName(QStringLiteral("spinMinLength"));
    minimum->setAccessibleName(QCoreApplication::translate("Dialogs", "Minimum length"));
    minimum->setRange(0.1, 60);
    minimum->setDecimals(1);
    minimum->setSingleStep(0.5);
    minimum->setSuffix(QStringLiteral(" s"));
    minimum->setValue(settings.minSeconds);
    form->addRow(QCoreApplication::translate("Dialogs", "Silence below:"), threshold);
    form->addRow(QCoreApplication::translate("Dialogs", "For at least:"), minimum);
    form->addRow(okCancel(dialog));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    engine::PauseSettings chosen = settings;
    chosen.thresholdDb = threshold->value();
    chosen.minSeconds = minimum->value();
    return chosen;
}
