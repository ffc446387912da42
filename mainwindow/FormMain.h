#pragma once

#include "AudioFile.h"
#include "AudioInformation.h"
#include "AudioPlayer.h"
#include "EngineFactory.h"
#include "FormMainUi.h"
#include "Mp3Settings.h"
#include "OutputSettings.h"

#include <QMainWindow>

#include <memory>

class Dialogs;
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

    FormMain(engine::EngineFactory &factory, Dialogs &dialogs, const settings::SettingsStore &store,
             settings::OutputSettings &output, QWidget *parent = nullptr);
    ~FormMain() override;

    const FormMainUi &ui() const { return m_ui; }

    // The engine objects, created in this order at start-up and kept for the window's life.
    std::unique_ptr<engine::AudioInformation> AudioInformation;
    std::unique_ptr<engine::AudioFile> FileW;
    std::unique_ptr<engine::AudioFile> FileR;
    std::unique_ptr<engine::Mp3Settings> MP3Lame;
    std::unique_ptr<engine::AudioFile> AudioFile;
    std::unique_ptr<engine::AudioPlayer> AudioPlayer;

    /// A conversion is running; Cancel clears it.
    Flag flgConvert = settings::kFalse;

    /// Returns the window to the state with no source open.
    void ResetWindowState();
    void StopPlayback();

    /// The format-choice handler: records the format and rewrites the summary.
    void FormatChoice();
    /// Selects entry `index` of the format list and runs the format-choice handler; an index
    /// outside the list is refused and the selection stays as it was.
    bool selectFormat(int index);

    // Read-only views of the working state, for the handlers' callers and tests.
    const QString &folderOfLastFile() const { return lastFolder; }
    const QString &programFolderPath() const { return appFolder; }

protected:
    void onCmdSetClick();
    void onCheck1Click();
    /// Shows the option dialog of the chosen format, modal; returns when it closes.
    void showFormatDialog(int formatIndex);

private:
    void startUp(const settings::SettingsStore &store);
    void applyLayoutAndDefaults(const settings::SettingsStore &store);
    void applySkin();
    void connectControls();

    FormMainUi m_ui;
    engine::EngineFactory &m_factory;
    Dialogs &m_dialogs;
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

    friend class FormMainTest;
};
