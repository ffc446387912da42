// The part list of the open source: adding, splitting and selecting parts, cue sheets and
// pauses, and "Cut All", which writes every part to its own file with the split job.
#include "Cutter.h"
#include "PartNames.h"
#include "ProgramFiles.h"
#include "SettingsStore.h"
#include "SplitJob.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>

namespace {

const QString kPartTemplate = QStringLiteral("PartTemplate");

/// A cue sheet's dialog: beside the source, named as it is.
Dialogs::FileRequest cueRequest(const QString &title, const QString &sourcePath)
{
    const QFileInfo source(sourcePath);
    Dialogs::FileRequest request;
    request.title = title;
    request.folder = withTrailingSeparator(source.absolutePath());
    request.proposedName =
        source.dir().filePath(source.completeBaseName() + QStringLiteral(".cue"));
    request.filters = {
        {QStringLiteral("Cue sheets (*.cue)"), {QStringLiteral("*.cue"), QStringLiteral("*.CUE")}}};
    return request;
}

/// Only what lies inside the source: a list kept for a file that has since become shorter
/// loses what is past its end rather than offering parts that cannot be cut.
engine::PartList within(engine::PartList list, int64_t length)
{
    std::erase_if(list.parts, [length](const engine::Part &part) { return part.begin >= length; });
    for (engine::Part &part : list.parts)
        part.end = std::min(part.end, length);
    return list;
}

} // namespace

int32_t Cutter::sourceRate() const
{
    return m_playSource->sampleRate().valueOr(0);
}

QString Cutter::sourceBaseName() const
{
    return QFileInfo(m_state.sourcePath).completeBaseName();
}

void Cutter::storeParts()
{
    m_store.WriteParts(m_state.sourcePath, m_state.parts);
}

void Cutter::setParts(engine::PartList parts)
{
    m_state.parts = std::move(parts);
    m_state.selectedPart = -1;
    storeParts();
    emit partsChanged();
    emit partSelected(-1);
}

bool Cutter::mayReplaceParts(const QString &question)
{
    return !hasParts() || m_dialogs.ask(m_dialogParent, question, tr("Vorn Audio Cutter"));
}

void Cutter::restoreParts()
{
    m_state.parts = within(m_store.ReadParts(m_state.sourcePath), m_state.totalSamples);
    m_state.selectedPart = -1;
    m_pauses.reset();
    emit partsChanged();
    emit partSelected(-1);
    // A sheet beside the source is offered, not loaded: the list may hold the user's own work.
    m_state.cueNotice.clear();
    const QFileInfo source(m_state.sourcePath);
    for (const QString &suffix : {QStringLiteral(".cue"), QStringLiteral(".CUE")}) {
        const QString cue = source.dir().filePath(source.completeBaseName() + suffix);
        if (!QFileInfo::exists(cue))
            continue;
        const auto sheet = m_cueSheets->read(cue, sourceRate(), m_state.totalSamples);
        if (sheet.ok() && !sheet.value().parts.empty())
            m_state.cueNotice = sheet.value().parts.size() == 1
                                    ? tr("Cue sheet found: 1 track. Press Ctrl+I to load it.")
                                    : tr("Cue sheet found: %n tracks. Press Ctrl+I to load it.",
                                         nullptr, int(sheet.value().parts.size()));
        break;
    }
}

void Cutter::showMarks(int64_t begin, int64_t end)
{
    m_state.selBeginSample = begin;
    m_state.selEndSample = end;
    showSelection();
    emit panelChanged(2, tr("Begin: ") + positionTextOf(begin));
    emit panelChanged(3, tr("End: ") + positionTextOf(end));
}

const engine::Part *Cutter::selectedPartRange() const
{
    const int row = m_state.selectedPart;
    if (row < 0 || row >= int(m_state.parts.parts.size()))
        return nullptr;
    return &m_state.parts.parts[size_t(row)];
}

void Cutter::followMarks()
{
    const int row = m_state.selectedPart;
    if (row < 0 || row >= int(m_state.parts.parts.size()))
        return;
    engine::Part &part = m_state.parts.parts[size_t(row)];
    part.begin = m_state.selBeginSample;
    part.end = m_state.selEndSample;
    storeParts();
    emit partsChanged();
}

