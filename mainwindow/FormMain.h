#pragma once

#include "FormMainUi.h"
#include "OutputSettings.h"
#include "WaveformStrip.h"
#include "engine/api/AudioFile.h"
#include "engine/api/AudioInformation.h"
#include "engine/api/AudioPlayer.h"
#include "engine/api/EngineFactory.h"
#include "engine/api/LosslessCutter.h"
#include "engine/api/Mp3Settings.h"
#include "engine/api/PeakComputer.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class Dialogs;
class HelpWindow;
namespace settings {
class SettingsStore;
}

/// The program's main window: wiring and delegation over the engine objects, the shared
/// output settings and the working state of the open source.
class FormMain : public QMainWindow
{
    Q_OBJECT
public:
    using Flag = settings::Flag;

    /// `store` gives the remembered format, folder and window place, and takes them back.
    FormMain(engine::EngineFactory &factory, Dialogs &dialogs, settings::SettingsStore &store,
             settings::OutputSettings &output, QWidget *parent = nullptr);
    ~FormMain() override;

    const FormMainUi &ui() const { return m_ui; }

    // The engine objects, created in this order at start-up and kept for the window's life.
    std::unique_ptr<engine::AudioInformation> AudioInformation;
    std::unique_ptr<engine::AudioFile> FileW;
    std::unique_ptr<engine::FileReading> FileR;
    std::unique_ptr<engine::Mp3Settings> MP3Lame;
    std::unique_ptr<engine::FileReading> AudioFile;
    std::unique_ptr<engine::AudioPlayer> AudioPlayer;
    /// Cuts without re-encoding when the user asks for it and the source allows it.
    std::unique_ptr<engine::LosslessCutter> Copier;

    /// A conversion is running; Cancel clears it.
    Flag flgConvert = settings::kFalse;

    /// Returns the window to the state with no source open.
    void ResetWindowState();

    // Playback.
    void FeedBlock();
    void TogglePause();
    void StopPlayback();

    // Position and selection.
    void RepositionFromSlider(bool fromMouseUp);
    /// Moves the sound to `samplePosition` (the end of the source: its last frame is read
    /// next), with the effect a slider release has while playing or paused.
    void RepositionToSample(double samplePosition, bool fromMouseUp);
    /// Writes the "Current: " panel; a value not above 0 stands for playOrigin.
    void ShowCurrentTime(double samplePosition);
    /// The position text of a sample position, through the player's clock.
    QString positionTextOf(double samplePosition) const;

    /// The format-choice handler: records the format and rewrites the summary.
    void FormatChoice();
    /// Selects entry `index` of the format list and runs the format-choice handler; an index
    /// outside the list is refused and the selection stays as it was.
    bool selectFormat(int index);

    // Read-only views of the working state, for the handlers' callers and tests.
    const QString &folderOfLastFile() const { return lastFolder; }
    const QString &programFolderPath() const { return appFolder; }

    /// Opens `path` as if it had been chosen in the Open dialog: the same reset, the same
    /// errors. Nothing happens while Open is unavailable (during a cut).
    void openSourceFile(const QString &path);
    /// Opens the file named on the command line once the event loop runs, so that the window
    /// is on the screen under any message. A relative name is taken from the current folder.
    void openAfterStart(const QString &argument);

    // Handlers of the controls and of the player's events, as the signals call them.
    void onCmdOpenClick();
    bool ChooseSourceFile();
    void onCmdPausePlayClick();
    void onCmdPreviewClick();
    void onBlockWanted();
    void onTimer(int32_t CurrentSamples, int32_t LevelLeft, int32_t LevelRight);
    void onEndPlay();
    void nudge(double step);
    void onSliderMouseDown(int16_t Button, int16_t Shift, float x, float y);
    void onSliderMouseMove(int16_t Button, int16_t Shift, float x, float y);
    void onSliderMouseUp(int16_t Button, int16_t Shift, float x, float y);
    void onSliderClick();
    void onSliderKeyUp(int16_t KeyCode, int16_t Shift);
    void onCmdSelStartClick();
    void onCmdSelStopClick();
    void onWaveformPositionPicked(int64_t frame);
    void onWaveformMarkDropped(WaveformStrip::Mark mark, int64_t frame);
    void onCmdSetClick();
    void onCheck1Click();
    void onCheckKeepEncodingClick();
    void onCmdCutClick();
    QString ChooseDestination();
    void onCmdCancelClick();
    void onCmdHelpClick();
    void onCmdAboutClick();

