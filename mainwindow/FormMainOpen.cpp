// Opening a source: the dialog, the description, and the player prepared and paused at the
// first frame.
#include "Dialogs.h"
#include "FormMain.h"
#include "ProgramFiles.h"
#include "TextNumbers.h"
#include "TimeText.h"
#include "ZivSlider.h"
#include "engine/api/OutputFormatTable.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <optional>

using settings::kFalse;
using settings::kTrue;
using settings::roundHalfEven;

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
        filter("All supported files (*.wma;*.mp3;*.wav;*.ogg)", "*.wma;*.mp3;*.wav;*.ogg")};
    for (OutputFormat format :
         {OutputFormat::Wma, OutputFormat::Mp3, OutputFormat::Ogg, OutputFormat::Wav}) {
        const engine::OutputFormatEntry &entry = engine::kOutputFormats.at(size_t(format));
        filters << filter(entry.filterText, entry.pattern);
    }
    return filters;
}

} // namespace

void FormMain::reportOpenFailure(const QString &reason)
{
    const QString name = QFileInfo(sourcePath).fileName();
    ResetWindowState();
    m_dialogs.message(this, tr("Cannot open '%1': %2").arg(name, reason), tr("Error"),
                      Dialogs::Icon::Critical);
}

bool FormMain::ChooseSourceFile()
{
    Dialogs::FileRequest request;
    request.folder = lastFolder;
    request.filters = sourceFilters();
    request.selectedFilter = 0;
    const QString path = m_dialogs.openFile(this, request);
    if (path.isEmpty())
        return false;
    return describeSource(path);
}

bool FormMain::describeSource(const QString &path)
{
    sourcePath = path;
    if (!AudioInformation)
        return false;
    if (engine::Status s = AudioInformation->readInformation(path); !s) {
        reportOpenFailure(s.reason());
        return false;
    }
    QString description = AudioInformation->sourceFormatDescription();
    if (description.isEmpty()) {
        reportOpenFailure(tr("the file holds no audio that can be played."));
        return false;
    }
    description.remove(u',');
    if (description.endsWith(u';'))
        description.chop(1);
    m_ui.LabelFormatSource->setText(description);
    for (QPushButton *b : {m_ui.CmdPausePlay, m_ui.CmdSelStart, m_ui.CmdSelStop, m_ui.CmdB,
                           m_ui.CmdBB, m_ui.CmdF, m_ui.CmdFF})
        b->setEnabled(true);
    m_ui.slPosition->setEnabled(true);
    return true;
}

void FormMain::onCmdOpenClick()
{
    // The reset comes before the dialog: cancelling it still leaves no file open.
    ResetWindowState();
    if (ChooseSourceFile())
        openDescribedSource();
}

bool FormMain::canOpen() const
{
    return !m_ui.CmdOpen->isHidden() && m_ui.CmdOpen->isEnabled();
}

void FormMain::openSourceFile(const QString &path)
{
    if (!canOpen())
        return;
    ResetWindowState();
    if (describeSource(path))
        openDescribedSource();
}

void FormMain::openAfterStart(const QString &argument)
{
    const QString path = QFileInfo(argument).absoluteFilePath();
    QMetaObject::invokeMethod(
        this, [this, path] { openSourceFile(path); }, Qt::QueuedConnection);
}

void FormMain::openDescribedSource()
{
    cutNumber = 1;
    m_ui.slPosition->setTickNumber(10);
    m_ui.slPosition->setSelLength(0);
    m_ui.slPosition->setSelStart(0);
    if (!AudioFile || !AudioPlayer)
        return;
    engine::ignoreFailure(AudioFile->setReaderMode(2), "a mode the engine does not use");
    if (flgOpen == kTrue)
        StopPlayback();
    flgPaused = kFalse;
    setCaption(m_ui.CmdPausePlay, tr("Pause"));

    if (engine::Status s = AudioFile->openForReading(sourcePath); !s)
        return reportOpenFailure(s.reason());
    if (AudioFile->openStatus() < 0)
        return reportOpenFailure(tr("the file cannot be decoded."));
    playOrigin = 0;
    const auto total = AudioFile->length();
    if (!total)
        return reportOpenFailure(total.status().reason());
    if (total.value() == 0)
        return reportOpenFailure(tr("the file holds no audio."));

    if (engine::Status s = startPlayerRun(); !s)
        return reportOpenFailure(s.reason());
    if (AudioPlayer->outputStatus() < 0)
        return reportOpenFailure(tr("no sound output could be started."));

    flgOpen = kTrue;
    FeedBlock();
    TogglePause();

    const auto milliseconds = AudioPlayer->samplesToMilliseconds(total.value());
    if (!milliseconds)
        return reportOpenFailure(milliseconds.status().reason());
    if (milliseconds.value() <= 0)
        return reportOpenFailure(tr("the file is too short to be played."));
    totalSeconds = int32_t(roundHalfEven(milliseconds.value() / 1000.0));
    m_ui.LabelTime->setText(TimeText(totalSeconds));
    m_ui.LabelFileName->setText(sourcePath);
    totalSamples = total.value();
    smallStepSamples = totalSamples / milliseconds.value() * 500;
    largeStepSamples = totalSamples / milliseconds.value() * 2000;
    showSoundDevicePanel();
    m_copySource = sourcePath;
    showCopyChoice();
    // Only a folder that gave a usable file is remembered: one that did not (under /proc,
    // say) would be where the next dialog starts, and reading such folders can block it.
    rememberFolder(folderOf(sourcePath));
    startWaveform();
}

void FormMain::showSoundDevicePanel()
{
    const bool silent = flgOpen == kTrue && AudioPlayer && AudioPlayer->isSilent();
    m_ui.setPanel(1, silent ? tr("No sound output device") : QString());
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
    if (canOpen() && droppedFile(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void FormMain::dragMoveEvent(QDragMoveEvent *event)
{
    if (canOpen() && droppedFile(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void FormMain::dropEvent(QDropEvent *event)
{
    const auto path = droppedFile(event->mimeData());
    if (!canOpen() || !path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened after the drop has ended: the program the file came from is not kept waiting
    // while a message box is up.
    QMetaObject::invokeMethod(
        this, [this, file = *path] { openSourceFile(file); }, Qt::QueuedConnection);
}
