#include "Cutter.h"

#include "OutputSummary.h"
#include "ProgramFiles.h"
#include "SettingsStore.h"
#include "TextNumbers.h"
#include "TimeText.h"

#include <QFileInfo>

namespace {

const QString kLastFormat = QStringLiteral("LastFormat");
const QString kLastFolder = QStringLiteral("LastFolder");
const QString kKeepEncoding = QStringLiteral("KeepEncoding");

/// A factory that hands out no object where one is required is a fault of the program, not a
/// state the window could work in.
template <typename T> std::unique_ptr<T> required(std::unique_ptr<T> object, const char *what)
{
    if (!object)
        qFatal("The engine factory made no %s.", what);
    return object;
}

} // namespace

Cutter::Cutter(engine::EngineFactory &factory, Dialogs &dialogs, settings::SettingsStore &store,
               settings::OutputSettings &output, QObject *parent)
    : QObject(parent), m_dialogs(dialogs), m_store(store), m_output(output)
{
    // Created in this order, and kept for the window's life.
    m_information = required(factory.createInformation(), "information object");
    m_destination = required(factory.createAudioFile(), "destination file");
    m_jobSource = required(factory.createAudioFile(), "source file for the job");
    m_mp3 = required(factory.createMp3Settings(), "MP3 settings");
    m_playSource = required(factory.createAudioFile(), "source file for playback");
    m_player = required(factory.createPlayer(), "player");
    m_copier = required(factory.createLosslessCutter(), "lossless cutter");
    m_peakComputer = factory.createPeakComputer();

    // The player raises its events on this thread already. Handled at once, they stay in
    // order with the commands around them: a second, queued hop would let a tick raised
    // before a pause be applied after it.
    connect(m_player.get(), &engine::AudioPlayer::RequestOnLoadArray, this, &Cutter::onBlockWanted);
    connect(m_player.get(), &engine::AudioPlayer::EndArrayPlay, this, &Cutter::onBlockWanted);
    connect(m_player.get(), &engine::AudioPlayer::Timer, this, &Cutter::onTimer);
    connect(m_player.get(), &engine::AudioPlayer::EndPlay, this, &Cutter::onEndPlay);
    startUp();
}

Cutter::~Cutter()
{
    // The peaks' threads are joined before any other engine object goes.
    if (m_peakComputer)
        m_peakComputer->stop();
}

// Start-up goes on past every failing step: a stored value that cannot be used leaves that
// one thing at its default.
void Cutter::startUp()
{
    m_mp3->bitrate = 128;
    engine::ignoreFailure(m_destination->setDefaultOutputFormat(44100, 128, 2),
                          "the selections made next replace it");
    if (auto description = m_destination->formatDescription())
        m_output.outputSummary = cutting::cleanOutputSummary(description.value());
    m_state.appFolder = programFolder();
    settings::SetOggDefaults(m_output);
    settings::SetWavDefaults(m_output);
    m_output.outputKind = 14;
    engine::ignoreFailure(m_destination->selectWmaProfile(14), "14 is always a valid profile");

    selectFormat(0);
    const QString stored = m_store.ReadSetting(kLastFormat);
    // The stored text must be a number as a whole; anything else leaves the first format.
    bool isNumber = stored.isEmpty();
    const double number = stored.isEmpty() ? 0.0 : stored.trimmed().toDouble(&isNumber);
    if (isNumber)
        if (auto index = settings::roundedInto<int32_t>(number))
            selectFormat(*index);

    m_output.flgCopyTags = true;
    m_state.keepEncoding = m_store.ReadSetting(kKeepEncoding) == QStringLiteral("1");
    showCopyChoice();
    restoreFolder();
}

void Cutter::restoreFolder()
{
    // A folder that is gone or locked would only make the dialog start somewhere else.
    const QString folder = m_store.ReadSetting(kLastFolder);
    const QFileInfo info(folder);
    if (!folder.isEmpty() && info.isAbsolute() && info.isDir() && info.isReadable())
        m_state.lastFolder = withTrailingSeparator(folder);
}