    HelpWindow *helpWindow() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    /// Shows the option dialog of the chosen format, modal; returns when it closes.
    void showFormatDialog(int formatIndex);

private:
    void startUp(const settings::SettingsStore &store);
    void applyLayoutAndDefaults(const settings::SettingsStore &store);
    void applySkin();
    void connectControls();
    void connectKeys();
    void connectPlayer();
    void connectWaveform();
    /// The strip shows the open source and its peaks start; stopWaveform cancels them.
    void startWaveform();
    void stopWaveform();
    /// The remembered folder, if it can still be read; the window's place, if it fits on a
    /// screen that is there.
    void restoreRemembered();
    /// `folder` becomes lastFolder, also for the next run.
    void rememberFolder(const QString &folder);
    /// Open is offered: a file may be opened by a drop or from the command line as well.
    bool canOpen() const;
    /// Fills the window for `path` from its description (the part of ChooseSourceFile after
    /// the dialog); false when it cannot be described.
    bool describeSource(const QString &path);
    /// Opens the described source on the reader and the player, paused at its start.
    void openDescribedSource();
    /// Ends an open that cannot go on: the window is reset and the user told why.
    void reportOpenFailure(const QString &reason);
    void setCaption(class QPushButton *button, const QString &caption);
    void enableSelectionButtons(bool enable);
    /// Slider units of a sample position of the open source, 0 to 1000.
    int32_t unitsOf(double samples) const;
    /// The selection holds at least one frame; Preview and Cut are offered only then.
    bool hasSelection() const;
    /// Draws the selection and offers Preview and Cut from the two sample marks.
    void showSelection();
    /// The selection's Begin or End becomes `samplePosition`, by the rule of its button.
    void markBegin(double samplePosition);
    void markEnd(double samplePosition);
    /// Output stops and the window waits at `position`: the stored position, the thumb and
    /// "Current: " all show it, and Play goes on from there.
    void pauseAt(double position);
    /// Playback has ended: the window waits at the start of the source.
    void returnToStart();
    void endPreview();
    void showSoundDevicePanel();
    /// Sets the player to the open source's format, the block size for 200 ms, and starts
    /// output; the first failure is the answer.
    engine::Status startPlayerRun();
    void setBusy(bool busy);
    engine::Status runJob();
    /// With "Keep the source's encoding" on: whether the open source can be copied into the
    /// chosen format, and the summary saying so or why not.
    void showCopyChoice();
    /// The cut by copying; CannotCopy when it must be re-encoded after all.
    engine::Status runCopy(const engine::JobCallbacks &callbacks);
    void copyTags();
    /// Frames of the open source, asked afresh; 0 when none is open.
    double sourceLength() const;

    FormMainUi m_ui;
    engine::EngineFactory &m_factory;
    Dialogs &m_dialogs;
    settings::SettingsStore &m_store;
    settings::OutputSettings &m_output;

    // The working state of the open source.
    QString appFolder;
    QString lastFolder;
    QString sourcePath;
    int32_t playOrigin = 0;
    int32_t blockSamples = 0;
    Flag flgPaused = settings::kFalse;
    Flag flgOpen = settings::kFalse;
    Flag flgSliderHeld = settings::kFalse;
    int32_t totalSeconds = 0;
    int32_t selBegin = 0;
    int32_t selEnd = 0;
    int32_t selLength = 0;
    double selBeginSample = 0;
    double selEndSample = 0;
    double currentSample = 0;
    Flag flgPreview = settings::kFalse;
    Flag flgLeftDrag = settings::kFalse;
    double smallStepSamples = 0;
    double largeStepSamples = 0;
    double totalSamples = 0;
    int32_t cutNumber = 0;
    QString destPath;
    QString lastJobError;
    /// The summary's last verdict: "Cut" copies rather than re-encodes.
    bool m_copies = false;
    /// The source a copy would read: set once it is open, cleared by a reset.
    QString m_copySource;
    /// The summary of the chosen format's own settings, before the copy's verdict.
    QString m_summaryText;
    /// The user closed the window during a cut: close once the job has ended.
    bool m_closeAfterCut = false;
    QPointer<HelpWindow> m_help;
    /// The waveform's peaks of the open source, computed in the background; may be none.
    std::unique_ptr<engine::PeakComputer> m_peakComputer;

    friend class FormMainTest;
};
