#pragma once

#include "OutputDialog.h"

class QCheckBox;
class QComboBox;
class QPushButton;

/// The Opus options dialog: channels, bit rate, how the rate may vary, and speech tuning;
/// on OK, output().opus holds them. Opus is always written at 48,000 Hz.
class FormOpus : public OutputDialog
{
    Q_OBJECT
public:
    explicit FormOpus(const engine::OutputChoice &output, QWidget *parent = nullptr);

    void onOkClick();

private:
    QComboBox *cmbChMode = nullptr;
    QComboBox *ComboBitrate = nullptr;
    QComboBox *cmbMode = nullptr;
    QCheckBox *chVoice = nullptr;
    QPushButton *CmdOK = nullptr;
    QPushButton *CmdCancel = nullptr;
};
