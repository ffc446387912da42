#pragma once

#include "OutputDialog.h"

#include <array>

class QGroupBox;
class QPushButton;
class QRadioButton;

/// The WAV options dialog: rate, channels and sample size as three groups of option
/// buttons; on OK, output().wav holds them.
class FormWAV : public OutputDialog
{
    Q_OBJECT
public:
    explicit FormWAV(const engine::OutputChoice &output, QWidget *parent = nullptr);

    void onOkClick();

private:
    QGroupBox *Frame1 = nullptr;
    std::array<QRadioButton *, 8> F{}; ///< F1 .. F8
    QGroupBox *Frame2 = nullptr;
    QRadioButton *P1 = nullptr;
    QRadioButton *P2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QRadioButton *B1 = nullptr;
    QRadioButton *B2 = nullptr;
    QPushButton *CmdOK = nullptr;
    QPushButton *CmdCancel = nullptr;
};
