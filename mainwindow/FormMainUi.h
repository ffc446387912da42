#pragma once

#include <QString>

#include <array>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTableView;
class WaveformStrip;
class ZivSlider;

/// The main window's controls, named as the program names them (also as Qt object names).
/// The window owns them through Qt's parent chain.
struct FormMainUi
{
    QPushButton *CmdOpen = nullptr;
    QPushButton *CmdCancel = nullptr;
    QPushButton *CmdPausePlay = nullptr;
    QPushButton *CmdPreview = nullptr;
    QPushButton *CmdPlayBegin = nullptr;
    QPushButton *CmdPlayEnd = nullptr;
    QCheckBox *chLoop = nullptr;
    QPushButton *CmdSelStart = nullptr;
    QPushButton *CmdSelStop = nullptr;
    QPushButton *CmdBB = nullptr;
    QPushButton *CmdB = nullptr;
    QPushButton *CmdF = nullptr;
    QPushButton *CmdFF = nullptr;
    QPushButton *CmdCut = nullptr;
    QPushButton *CmdHelp = nullptr;
    QPushButton *CmdAbout = nullptr;
    /// The sound of the open file, over the slider's scale, directly above it.
    WaveformStrip *Waveform = nullptr;
    ZivSlider *slPosition = nullptr;

    QGroupBox *FrameInput = nullptr;
    QLabel *LabelFileNameCaption = nullptr;
    QLabel *LabelFileName = nullptr;
    QLabel *LabelSourceCaption = nullptr;
    QLabel *LabelFormatSource = nullptr;
    QLabel *LabelTimeCaption = nullptr;
    QLabel *LabelTime = nullptr;

    QGroupBox *FrameOutput = nullptr;
    QLabel *LabelFormatCaption = nullptr;
    QComboBox *ComboFormat = nullptr;
    QPushButton *CmdSet = nullptr;
    QLabel *LabelSummary = nullptr;
    QCheckBox *CheckKeepEncoding = nullptr;
    QCheckBox *CheckCopyTags = nullptr;
    /// Fades, a loudness target and gain tags for copies.
    QLabel *LabelShapeCaption = nullptr;
    QDoubleSpinBox *spinFadeIn = nullptr;
    QDoubleSpinBox *spinFadeOut = nullptr;
    QComboBox *ComboNormalise = nullptr;
    QCheckBox *chGainTags = nullptr;

    /// The open source's parts, with the commands on them beside the list.
    QGroupBox *FrameParts = nullptr;
    QTableView *Parts = nullptr;
    QPushButton *CmdAddPart = nullptr;
    QPushButton *CmdRemovePart = nullptr;
    QPushButton *CmdSplitHere = nullptr;
    QPushButton *CmdTrimSilence = nullptr;
    QPushButton *CmdImportCue = nullptr;
    QPushButton *CmdExportCue = nullptr;
    QPushButton *CmdFindPauses = nullptr;
    QPushButton *CmdCutAll = nullptr;

    QProgressBar *ProgressConvert = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    /// The status bar's four panels, panel 1 first.
    std::array<QLabel *, 4> panels{};

    void setupUi(QMainWindow *window);
    /// Sets the text of status panel `number` (1 to 4).
    void setPanel(int number, const QString &text) const;
    QString panel(int number) const;
};