void Cutter::addPart()
{
    if (isBusy() || !hasSource() || !hasSelection())
        return;
    m_state.parts.parts.push_back({m_state.selBeginSample, m_state.selEndSample, {}, {}});
    storeParts();
    emit partsChanged();
    selectPart(int(m_state.parts.parts.size()) - 1);
}

void Cutter::removePart()
{
    const int row = m_state.selectedPart;
    if (isBusy() || row < 0 || row >= int(m_state.parts.parts.size()))
        return;
    m_state.parts.parts.erase(m_state.parts.parts.begin() + row);
    m_state.selectedPart = -1;
    storeParts();
    emit partsChanged();
    emit partSelected(-1);
}

void Cutter::splitHere()
{
    if (isBusy() || !hasSource())
        return;
    const int64_t at = m_state.currentSample;
    std::vector<engine::Part> &parts = m_state.parts.parts;
    const auto inside = [at](const engine::Part &part) { return part.begin < at && at < part.end; };
    int row = m_state.selectedPart;
    if (row < 0 || row >= int(parts.size()) || !inside(parts[size_t(row)])) {
        const auto found = std::find_if(parts.begin(), parts.end(), inside);
        row = found == parts.end() ? -1 : int(found - parts.begin());
    }
    if (row < 0) {
        // Only an empty list stands for the whole file; a position between parts has none.
        if (!parts.empty() || at <= 0 || at >= m_state.totalSamples)
            return;
        parts.push_back({0, m_state.totalSamples, {}, {}});
        row = 0;
    }
    engine::Part second = parts[size_t(row)];
    second.begin = at;
    parts[size_t(row)].end = at;
    parts.insert(parts.begin() + row + 1, second);
    storeParts();
    emit partsChanged();
    selectPart(row + 1);
}

void Cutter::selectPart(int row)
{
    if (isBusy())
        return;
    if (row < 0 || row >= int(m_state.parts.parts.size())) {
        if (m_state.selectedPart == -1)
            return;
        m_state.selectedPart = -1;
        emit partSelected(-1);
        return;
    }
    m_state.selectedPart = row;
    const engine::Part &part = m_state.parts.parts[size_t(row)];
    showMarks(part.begin, part.end);
    emit partSelected(row);
}

void Cutter::setPartTitle(int row, const QString &title)
{
    if (isBusy() || row < 0 || row >= int(m_state.parts.parts.size()))
        return;
    engine::Part &part = m_state.parts.parts[size_t(row)];
    if (part.title == title)
        return;
    part.title = title;
    storeParts();
    emit partsChanged();
}

void Cutter::importCue()
{
    if (isBusy() || !hasSource())
        return;
    const QString path =
        m_dialogs.openFile(m_dialogParent, cueRequest(tr("Import Cue Sheet"), m_state.sourcePath));
    if (path.isEmpty())
        return;
    auto sheet = m_cueSheets->read(path, sourceRate(), m_state.totalSamples);
    if (sheet.failed()) {
        message(sheet.description(), tr("Error"), Dialogs::Icon::Critical);
        return;
    }
    if (sheet.value().parts.empty()) {
        message(tr("'%1' lists no tracks.").arg(QFileInfo(path).fileName()), tr("Error"),
                Dialogs::Icon::Critical);
        return;
    }
    if (!mayReplaceParts(m_state.parts.parts.size() == 1
                             ? tr("Replace the part in the list with the cue sheet's tracks?")
                             : tr("Replace the %n parts in the list with the cue sheet's tracks?",
                                  nullptr, int(m_state.parts.parts.size()))))
        return;
    setParts(sheet.value());
    m_state.cueNotice.clear();
    showSoundDevicePanel();
}

void Cutter::exportCue()
{
    if (isBusy() || !hasParts())
        return;
    Dialogs::FileRequest request = cueRequest(tr("Export Cue Sheet"), m_state.sourcePath);
    request.defaultSuffix = QStringLiteral("cue");
    QString path;
    for (;;) {
        path = m_dialogs.saveFile(m_dialogParent, request);
        if (path.isEmpty())
            return;
        if (!QFileInfo::exists(path) || m_dialogs.confirmReplace(m_dialogParent, path))
            break;
        request.proposedName = path;
    }
    if (const engine::Status written =
            m_cueSheets->write(path, m_state.sourcePath, m_state.parts, sourceRate());
        written.failed()) {
        message(written.description(), tr("Error"), Dialogs::Icon::Critical);
        return;
    }
    message(tr("Saved - ") + path, tr("Vorn Audio Cutter"), Dialogs::Icon::None);
}

