#pragma once

#include "OutputDialog.h"
#include "engine/api/Mp3Settings.h"

#include <array>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;

/// The MP3 options dialog: on OK, output().mp3 holds what the controls show.
class FormMp3 : public OutputDialog
{
    Q_OBJECT
public:
    explicit FormMp3(const engine::OutputChoice &output, QWidget *parent = nullptr);

    /// Shows what `settings` holds. The order matters: selecting the VBR method applies the
    /// enabling rule to what the earlier steps filled in.
    void fillFrom(const engine::Mp3Settings &settings);
    /// Preset button `index`: 1..11 are the encoder's presets, 0 is "Default".
    void onPresetClick(int index);
    void onOkClick();

private:
    void buildGeneralPage(QFrame *page);
    void buildVbrPage(QFrame *page);
    void buildPresetsPage(QFrame *page);
    void selectVbrMethod(int index);
    void applyVbrRule();
    void storeControls();

    /// Presets are computed by a settings object of the dialog's own, never by the output's.
    engine::Mp3Settings m_scratch;

    QTabWidget *TabStrip1 = nullptr;
    std::array<QFrame *, 3> Frame1{};

    QGroupBox *Frame2 = nullptr;
    QLabel *Label4 = nullptr;
    QComboBox *ComboQuality = nullptr;
    QLabel *lblBitrate = nullptr;
    QComboBox *ComboBitrate = nullptr;
    QGroupBox *frmChMode = nullptr;
    QComboBox *cmbChMode = nullptr;
    QGroupBox *frmFrequency = nullptr;
    QComboBox *cmbFrequency = nullptr;

    QLabel *Label1 = nullptr;
    QComboBox *cmbVBRCodingMethod = nullptr;
    QGroupBox *frmVbrBitrate = nullptr;
    QLabel *lblVbrBitrate = nullptr;
    QComboBox *ComboVbrBitrate = nullptr;
    QGroupBox *frmVbrAdvanced = nullptr;
    QCheckBox *chStrictlyEnforceMinBitrate = nullptr;
    QCheckBox *chWriteVBRHeader = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *txtVbrQuality = nullptr;
    QLabel *Label3 = nullptr;
    QComboBox *txtAbrBitrate = nullptr;

    std::array<QRadioButton *, 12> opPreset{};

    QPushButton *CmdOK = nullptr;
    QPushButton *CmdCancel = nullptr;
};
