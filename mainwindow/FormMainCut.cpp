// The Cut command: the destination, the busy window, the conversion job with progress and
// Cancel, the tag transfer and the outcome.
#include "ConvertJob.h"
#include "Dialogs.h"
#include "FormMain.h"
#include "OutputSummary.h"
#include "ProgramFiles.h"
#include "TagTransfer.h"
#include "ZivSlider.h"
#include "engine/api/OutputFormatTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include <limits>

using settings::kFalse;
using settings::kTrue;

namespace {

/// The source path without the extension of its file name ("/a.b/song" keeps its folder).
QString withoutExtension(const QString &path)
{
    const qsizetype nameStart =
        std::max(path.lastIndexOf(QDir::separator()), path.lastIndexOf(u'/')) + 1;
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > nameStart ? path.left(dot) : path;
}

bool samePath(const QString &a, const QString &b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

} // namespace

QString FormMain::ChooseDestination()
{
    QString proposed = withoutExtension(sourcePath);
    for (const engine::OutputFormatEntry &format : engine::kOutputFormats)
        if (m_output.outputFormatName == QLatin1String(format.name))
            proposed += QStringLiteral(" - %1.%2")
                            .arg(cutNumber)
                            .arg(QString::fromLatin1(format.extension));

    Dialogs::FileRequest request;
    request.folder = lastFolder;
    request.proposedName = proposed;
    // The dialog's own question would come before the source check and ask to replace the
    // very file that is then refused; the window asks it itself, after that check.
    request.confirmOverwrite = false;
    if (const engine::OutputFormatEntry *f =
            engine::outputFormatAt(m_ui.ComboFormat->currentIndex())) {
        request.filters = {{QString::fromLatin1(f->filterText), {QString::fromLatin1(f->pattern)}}};
        request.defaultSuffix = QString::fromLatin1(f->extension);
    }
    for (;;) {
        const QString chosen = m_dialogs.saveFile(this, request);
        if (chosen.isEmpty())
            return QString();
        // Writing over the file being cut would destroy the source.
        if (samePath(chosen, sourcePath)) {
            m_dialogs.message(this, tr("The destination must not be the source file."), tr("Error"),
                              Dialogs::Icon::Critical);
            continue;
        }
        if (QFileInfo::exists(chosen) && !m_dialogs.confirmReplace(this, chosen)) {
            // As the dialog itself would on "No": the user is back where they were.
            request.proposedName = chosen;
            continue;
        }
        return chosen;
    }
}

void FormMain::setBusy(bool busy)
{
    for (QPushButton *b : {m_ui.CmdOpen, m_ui.CmdPausePlay, m_ui.CmdSelStart, m_ui.CmdSelStop,
                           m_ui.CmdPreview, m_ui.CmdCut})
        b->setVisible(!busy);
    for (QWidget *w : std::initializer_list<QWidget *>{
             m_ui.CmdHelp, m_ui.CmdAbout, m_ui.CmdSet, m_ui.CmdB, m_ui.CmdF, m_ui.CmdBB, m_ui.CmdFF,
             m_ui.ComboFormat, m_ui.Check1, m_ui.CheckKeepEncoding})
        w->setEnabled(!busy);
    m_ui.CmdCancel->setVisible(busy);
    if (busy)
        m_ui.CmdCancel->setFocus();
}

engine::Status FormMain::runJob()
{
    if (!FileR || !FileW)
        return engine::Status::failure(tr("The audio engine is not available."));
    engine::JobCallbacks callbacks;
    callbacks.progress = [this](float percent) { m_ui.ProgressConvert->setValue(int(percent)); };
    callbacks.breathe = [] { QCoreApplication::processEvents(); };
    callbacks.goOn = [this] { return flgConvert == kTrue; };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    engine::Status outcome = engine::Status::success();
    if (m_copies)
        outcome = runCopy(callbacks);
    if (!m_copies || outcome.code() == engine::StatusCode::CannotCopy)
        outcome = cutting::ConvertRange(*FileR, *FileW, sourcePath, destPath,
                                        {selBeginSample, selEndSample}, callbacks);
    QApplication::restoreOverrideCursor();
    return outcome;
}

void FormMain::copyTags()
{
    if (!AudioInformation)
        return;
    // Tags that cannot be read are not written as empty ones over the destination's.
    if (const auto tags = cutting::ReadSourceTags(*AudioInformation, sourcePath))
        engine::ignoreFailure(cutting::WriteTags(*AudioInformation, tags.value(), destPath),
                              "the cut audio is saved; tags are copied where they can be");
}

void FormMain::onCmdCutClick()
{
    // A job from an empty selection would make a file without audio and call it saved.
    if (!hasSelection()) {
        m_dialogs.message(this, tr("Nothing to save: the End mark must come after the Begin mark."),
                          tr("Error"), Dialogs::Icon::Critical);
        return;
    }
    // Where the user was stays theirs: without this, hiding Cancel would hand the focus on to
    // whatever follows it, and a spare key would act there.
    const QPointer<QWidget> focused = focusWidget();
    destPath = ChooseDestination();
    if (destPath.isEmpty())
        return;
    if (flgPaused != kTrue)
        TogglePause();
    flgConvert = kTrue;
    setBusy(true);
    setWindowTitle(tr(" Processing, please wait..."));
    QCoreApplication::processEvents();

    const engine::OutputFormatEntry *format =
        engine::outputFormatAt(m_ui.ComboFormat->currentIndex());
    if (format && format->format == engine::OutputFormat::Wma && FileR && FileW && !m_copies)
        engine::ignoreFailure(
            cutting::PrimeWmaWriter(*FileR, *FileW, sourcePath, destPath + QStringLiteral("$.wav")),
            "the priming pass only readies the writer; the cut reports its own failures");
    const engine::Status outcome = runJob();
    if (outcome) {
        // Only a folder that took a file is worth starting in next time.
        rememberFolder(folderOf(destPath));
    } else {
        lastJobError = outcome.description();
        m_ui.ProgressConvert->setValue(0);
    }
    if (cutNumber < std::numeric_limits<int32_t>::max())
        ++cutNumber;
    // Only a job that ended well made a new file; a failed one left the old one untouched.
    if (m_output.flgCopyTags == kTrue && outcome)
        copyTags();

    setWindowTitle(QStringLiteral(" ") + tr("Vorn Audio Cutter"));
    setBusy(false);
    flgConvert = kFalse;
    if (m_closeAfterCut) {
        close();
        return;
    }
    if (focused && !focused->isHidden() && focused->isEnabled())
        focused->setFocus(Qt::OtherFocusReason);
    if (outcome)
        m_dialogs.message(this, tr("Saved - ") + destPath, tr("Vorn Audio Cutter"),
                          Dialogs::Icon::None);
    else
        m_dialogs.message(this, tr("Error - ") + QStringLiteral("\r\n") + lastJobError, tr("Error"),
                          Dialogs::Icon::Critical);
}

void FormMain::onCmdCancelClick()
{
    setWindowTitle(QStringLiteral(" ") + tr("Vorn Audio Cutter"));
    for (QPushButton *b : {m_ui.CmdOpen, m_ui.CmdPausePlay, m_ui.CmdSelStart, m_ui.CmdSelStop,
                           m_ui.CmdPreview, m_ui.CmdCut})
        b->show();
    m_ui.CmdSet->setEnabled(true);
    m_ui.CmdCancel->hide();
    flgConvert = kFalse;
}
