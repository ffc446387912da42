#pragma once

#include "ConvertJob.h"
#include "Dialogs.h"
#include "engine/api/AudioFile.h"
#include "engine/api/AudioInformation.h"
#include "engine/api/AudioPlayer.h"
#include "engine/api/CueSheets.h"
#include "engine/api/EngineFactory.h"
#include "engine/api/JobCallbacks.h"
#include "engine/api/LosslessCutter.h"
#include "engine/api/OutputChoice.h"
#include "engine/api/PartList.h"
#include "engine/api/PauseFinder.h"
#include "engine/api/PeakComputer.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QWidget;
namespace settings {
class SettingsStore;
}

/// What the open source is doing. One value, so that no two of them can hold at once: a cut
/// never runs while a preview plays, and nothing is opened while a cut runs.
enum class PlayState
{
    NoSource,
    Paused,
    Playing,
    Previewing,
    Cutting
};

/// The working state of the window, in one place. Positions are frames of the open source.
struct CutterState
{
    PlayState play = PlayState::NoSource;
    QString appFolder;
    QString lastFolder;
    QString sourcePath;
    /// The file name, format and total time the window shows for the source.
    QString fileNameText;
    QString formatSourceText;
    int32_t totalSeconds = 0;
    int64_t totalSamples = 0;
    /// Where the run that is heard now started; the heard position is this plus the player's
    /// count.
    int64_t playOrigin = 0;
    int64_t currentSample = 0;
    int32_t blockSamples = 0;
    double smallStepSamples = 0;
    double largeStepSamples = 0;
    /// The selection's marks decide; the slider units (0 to 1000) are drawn from them.
    int64_t selBeginSample = 0;
    int64_t selEndSample = 0;
    int32_t selBegin = 0;
    int32_t selEnd = 0;
    int32_t selLength = 0;
    bool flgSliderHeld = false;
    bool flgLeftDrag = false;
    /// The summary's verdict: "Cut" copies the coded audio rather than re-encoding it.
    bool copies = false;
    /// The summary line as shown: made from the output chosen and the copy's verdict.
    QString summaryLine;
    /// The summary warns that the ringtone is longer than phones take.
    bool ringtoneWarned = false;
    /// The source a copy would read: set once it is open, cleared by a reset.
    QString copySource;
    int32_t cutNumber = 0;
    QString destPath;
    QString lastJobError;
    /// Cancel was pressed: the job stops after its block, and nothing else starts till then.
    bool cancelRequested = false;
    /// The window was closed during a cut: it closes once the job has returned.
    bool closeAfterCut = false;
    /// The open source's parts, kept for it in the settings store on every change.
    engine::PartList parts;
    /// The row whose part the marks edit; -1: the marks are the plain selection.
    int selectedPart = -1;
    /// What the status bar says of a cue sheet beside the source.
    QString cueNotice;
    /// Where the preview that plays ends; the first tick at or past it stops it.
    int64_t previewEnd = 0;
    /// A preview whose last block ends exactly here (Play End); -1: blocks as they come.
    int64_t feedLimit = -1;
    /// The play source's read position in the run that plays now.
    int64_t fedTo = 0;
    /// The preview starts again at Begin when it reaches End, until it is stopped.
    bool loop = false;
};

/// The open source and the commands on it, without widgets: the window forwards its controls'
/// events here and shows what the signals say. Every command keeps its own rules, so a key or
/// click that reaches a command which is not available now does nothing.
class Cutter : public QObject
{
    Q_OBJECT
public:
    /// Every engine object but the peak computer is required of `factory`.
    /// `factory` must outlive the model: it also makes each cut's writer.
    Cutter(engine::EngineFactory &factory, Dialogs &dialogs, settings::SettingsStore &store,
           QObject *parent = nullptr);
    ~Cutter() override;

    const CutterState &state() const { return m_state; }
    bool hasSelection() const { return m_state.selEndSample > m_state.selBeginSample; }
    bool isBusy() const { return m_state.play == PlayState::Cutting; }
    /// What Cut writes: the format, its settings, the copy and tag choices.
    const engine::OutputChoice &output() const { return m_output; }
    /// The source's tags go into what Cut writes.
    bool copiesTags() const { return m_output.copyTags; }
    /// A file may be opened now (by the dialog, a drop or the command line).
    bool canOpen() const { return !isBusy(); }
    /// The waveform's peaks of the open source; none when the engine computes none.
    engine::PeakComputer *peaks() const { return m_peakComputer.get(); }
    /// Where the help page and the style sheet are looked for (the executable's folder).
    void setAppFolder(const QString &folder) { m_state.appFolder = folder; }
    /// Boxes and dialogs are centred on `parent`.
    void setDialogParent(QWidget *parent) { m_dialogParent = parent; }
    /// The position text of a frame of the open source, through the player's clock.
    QString positionTextOf(int64_t samplePosition) const;
    /// Frames heard since output last started, and a frame count in milliseconds: the
    /// player's own clock, for tools that compare it with what the window shows.
    engine::Result<int64_t> playedSamples() const { return m_player->playedSamples(); }
    engine::Result<int64_t> millisecondsOf(int64_t frames) const
    {
        return m_player->samplesToMilliseconds(frames);
    }

