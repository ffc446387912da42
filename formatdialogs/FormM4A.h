#pragma once

#include "OutputDialog.h"

class QCheckBox;
class QComboBox;
class QPushButton;

/// The M4A (AAC) options dialog: rate, channels and bit rate; on OK, output().m4a holds them.
class FormM4A : public OutputDialog
{
    Q_OBJECT
public:
    explicit FormM4A(const engine::OutputChoice &output, QWidget *parent = nullptr);

    void onOkClick();

private:
    QComboBox *cmbFrequency = nullptr;
    QComboBox *cmbChMode = nullptr;
    QComboBox *ComboBitrate = nullptr;
    QCheckBox *chRingtone = nullptr;
    QPushButton *CmdOK = nullptr;
    QPushButton *CmdCancel = nullptr;
};