std::optional<std::vector<engine::Pause>> Cutter::pauses()
{
    if (m_pauses)
        return m_pauses;
    const std::shared_ptr<const engine::Peaks> peaks =
        m_peakComputer ? m_peakComputer->peaks() : nullptr;
    if (!peaks || !peaks->finished()) {
        message(tr("The pauses are found from the waveform, which is still being computed. "
                   "Try again when it is complete."),
                tr("Vorn Audio Cutter"), Dialogs::Icon::None);
        return std::nullopt;
    }
    auto found = m_pauseFinder->findPauses(m_state.sourcePath, *peaks, m_pauseSettings);
    if (found.failed()) {
        message(found.description(), tr("Error"), Dialogs::Icon::Critical);
        return std::nullopt;
    }
    m_pauses = found.value();
    return m_pauses;
}

void Cutter::findPauses()
{
    if (isBusy() || !hasSource())
        return;
    const std::optional<engine::PauseSettings> chosen =
        m_dialogs.askPauseSettings(m_dialogParent, m_pauseSettings);
    if (!chosen)
        return;
    if (chosen->thresholdDb != m_pauseSettings.thresholdDb ||
        chosen->minSeconds != m_pauseSettings.minSeconds)
        m_pauses.reset();
    m_pauseSettings = *chosen;
    const auto found = pauses();
    if (!found)
        return;
    engine::PartList proposal;
    proposal.parts =
        engine::partsAtPauses(m_state.totalSamples, sourceRate(), *found, m_pauseSettings);
    if (proposal.parts.size() < 2) {
        message(tr("No pause of %1 s or longer below %2 dBFS lies between sounds.")
                    .arg(m_pauseSettings.minSeconds)
                    .arg(m_pauseSettings.thresholdDb),
                tr("Vorn Audio Cutter"), Dialogs::Icon::None);
        return;
    }
    if (!mayReplaceParts(
            m_state.parts.parts.size() == 1
                ? tr("Replace the part in the list with the parts found at pauses?")
                : tr("Replace the %n parts in the list with the parts found at pauses?", nullptr,
                     int(m_state.parts.parts.size()))))
        return;
    setParts(std::move(proposal));
}

void Cutter::trimSilence()
{
    const int row = m_state.selectedPart;
    if (isBusy() || row < 0 || row >= int(m_state.parts.parts.size()))
        return;
    const auto found = pauses();
    if (!found)
        return;
    const engine::Part trimmed = engine::trimSilence(m_state.parts.parts[size_t(row)], *found);
    m_state.parts.parts[size_t(row)] = trimmed;
    storeParts();
    emit partsChanged();
    showMarks(trimmed.begin, trimmed.end);
}

QStringList Cutter::chooseDestinations()
{
    const QString source = QFileInfo(m_state.sourcePath).canonicalFilePath();
    const auto isSource = [&source](const QString &path) {
        return !source.isEmpty() && QFileInfo(path).canonicalFilePath() == source;
    };
    QString folder = m_state.lastFolder;
    for (;;) {
        folder = m_dialogs.chooseFolder(m_dialogParent, tr("Cut All"), folder);
        if (folder.isEmpty())
            return {};
        const QString stored = m_store.ReadSetting(kPartTemplate);
        const QString byDefault = cutting::defaultPartTemplate(m_state.parts);
        const QString start = stored.isEmpty() ? byDefault : stored;
        const auto namesOf = [this](const QString &pattern) {
            return cutting::partFileNames(pattern, m_state.parts, sourceBaseName(), sourceRate(),
                                          m_output.extension());
        };
        const std::optional<QString> pattern =
            m_dialogs.askPartTemplate(m_dialogParent, start, namesOf);
        if (!pattern)
            return {};
        // Only a template of the user's own is remembered: the default follows the list
        // (titles from a cue sheet, or none).
        m_store.WriteSetting(kPartTemplate, *pattern == byDefault ? QString() : *pattern);
        QStringList destinations;
        int existing = 0;
        bool writesSource = false;
        for (const QString &name : namesOf(*pattern)) {
            const QString path = QDir(folder).filePath(name);
            destinations << QDir::toNativeSeparators(path);
            existing += QFileInfo::exists(path) ? 1 : 0;
            writesSource = writesSource || isSource(path);
        }
        // Writing over the file being split would destroy the source.
        if (writesSource) {
            message(tr("The destination must not be the source file."), tr("Error"),
                    Dialogs::Icon::Critical);
            continue;
        }
        // One question for all of them; No goes back to the folder, as No in the save dialog.
        if (existing > 0 &&
            !m_dialogs.ask(m_dialogParent,
                           existing == 1 ? tr("Replace 1 existing file?")
                                         : tr("Replace %n existing files?", nullptr, existing),
                           tr("Cut All")))
            continue;
        return destinations;
    }
}

