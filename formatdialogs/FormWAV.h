#pragma once

#include "OutputSettings.h"
#include "engine/api/AudioFile.h"

#include <QDialog>

#include <array>

class QGroupBox;
class QPushButton;
class QRadioButton;

/// The WAV options dialog: rate, channels and sample size as three groups of option
/// buttons. OK stores them in `output` and selects WAV output on `writer` with them.
class FormWAV : public QDialog
{
    Q_OBJECT
public:
    FormWAV(engine::OutputSelection &writer, settings::OutputSettings &output,
            QWidget *parent = nullptr);

    void onOkClick();

private:
    engine::OutputSelection &m_writer;
    settings::OutputSettings &m_output;

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