    // Opening.
    /// Resets, asks for a file and opens it.
    void open();
    /// Opens `path` as if it had been chosen in the Open dialog.
    void openFile(const QString &path);
    void ResetWindowState();

    // Listening.
    void TogglePause();
    void preview();
    /// Plays the first seconds of the selection ("EdgeSeconds", 2 by default).
    void playBegin();
    /// Plays the last seconds before End and stops exactly at End.
    void playEnd();
    void setLoop(bool loop);
    void nudge(double step);
    /// Moves the sound to `samplePosition` (the end of the source: its last frame is read
    /// next), with the effect a slider release has while playing or paused.
    void RepositionToSample(int64_t samplePosition, bool fromMouseUp);
    /// The slider's thumb at `units` (0 to 1000) was let go, clicked or keyed there.
    void RepositionFromSlider(int32_t units, bool fromMouseUp);
    /// A frame picked on the waveform: the thumb goes there and the sound follows.
    void pickPosition(int64_t frame);
    void sliderPressed(int16_t button);
    void sliderDragged(int32_t units);
    void sliderReleased(int16_t button, int32_t units);

    // The selection.
    void setBegin();
    void setEnd();
    void markBegin(int64_t samplePosition);
    void markEnd(int64_t samplePosition);

    // The output.
    /// Selects entry `index` of the format list; an index outside the list, or a change while
    /// a cut runs, is refused.
    bool selectFormat(int index);
    /// The user chose `index` in the list: selected, and remembered for the next run.
    void chooseFormat(int index);
    /// Lets `edit` (an option dialog) give a new output for the one chosen; nothing keeps it
    /// as it was. Refused while a cut runs.
    void editOutput(
        const std::function<std::optional<engine::OutputChoice>(const engine::OutputChoice &)>
            &edit);
    /// What the engine says of an output the dialogs are about to give back.
    engine::Status checkOutput(const engine::OutputChoice &output) const
    {
        return m_factory.checkOutput(output);
    }
    engine::Result<QString> describeOutput(const engine::OutputChoice &output) const
    {
        return m_factory.describeOutput(output);
    }
    void setCopyTags(bool copy);
    void setKeepEncoding(bool keep);
    /// The fades, the loudness target and the gain tags of what Cut writes.
    void setShape(const engine::ShapeSettings &shape);

    // The part list.
    bool hasParts() const { return !m_state.parts.parts.empty(); }
    bool hasSource() const { return m_state.play != PlayState::NoSource; }
    /// The Begin/End selection becomes a part, and is selected.
    void addPart();
    /// The selected part goes; the marks stay where they were, as the plain selection.
    void removePart();
    /// The part under the position (the selected one first), or the whole file when the list
    /// is empty, becomes two at the position; the second is selected.
    void splitHere();
    /// Row `row` is selected and the marks show it; -1 selects none.
    void selectPart(int row);
    void setPartTitle(int row, const QString &title);
    void importCue();
    void exportCue();
    /// Proposes parts between the pauses found, from the waveform's peaks.
    void findPauses();
    /// The selected part without the silence at its start and end.
    void trimSilence();
    /// Asks for a folder and the names, and writes every part to its own file.
    void cutAll();

