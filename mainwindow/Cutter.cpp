#include "Cutter.h"

#include "OutputSummary.h"
#include "ProgramFiles.h"
#include "SettingsStore.h"
#include "TimeText.h"

#include <QFileInfo>

namespace {

const QString kLastFolder = QStringLiteral("LastFolder");

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
               QObject *parent)
    : QObject(parent), m_factory(factory), m_dialogs(dialogs), m_store(store)
{
    // Created in this order, and kept for the window's life.
    m_information = required(factory.createInformation(), "information object");
    m_jobSource = required(factory.createAudioFile(), "source file for the job");
    m_playSource = required(factory.createAudioFile(), "source file for playback");
    m_player = required(factory.createPlayer(), "player");
    m_copier = required(factory.createLosslessCutter(), "lossless cutter");
    m_peakComputer = factory.createPeakComputer();
    m_cueSheets = required(factory.createCueSheets(), "cue sheet reader");
    m_pauseFinder = required(factory.createPauseFinder(), "pause finder");

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
    m_state.appFolder = programFolder();
    m_output = m_store.ReadOutput();
    readEdgeSeconds();
    emit formatSelected(int(m_output.format));
    showCopyChoice();
    restoreFolder();
}

void Cutter::readEdgeSeconds()
{
    // A stored length that is no number, or none a user could mean, keeps the 2 s.
    bool ok = false;
    const double stored = m_store.ReadSetting(QStringLiteral("EdgeSeconds")).toDouble(&ok);
    m_edgeSeconds = ok && stored >= 0.1 && stored <= 60 ? stored : 2.0;
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
    m_output.format = engine::OutputFormat(index);
    emit formatSelected(index);
    showCopyChoice();
    return true;
}

void Cutter::chooseFormat(int index)
{
    // Only the user's choice is remembered for the next run.
    if (selectFormat(index))
        m_store.WriteOutput(m_output);
}

void Cutter::setOutput(const engine::OutputChoice &output)
{
    m_output = output;
    m_store.WriteOutput(m_output);
    showCopyChoice();
}

void Cutter::editOutput(
    const std::function<std::optional<engine::OutputChoice>(const engine::OutputChoice &)> &edit)
{
    if (isBusy())
        return;
    if (const std::optional<engine::OutputChoice> edited = edit(m_output))
        setOutput(*edited);
}

void Cutter::setCopyTags(bool copy)
{
    if (m_output.copyTags == copy)
        return;
    engine::OutputChoice output = m_output;
    output.copyTags = copy;
    setOutput(output);
}

void Cutter::setShape(const engine::ShapeSettings &shape)
{
    if (isBusy() || m_output.shape == shape)
        return;
    engine::OutputChoice output = m_output;
    output.shape = shape;
    setOutput(output);
}

void Cutter::setKeepEncoding(bool keep)
{
    if (m_output.keepEncoding == keep)
        return;
    engine::OutputChoice output = m_output;
    output.keepEncoding = keep;
    setOutput(output);
}

// With "Keep the source's encoding" on, the summary says whether the open source can be
// copied into the chosen format, or why it is re-encoded.
void Cutter::showCopyChoice()
{
    const std::optional<QString> summary = outputSummary();
    // An output the engine cannot describe leaves the line as it was.
    if (!summary)
        return;
    m_state.copies = false;
    QString text = *summary;
    if (m_output.keepEncoding && !m_state.copySource.isEmpty()) {
        // Fades and a loudness change the samples, which a copy keeps as they are.
        if (m_output.shape.isActive()) {
            text = reencodedLine(tr("fades and loudness change the sound"));
        } else {
            const auto copy = m_copier->describeCopy(m_state.copySource, m_output.format);
            m_state.copies = copy.ok();
            text = m_state.copies ? copy.value() + tr(", no re-encoding")
                                  : reencodedLine(copy.status().reason());
            if (m_state.copies && m_output.shape.gainTags)
                text += tr("; gain tags");
        }
    }
    m_state.ringtoneWarned = ringtoneTooLong();
    if (m_state.ringtoneWarned)
        text += tr(" (longer than 40 s: phones may refuse it)");
    m_state.summaryLine = text;
    emit summaryChanged(text);
}

bool Cutter::ringtoneTooLong() const
{
    const int32_t rate = m_playSource->sampleRate().valueOr(0);
    return m_output.format == engine::OutputFormat::M4a && m_output.m4a.ringtone && rate > 0 &&
           hasSelection() && m_state.selEndSample - m_state.selBeginSample > int64_t(40) * rate;
}

std::optional<QString> Cutter::outputSummary() const
{
    const engine::Result<QString> described = m_factory.describeOutput(m_output);
    const std::optional<QString> summary =
        cutting::summaryOf(m_output, described ? std::optional(described.value()) : std::nullopt);
    if (!summary)
        return std::nullopt;
    return *summary + cutting::shapeSummaryOf(m_output.shape);
}

QString Cutter::reencodedLine(const QString &reason) const
{
    return tr("%1 (re-encoded: %2)").arg(outputSummary().value_or(QString()), reason);
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
    // The list belongs to the source that was open; it is kept for it already.
    m_state.parts = {};
    m_state.selectedPart = -1;
    m_state.cueNotice.clear();
    m_pauses.reset();
    emit partsChanged();
    emit partSelected(-1);
}
