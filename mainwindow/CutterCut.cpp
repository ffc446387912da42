// The Cut command: the destination, the busy state, the job with progress and Cancel, the tag
// transfer and the outcome. One job at a time: while one runs, every command that could start
// another, open a source or change the output is refused.
#include "ConvertJob.h"
#include "Cutter.h"
#include "ProgramFiles.h"
#include "Shaping.h"
#include "TagTransfer.h"
#include "engine/api/OutputFormatTable.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cmath>
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
    const QString proposed =
        withoutExtension(m_state.sourcePath) +
        QStringLiteral(" - %1.%2").arg(m_state.cutNumber).arg(m_output.extension());

    Dialogs::FileRequest request;
    request.folder = m_state.lastFolder;
    request.proposedName = proposed;
    // The dialog's own question would come before the source check and ask to replace the
    // very file that is then refused; the window asks it itself, after that check.
    request.confirmOverwrite = false;
    request.filters = {{m_output.filterText(), {m_output.pattern()}}};
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

void Cutter::enterJob()
{
    if (m_state.play == PlayState::Playing || m_state.play == PlayState::Previewing)
        TogglePause();
    m_state.cancelRequested = false;
    setPlay(PlayState::Cutting);
    emit titleChanged(tr(" Processing, please wait..."));
    QCoreApplication::processEvents();
}

bool Cutter::leaveJob()
{
    emit titleChanged(QStringLiteral(" ") + tr("Vorn Audio Cutter"));
    m_state.cancelRequested = false;
    setPlay(PlayState::Paused);
    if (!m_state.closeAfterCut)
        return true;
    emit closeWanted();
    return false;
}

engine::JobCallbacks Cutter::jobCallbacks()
{
    engine::JobCallbacks callbacks;
    callbacks.progress = [this](float percent) { emit progressChanged(int(percent)); };
    callbacks.breathe = [] { QCoreApplication::processEvents(); };
    callbacks.goOn = [this] { return !m_state.cancelRequested; };
    return callbacks;
}

cutting::WriterMaker Cutter::writerMaker() const
{
    return [this](const QString &path) { return m_factory.createWriter(path, m_output); };
}

engine::Status Cutter::runJob()
{
    const engine::JobCallbacks callbacks = jobCallbacks();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    engine::Status outcome = engine::Status::success();
    if (m_state.copies)
        outcome = runCopy(callbacks);
    m_reached.reset();
    if (!m_state.copies || outcome.code() == engine::StatusCode::CannotCopy) {
        cutting::Loudness reached;
        cutting::ShapeOptions shaping = cutting::shapeOptionsOf(m_output);
        shaping.reached = &reached;
        // A cut into WAV only decodes: a second job source, made as the first, decodes the
        // part's later stretch on the other core.
        cutting::SecondReader second;
        second.make = [this]() -> std::unique_ptr<engine::FileReading> {
            return m_factory.createAudioFile();
        };
        outcome = cutting::ConvertRange(
            *m_jobSource, writerMaker(), m_state.sourcePath, m_state.destPath,
            {m_state.selBeginSample, m_state.selEndSample}, callbacks, shaping, second);
        if (outcome.ok() && m_output.shape.normaliseLufs)
            m_reached = reached.text();
    }
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

QString Cutter::tagGain(const QString &path, QString *loudness)
{
    // The finished file decoded: the samples a player applies the gain to.
    const auto measured = cutting::measureRange(*m_jobSource, path, 0, INT64_MAX);
    if (measured.failed())
        return measured.status().reason();
    *loudness = measured.value().text();
    const engine::Status written = cutting::writeGainTags(*m_information, path, measured.value());
    return written.failed() ? written.reason() : QString();
}

bool Cutter::normalisable(int64_t begin, int64_t end)
{
    // The meter needs one 400 ms gating block, and sound above its absolute gate.
    const int32_t rate = m_playSource->sampleRate().valueOr(0);
    if (!m_output.shape.normaliseLufs || m_state.copies || rate <= 0)
        return true;
    if ((end - begin) * 10 < int64_t(rate) * 4) {
        message(tr("The part is shorter than 0.4 s: its loudness cannot be measured, so it "
                   "cannot be normalised. Mark a longer part or choose Normalise \"Off\"."),
                tr("Error"), Dialogs::Icon::Critical);
        return false;
    }
    // Silence is told by the waveform's peaks where they are known already (the meter's
    // absolute gate is -70 LUFS); otherwise the job's measuring pass refuses it.
    const std::shared_ptr<const engine::Peaks> peaks =
        m_peakComputer ? m_peakComputer->peaks() : nullptr;
    if (!peaks || !peaks->described())
        return true;
    double loudest = 0;
    for (int32_t c = 0; c < peaks->channelCount(); ++c) {
        const std::optional<engine::PeakSpan> span = peaks->span(c, begin, end);
        if (!span)
            return true;
        loudest = std::max({loudest, double(-span->min), double(span->max)});
    }
    if (loudest >= std::pow(10.0, -70.0 / 20))
        return true;
    message(tr("The part is silent: it has no loudness to be brought to a target. Mark a part "
               "with sound or choose Normalise \"Off\"."),
            tr("Error"), Dialogs::Icon::Critical);
    return false;
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
    if (!normalisable(m_state.selBeginSample, m_state.selEndSample))
        return;
    const QString destination = ChooseDestination();
    if (destination.isEmpty())
        return;
    m_state.destPath = destination;
    enterJob();

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
    // Gain tags go on last: the source's tags written above would not keep them.
    QString gainFailure;
    if (outcome.ok() && m_state.copies && m_output.shape.gainTags) {
        QString measured;
        gainFailure = tagGain(m_state.destPath, &measured);
        if (gainFailure.isEmpty())
            m_reached = measured;
    }

    if (!leaveJob())
        return;
    if (outcome.ok()) {
        QString text = tr("Saved - ") + m_state.destPath;
        // The audio is saved either way; a user who asked for the tags must hear that they
        // are missing rather than find out later.
        if (!tagFailure.isEmpty())
            text += QStringLiteral("\n") + tr("The tags could not be written: %1").arg(tagFailure);
        if (m_reached)
            text += QStringLiteral("\n") + *m_reached;
        if (!gainFailure.isEmpty())
            text += QStringLiteral("\n") +
                    tr("The gain tags could not be written: %1").arg(gainFailure);
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