    // Cutting.
    /// Asks for a destination and cuts the selection into it; returns when the job has ended.
    /// Refused while a cut runs, so no second job can start inside the first one's breath.
    void cut();
    /// Asks the running job to stop after its block.
    void cancel();
    /// The window wants to close: true when it may close now; during a cut, the job is asked
    /// to stop and closeWanted follows once it has.
    bool requestClose();

signals:
    void playStateChanged(PlayState state);
    /// Cancel was pressed and the job has not returned yet.
    void cancelPending();
    /// The source-related controls (Play, the marks, the nudges, the slider) are offered.
    void controlsEnabled(bool enabled);
    void panelChanged(int number, const QString &text);
    void thumbMoved(int32_t units);
    void positionChanged(int64_t frame);
    void selectionChanged();
    void sourceLabelsChanged();
    void sourceOpened();
    void waveformStarted(int64_t length, int32_t sampleRate);
    void waveformStopped();
    void formatSelected(int index);
    void summaryChanged(const QString &text);
    void progressChanged(int percent);
    void titleChanged(const QString &title);
    void closeWanted();
    /// The part list or its texts changed.
    void partsChanged();
    /// The selected row changed (-1: none).
    void partSelected(int row);

private:
    void startUp();
    bool describeSource(const QString &path);
    void openDescribedSource();
    void reportOpenFailure(const QString &reason);
    void rememberFolder(const QString &folder);
    void restoreFolder();
    void readEdgeSeconds();
    void setPlay(PlayState play);
    engine::Status startPlayerRun();
    void FeedBlock();
    void StopPlayback();
    /// Plays [from, to) as a preview; `exactEnd`: the last block queued ends at `to`.
    void previewRange(int64_t from, int64_t to, bool exactEnd);
    /// The preview reached its end: it loops or pauses there.
    void endPreview(int64_t position);
    int64_t edgeFrames() const;
    void pauseAt(int64_t position);
    void returnToStart();
    void ShowCurrentTime(int64_t samplePosition);
    void showSoundDevicePanel();
    void showSelection();
    int32_t unitsOf(int64_t samples) const;
    void onBlockWanted();
    void onTimer(int64_t CurrentSamples, int32_t LevelLeft, int32_t LevelRight);
    void onEndPlay();
    void setOutput(const engine::OutputChoice &output);
    void showCopyChoice();
    /// A ringtone longer than phones are known to take.
    bool ringtoneTooLong() const;
    /// The summary of the output chosen, before the copy's verdict.
    std::optional<QString> outputSummary() const;
    /// The summary of the output chosen with the reason a copy is re-encoded after all.
    QString reencodedLine(const QString &reason) const;
    QString ChooseDestination();
    /// The busy state of a job (a cut or Cut All) begins: playback paused, commands refused.
    void enterJob();
    /// The job has returned; false when the window closes now instead of showing the outcome.
    bool leaveJob();
    engine::JobCallbacks jobCallbacks();
    /// Each cut's writer, made from the output chosen.
    cutting::WriterMaker writerMaker() const;
    engine::Status runJob();
    engine::Status runCopy(const engine::JobCallbacks &callbacks);
    /// Empty when the tags went over, or why they did not.
    QString copyTags();
    /// The ReplayGain tags of a copied file, measured on its decoded samples: empty when they
    /// were written, or why not; `loudness` gets what was measured.
    QString tagGain(const QString &path, QString *loudness);
    /// Refuses a part the loudness target cannot be measured on, before any dialog.
    bool normalisable(int64_t begin, int64_t end);
    void message(const QString &text, const QString &title, Dialogs::Icon icon);
    /// Whether the user lets `count` parts be replaced (no question for an empty list).
    bool mayReplaceParts(const QString &question);
    void setParts(engine::PartList parts);
    void storeParts();
    /// The selected part takes the marks' range.
    void followMarks();
    /// The selected part; none when no row is selected.
    const engine::Part *selectedPartRange() const;
    /// The marks show `part` (the selection and the panels), without touching the list.
    void showMarks(int64_t begin, int64_t end);
    /// The parts of the source as last kept for it, and the note of a cue sheet beside it.
    void restoreParts();
    /// The source's pauses with the settings last chosen; none (after a message) while the
    /// waveform's peaks are not complete.
    std::optional<std::vector<engine::Pause>> pauses();
    int32_t sourceRate() const;
    QString sourceBaseName() const;
    /// The destinations of the parts in a folder the user chose; empty when they cancelled.
    QStringList chooseDestinations();

    engine::EngineFactory &m_factory;
    Dialogs &m_dialogs;
    settings::SettingsStore &m_store;
    engine::OutputChoice m_output;
    QWidget *m_dialogParent = nullptr;

    std::unique_ptr<engine::AudioInformation> m_information;
    /// The source as the cut reads it.
    std::unique_ptr<engine::FileReading> m_jobSource;
    /// The source as the player hears it.
    std::unique_ptr<engine::FileReading> m_playSource;
    std::unique_ptr<engine::AudioPlayer> m_player;
    std::unique_ptr<engine::LosslessCutter> m_copier;
    std::unique_ptr<engine::PeakComputer> m_peakComputer;
    std::unique_ptr<engine::CueSheets> m_cueSheets;
    std::unique_ptr<engine::PauseFinder> m_pauseFinder;
    engine::PauseSettings m_pauseSettings;
    /// "EdgeSeconds": how much of the part Play Begin and Play End play.
    double m_edgeSeconds = 2.0;
    /// The loudness line of the last cut's outcome: what a normalised part reached, or what a
    /// copy with gain tags measures.
    std::optional<QString> m_reached;
    /// The pauses found in the open source with m_pauseSettings, once asked for.
    std::optional<std::vector<engine::Pause>> m_pauses;

    CutterState m_state;
};
