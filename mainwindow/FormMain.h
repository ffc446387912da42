#pragma once

#include "Cutter.h"
#include "FormMainUi.h"

#include <QMainWindow>
#include <QPointer>

class Dialogs;
class HelpWindow;
class PartTableModel;
namespace settings {
class SettingsStore;
}

/// The program's main window: the view over the model of the open source. It builds the
/// controls, forwards their events to the model and shows what the model signals.
class FormMain : public QMainWindow
{
    Q_OBJECT
public:
    /// `store` gives the remembered format, folder and window place, and takes them back.
    FormMain(engine::EngineFactory &factory, Dialogs &dialogs, settings::SettingsStore &store,
             QWidget *parent = nullptr);
    ~FormMain() override;

    const FormMainUi &ui() const { return m_ui; }
    Cutter &cutter() { return m_cutter; }
    const Cutter &cutter() const { return m_cutter; }

    /// Opens the file named on the command line once the event loop runs, so that the window
    /// is on the screen under any message. A relative name is taken from the current folder.
    void openAfterStart(const QString &argument);

    HelpWindow *helpWindow() const;
    void onCmdHelpClick();
    void onCmdAboutClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void applySkin();
    void connectControls();
    void connectSlider();
    void connectModel();
    void connectKeys();
    void connectWaveform();
    void connectParts();
    /// The part commands that may be used now, and the parts on the waveform.
    void showParts();
    void showSelectedPart(int row);
    void showState();
    void showPlayState(PlayState state);
    void showSelection();
    /// The shaping controls from the output choice, and the fades on the strip.
    void showShape();
    void showFades();
    void showSourceLabels();
    void enableSourceControls(bool enable);
    void startWaveform(int64_t length, int32_t sampleRate);
    /// The place remembered for the window, if it fits on a screen that is there.
    void restoreGeometry();
    void onCmdCutClick();
    /// Shows the option dialog of the chosen format, modal; returns when it closes.
    void showFormatDialog();

    FormMainUi m_ui;
    Dialogs &m_dialogs;
    settings::SettingsStore &m_store;
    Cutter m_cutter;
    QPointer<HelpWindow> m_help;
    PartTableModel *m_partTable = nullptr;
    /// The list's selection is being set from the model: not a user's choice to pass back.
    bool m_showingPart = false;
};
