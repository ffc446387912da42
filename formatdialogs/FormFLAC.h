#pragma once

#include "OutputDialog.h"

class QComboBox;
class QPushButton;

/// The FLAC options dialog: rate and channels (the source's, or a chosen one), sample size
/// and compression level; on OK, output().flac holds them.
class FormFLAC : public OutputDialog
{
    Q_OBJECT
public:
    explicit FormFLAC(const engine::OutputChoice &output, QWidget *parent = nullptr);

    void onOkClick();

private:
    QComboBox *cmbFrequency = nullptr;
    QComboBox *cmbChMode = nullptr;
    QComboBox *cmbBits = nullptr;
    QComboBox *cmbLevel = nullptr;
    QPushButton *CmdOK = nullptr;
    QPushButton *CmdCancel = nullptr;
};
