// Opening a source: the dialog, the description, and the player prepared and paused at the
// first frame.
#include "Cutter.h"
#include "ProgramFiles.h"
#include "TextNumbers.h"
#include "TimeText.h"
#include "engine/api/OutputFormatTable.h"

#include <QFileInfo>

namespace {

Dialogs::Filter filter(const char *description, const char *patterns)
{
    // Upper-case names are audio files too ("SONG.MP3").
    QStringList all = QString::fromLatin1(patterns).split(u';');
    for (const QString &pattern : QString::fromLatin1(patterns).split(u';'))
        all << pattern.toUpper();
    return {QString::fromLatin1(description), all};
}

QList<Dialogs::Filter> sourceFilters()
{
    // The open dialog has an order of its own, WMA first.
    using engine::OutputFormat;
    QList<Dialogs::Filter> filters{
        filter("All supported files (*.wma;*.mp3;*.wav;*.ogg;*.flac;*.opus;*.m4a;*.oga)",
               "*.wma;*.mp3;*.wav;*.ogg;*.flac;*.opus;*.m4a;*.oga")};
    for (OutputFormat format :
         {OutputFormat::Wma, OutputFormat::Mp3, OutputFormat::Ogg, OutputFormat::Wav,
          OutputFormat::Flac, OutputFormat::Opus, OutputFormat::M4a}) {
        const engine::OutputFormatEntry &entry = engine::kOutputFormats.at(size_t(format));
        filters << filter(entry.filterText, entry.pattern);
    }
    // Ogg holding FLAC or Vorbis, as some programs name it.
    filters << filter("Ogg audio files (*.oga)", "*.oga");
    return filters;
}

} // namespace

void Cutter::reportOpenFailure(const QString &reason)
{
    const QString name = QFileInfo(m_state.sourcePath).fileName();
    ResetWindowState();
    message(tr("Cannot open '%1': %2").arg(name, reason), tr("Error"), Dialogs::Icon::Critical);
}

void Cutter::open()
{
    if (!canOpen())
        return;
    // The reset comes before the dialog: cancelling it still leaves no file open.
    ResetWindowState();
    Dialogs::FileRequest request;
    request.folder = m_state.lastFolder;
    request.filters = sourceFilters();
    request.selectedFilter = 0;
    const QString path = m_dialogs.openFile(m_dialogParent, request);
    if (!path.isEmpty() && describeSource(path))
        openDescribedSource();
}

void Cutter::openFile(const QString &path)
{
    if (!canOpen())
        return;
    ResetWindowState();
    if (describeSource(path))
        openDescribedSource();
}

bool Cutter::describeSource(const QString &path)
{
    m_state.sourcePath = path;
    if (engine::Status s = m_information->readInformation(path); s.failed()) {
        reportOpenFailure(s.reason());
        return false;
    }
    QString description = m_information->sourceFormatDescription();
    if (description.isEmpty()) {
        reportOpenFailure(tr("the file holds no audio that can be played."));
        return false;
    }
    description.remove(u',');
    if (description.endsWith(u';'))
        description.chop(1);
    m_state.formatSourceText = description;
    emit sourceLabelsChanged();
    emit controlsEnabled(true);
    return true;
}

void Cutter::openDescribedSource()
{
    m_state.cutNumber = 1;
    emit sourceOpened();
    if (m_state.play != PlayState::NoSource)
        StopPlayback();

    if (engine::Status s = m_playSource->openForReading(m_state.sourcePath); s.failed())
        return reportOpenFailure(s.reason());
    m_state.playOrigin = 0;
    const auto total = m_playSource->length();
    if (total.failed())
        return reportOpenFailure(total.status().reason());
    if (total.value() == 0)
        return reportOpenFailure(tr("the file holds no audio."));
    m_state.totalSamples = total.value();

    if (engine::Status s = startPlayerRun(); s.failed())
        return reportOpenFailure(s.reason());
    setPlay(PlayState::Playing);
    FeedBlock();
    TogglePause();

    const auto milliseconds = m_player->samplesToMilliseconds(total.value());
    if (milliseconds.failed())
        return reportOpenFailure(milliseconds.status().reason());
    if (milliseconds.value() <= 0)
        return reportOpenFailure(tr("the file is too short to be played."));
    m_state.totalSeconds = int32_t(settings::roundHalfEven(double(milliseconds.value()) / 1000.0));
    m_state.fileNameText = m_state.sourcePath;
    m_state.smallStepSamples = double(total.value()) / double(milliseconds.value()) * 500;
    m_state.largeStepSamples = double(total.value()) / double(milliseconds.value()) * 2000;
    emit sourceLabelsChanged();
    restoreParts();
    showSoundDevicePanel();
    m_state.copySource = m_state.sourcePath;
    showCopyChoice();
    // Only a folder that gave a usable file is remembered: one that did not (under /proc,
    // say) would be where the next dialog starts, and reading such folders can block it.
    rememberFolder(folderOf(m_state.sourcePath));
    if (m_peakComputer)
        m_peakComputer->start(m_state.sourcePath);
    emit waveformStarted(m_state.totalSamples, m_playSource->sampleRate().valueOr(0));
    emit selectionChanged();
    emit positionChanged(m_state.playOrigin);
}

void Cutter::showSoundDevicePanel()
{
    const bool silent = m_state.play != PlayState::NoSource && m_player->isSilent();
    QStringList notes;
    if (silent)
        notes << tr("No sound output device");
    if (!m_state.cueNotice.isEmpty())
        notes << m_state.cueNotice;
    emit panelChanged(1, notes.join(QStringLiteral("   ")));
}
