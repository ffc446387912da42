// The Cut command: the destination, the busy state, the job with progress and Cancel, the tag
// transfer and the outcome. One job at a time: while one runs, every command that could start
// another, open a source or change the output is refused.
#include "ConvertJob.h"
#include "Cutter.h"
#include "ProgramFiles.h"
#include "TagTransfer.h"
#include "engine/api/OutputFormatTable.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <limits>

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

QString Cutter::ChooseDestination()
{
    const engine::OutputFormatEntry &format = m_output.entry();
    const QString proposed =
        withoutExtension(m_state.sourcePath) +
        QStringLiteral(" - %1.%2").arg(m_state.cutNumber).arg(m_output.extension());

    Dialogs::FileRequest request;
    request.folder = m_state.lastFolder;
    request.proposedName = proposed;
    // The dialog's own question would come before the source check and ask to replace the
    // very file that is then refused; the window asks it itself, after that check.
    request.confirmOverwrite = false;
    request.filters = {
        {QString::fromLatin1(format.filterText), {QString::fromLatin1(format.pattern)}}};
    request.defaultSuffix = m_output.extension();
    for (;;) {
        const QString chosen = m_dialogs.saveFile(m_dialogParent, request);
        if (chosen.isEmpty())
            return QString();
        // Writing over the file being cut would destroy the source.
        if (samePath(chosen, m_state.sourcePath)) {
            message(tr("The destination must not be the source file."), tr("Error"),
                    Dialogs::Icon::Critical);
            continue;
        }
        if (QFileInfo::exists(chosen) && !m_dialogs.confirmReplace(m_dialogParent, chosen)) {
            // As the dialog itself would on "No": the user is back where they were.
            request.proposedName = chosen;
            continue;
        }
        return chosen;
    }
}

engine::Status Cutter::runJob()
{
    engine::JobCallbacks callbacks;
    callbacks.progress = [this](float percent) { emit progressChanged(int(percent)); };
    callbacks.breathe = [] { QCoreApplication::processEvents(); };
    callbacks.goOn = [this] { return !m_state.cancelRequested; };
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    engine::Status outcome = engine::Status::success();
    if (m_state.copies)
        outcome = runCopy(callbacks);
    if (!m_state.copies || outcome.code() == engine::StatusCode::CannotCopy)
        outcome = cutting::ConvertRange(
            *m_jobSource,
            [this](const QString &path) { return m_factory.createWriter(path, m_output); },
            m_state.sourcePath, m_state.destPath, {m_state.selBeginSample, m_state.selEndSample},
            callbacks, cutting::shapeOptionsOf(m_output));
    QGuiApplication::restoreOverrideCursor();
    return outcome;
}

engine::Status Cutter::runCopy(const engine::JobCallbacks &callbacks)
{
    const engine::Status outcome =
        m_copier->cut(m_state.sourcePath, m_state.destPath, m_state.selBeginSample,
                      m_state.selEndSample, callbacks);
    // A selection too short to trim at both ends is re-encoded; the summary says why.
    if (outcome.code() == engine::StatusCode::CannotCopy) {
        m_state.summaryLine = reencodedLine(outcome.reason());
        emit summaryChanged(m_state.summaryLine);
    }
    return outcome;
}

QString Cutter::copyTags()
{
    // Tags that cannot be read are not written as empty ones over the destination's.
    const auto tags = cutting::ReadSourceTags(*m_information, m_state.sourcePath);
    if (tags.failed())
        return QString();
    const engine::Status written =
        cutting::WriteTags(*m_information, tags.value(), m_state.destPath);
    return written.failed() ? written.reason() : QString();
}

void Cutter::cut()
{
    if (isBusy() || m_state.play == PlayState::NoSource)
        return;
    // A job from an empty selection would make a file without audio and call it saved.
    if (!hasSelection()) {
        message(tr("Nothing to save: the End mark must come after the Begin mark."), tr("Error"),
                Dialogs::Icon::Critical);
        return;
    }
    const QString destination = ChooseDestination();
    if (destination.isEmpty())
        return;
    m_state.destPath = destination;
    if (m_state.play == PlayState::Playing || m_state.play == PlayState::Previewing)
        TogglePause();
    m_state.cancelRequested = false;
    setPlay(PlayState::Cutting);
    emit titleChanged(tr(" Processing, please wait..."));
    QCoreApplication::processEvents();

    const engine::Status outcome = runJob();
    if (outcome.ok()) {
        // Only a folder that took a file is worth starting in next time.
        rememberFolder(folderOf(m_state.destPath));
    } else {
        m_state.lastJobError = outcome.description();
        emit progressChanged(0);
    }
    if (m_state.cutNumber < std::numeric_limits<int32_t>::max())
        ++m_state.cutNumber;
    // Only a job that ended well made a new file; a failed one left the old one untouched.
    const QString tagFailure = copiesTags() && outcome.ok() ? copyTags() : QString();

    emit titleChanged(QStringLiteral(" ") + tr("Vorn Audio Cutter"));
    m_state.cancelRequested = false;
    setPlay(PlayState::Paused);
    if (m_state.closeAfterCut) {
        emit closeWanted();
        return;
    }
    if (outcome.ok()) {
        QString text = tr("Saved - ") + m_state.destPath;
        // The audio is saved either way; a user who asked for the tags must hear that they
        // are missing rather than find out later.
        if (!tagFailure.isEmpty())
            text += QStringLiteral("\n") + tr("The tags could not be written: %1").arg(tagFailure);
        message(text, tr("Vorn Audio Cutter"), Dialogs::Icon::None);
    } else {
        message(tr("Error - ") + QStringLiteral("\r\n") + m_state.lastJobError, tr("Error"),
                Dialogs::Icon::Critical);
    }
}

void Cutter::cancel()
{
    if (!isBusy() || m_state.cancelRequested)
        return;
    // The window stays busy until the job has returned from its block: a command that came
    // in the same breath would otherwise start a second job inside the first.
    m_state.cancelRequested = true;
    emit cancelPending();
}

bool Cutter::requestClose()
{
    if (!isBusy())
        return true;
    // A running cut finishes its block and closes its files first; the window closes then.
    m_state.closeAfterCut = true;
    m_state.cancelRequested = true;
    emit cancelPending();
    return false;
}