void Cutter::cutAll()
{
    if (isBusy() || !hasSource() || !hasParts())
        return;
    for (size_t i = 0; i < m_state.parts.parts.size(); ++i)
        if (m_state.parts.parts[i].end <= m_state.parts.parts[i].begin) {
            message(tr("Nothing to save in part %1: its End must come after its Begin.").arg(i + 1),
                    tr("Error"), Dialogs::Icon::Critical);
            return;
        }
    for (const engine::Part &part : m_state.parts.parts)
        if (!normalisable(part.begin, part.end))
            return;
    const QStringList destinations = chooseDestinations();
    if (destinations.isEmpty())
        return;
    enterJob();

    cutting::SplitRequest request;
    request.sourcePath = m_state.sourcePath;
    request.parts = m_state.parts;
    request.destinations = destinations;
    request.copy = m_state.copies;
    request.copyTags = m_output.copyTags;
    // The user has been asked about every file there already.
    request.replaceExisting = true;
    request.shaping = cutting::shapeOptionsOf(m_output);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const cutting::SplitReport report =
        cutting::SplitParts(*m_jobSource, writerMaker(), m_state.copies ? m_copier.get() : nullptr,
                            *m_information, request, jobCallbacks());
    QGuiApplication::restoreOverrideCursor();

    QStringList notes = report.notes;
    if (m_state.copies && m_output.shape.gainTags)
        for (const QString &written : report.written) {
            QString measured;
            if (const QString failure = tagGain(written, &measured); !failure.isEmpty())
                notes << tr("The gain tags of '%1' could not be written: %2")
                             .arg(QFileInfo(written).fileName(), failure);
        }
    const QString folder = folderOf(destinations.constFirst());
    if (!report.written.isEmpty())
        rememberFolder(folder);
    if (report.status.failed() || report.cancelled)
        emit progressChanged(0);
    if (!leaveJob())
        return;
    const int total = int(destinations.size());
    const int saved = int(report.written.size());
    const QString shownFolder =
        QDir::toNativeSeparators(QFileInfo(destinations.constFirst()).absolutePath());
    QString text;
    if (report.status.failed()) {
        text = tr("Error - ") + QStringLiteral("\r\n") + report.status.description();
        if (saved > 0)
            text += QStringLiteral("\n\n") + tr("Saved before it:") + QStringLiteral("\n") +
                    report.written.join(u'\n');
    } else if (report.cancelled) {
        text = (total == 1 ? tr("Cancelled: %1 of 1 file saved to %2")
                           : tr("Cancelled: %1 of %n files saved to %2", nullptr, total))
                   .arg(saved)
                   .arg(shownFolder);
    } else {
        // Without a translation, %n gives no singular; English gets its own line for one.
        text = (saved == 1 ? tr("Saved 1 file to %1") : tr("Saved %n files to %1", nullptr, saved))
                   .arg(shownFolder);
    }
    if (!notes.isEmpty())
        text += QStringLiteral("\n\n") + notes.join(u'\n');
    message(text, report.status.failed() ? tr("Error") : tr("Vorn Audio Cutter"),
            report.status.failed() ? Dialogs::Icon::Critical : Dialogs::Icon::None);
}