void Cutter::rememberFolder(const QString &folder)
{
    m_state.lastFolder = folder;
    m_store.WriteSetting(kLastFolder, folder);
}

void Cutter::message(const QString &text, const QString &title, Dialogs::Icon icon)
{
    m_dialogs.message(m_dialogParent, text, title, icon);
}

void Cutter::setPlay(PlayState play)
{
    if (m_state.play == play)
        return;
    m_state.play = play;
    emit playStateChanged(play);
}

bool Cutter::selectFormat(int index)
{
    if (isBusy() || !engine::outputFormatAt(index))
        return false;
    m_state.formatIndex = index;
    emit formatSelected(index);
    FormatChoice();
    return true;
}

void Cutter::chooseFormat(int index)
{
    // Only the user's choice is remembered for the next run.
    if (selectFormat(index))
        m_store.WriteSetting(kLastFormat, QString::number(index));
}

void Cutter::FormatChoice()
{
    std::optional<QString> wmaDescription;
    if (m_state.formatIndex == cutting::Wma) {
        engine::ignoreFailure(m_destination->selectWmaProfile(m_output.outputKind),
                              "an unknown stored profile keeps the one selected");
        if (auto description = m_destination->formatDescription())
            wmaDescription = description.value();
    }
    const auto summary =
        cutting::buildSummary(m_state.formatIndex, m_output, m_mp3->vbrMethod, wmaDescription);
    if (!summary)
        return;
    m_output.outputFormatName = summary->formatName;
    if (summary->text)
        m_state.summaryText = *summary->text;
    showCopyChoice();
}

void Cutter::editOutput(const std::function<void(engine::OutputSelection &, engine::Mp3Settings &,
                                                 settings::OutputSettings &)> &edit)
{
    if (isBusy())
        return;
    edit(*m_destination, *m_mp3, m_output);
    FormatChoice();
}

void Cutter::setCopyTags(bool copy)
{
    m_output.flgCopyTags = copy;
}

void Cutter::setKeepEncoding(bool keep)
{
    if (m_state.keepEncoding == keep)
        return;
    m_state.keepEncoding = keep;
    m_store.WriteSetting(kKeepEncoding, keep ? QStringLiteral("1") : QStringLiteral("0"));
    showCopyChoice();
}

// With "Keep the source's encoding" on, the summary says whether the open source can be
// copied into the chosen format, or why it is re-encoded.
void Cutter::showCopyChoice()
{
    m_state.copies = false;
    QString text = m_state.summaryText;
    const engine::OutputFormatEntry *format = engine::outputFormatAt(m_state.formatIndex);
    if (m_state.keepEncoding && format && !m_state.copySource.isEmpty()) {
        const auto copy = m_copier->describeCopy(m_state.copySource, format->format);
        m_state.copies = copy.ok();
        text = m_state.copies ? copy.value() + tr(", no re-encoding")
                              : reencodedLine(copy.status().reason());
    }
    m_state.summaryLine = text;
    emit summaryChanged(text);
}

QString Cutter::reencodedLine(const QString &reason) const
{
    return tr("%1 (re-encoded: %2)").arg(m_state.summaryText, reason);
}

void Cutter::ResetWindowState()
{
    StopPlayback();
    emit panelChanged(1, QString());
    emit controlsEnabled(false);
    m_state.selBegin = m_state.selEnd = m_state.selLength = 0;
    m_state.selBeginSample = m_state.selEndSample = m_state.currentSample = 0;
    emit thumbMoved(0);
    emit selectionChanged();
    if (m_peakComputer)
        m_peakComputer->stop();
    emit waveformStopped();
    emit panelChanged(2, tr("Begin: 00:00:00"));
    emit panelChanged(3, tr("End: 00:00:00"));
    emit panelChanged(4, tr("Current: 00:00:00"));
    m_state.fileNameText.clear();
    m_state.formatSourceText.clear();
    m_state.totalSeconds = 0;
    emit sourceLabelsChanged();
    m_state.copySource.clear();
    showCopyChoice();
}
