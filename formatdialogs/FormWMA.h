#pragma once

#include "OutputDialog.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

/// The WMA options dialog: the engine's own descriptions of its 47 profiles, with three
/// quick choices for the common ones; on OK, output().wmaProfile is the one chosen.
class FormWMA : public OutputDialog
{
    Q_OBJECT
public:
    static constexpr int kProfileCount = engine::kWmaProfileCount;

    FormWMA(const engine::OutputChoice &output, const OutputDescription &describe,
            QWidget *parent = nullptr);

    void onOkClick();

private:
    void selectEntry(int index);
    void onListChanged();

    QLabel *Label1 = nullptr;
    QComboBox *Combo1 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QRadioButton *Option3 = nullptr;
    QButtonGroup *m_quick = nullptr;
    QPushButton *CmdOK = nullptr;
    QPushButton *CmdCancel = nullptr;
};
