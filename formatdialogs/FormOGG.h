#pragma once

#include "OutputDialog.h"

#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

/// The OGG Vorbis options dialog. On OK it has `check` answer for what the controls show and
/// refuses what cannot be encoded with "Incorrect format", staying open; accepted,
/// output().ogg holds it.
class FormOGG : public OutputDialog
{
    Q_OBJECT
public:
    /// Shows an error message box with the critical icon: (parent, text, title).
    using ErrorMessage =
        std::function<void(QWidget *parent, const QString &text, const QString &title)>;

    /// Without `error` the refusal is shown in a plain Qt message box.
    FormOGG(const engine::OutputChoice &output, OutputCheck check, ErrorMessage error = {},
            QWidget *parent = nullptr);

    void onOkClick();

private:
    void buildControls();
    void connectControls();
    void load();
    /// Selects item `index` of `list` and runs the list's change handler.
    void select(QComboBox *list, int index);
    void onListChanged(QComboBox *list);
    void onFrequencyChanged();
    void onQualityClick();
    void onVbrClick();
    /// Tells the user the combination cannot be encoded; the dialog stays open.
    void refuse();

    OutputCheck m_check;
    ErrorMessage m_error;

    // The values the controls stand for, kept by their change handlers.
    int16_t m_bitrate = 0;
    int16_t m_minBitrate = 0;
    int16_t m_maxBitrate = 0;
    int16_t m_quality = 0;
    bool m_vbrEnabled = false;
    bool m_qualityEnabled = false;

    QGroupBox *frmFrequency = nullptr;
    QComboBox *cmbFrequency = nullptr;
    QGroupBox *frmChMode = nullptr;
    QComboBox *cmbChMode = nullptr;
    QGroupBox *frmOption = nullptr;
    QLabel *lblBitrate = nullptr;
    QComboBox *ComboBitrate = nullptr;
    QCheckBox *chVbr = nullptr;
    QCheckBox *chQuality = nullptr;
    QGroupBox *frmVbr = nullptr;
    QLabel *lblMinBitrate = nullptr;
    QComboBox *ComboMinBitrate = nullptr;
    QLabel *lblMaxBitrate = nullptr;
    QComboBox *ComboMaxBitrate = nullptr;
    QGroupBox *frmQuality = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *ComboQuality = nullptr;
    QPushButton *CmdOK = nullptr;
    QPushButton *CmdCancel = nullptr;
};
