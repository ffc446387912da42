#pragma once

#include "OutputSettings.h"
#include "engine/api/AudioFile.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

/// The WMA options dialog: the writer's own descriptions of its 47 profiles, with three
/// quick choices for the common ones. OK stores the profile number as `output.outputKind`
/// and selects it on `writer`.
///
/// Reading the descriptions selects every profile in turn, so the writer is left on the
/// last one; whoever opened the dialog selects `outputKind` again afterwards.
class FormWMA : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kProfileCount = 47;

    FormWMA(engine::OutputSelection &writer, settings::OutputSettings &output,
            QWidget *parent = nullptr);

    void onOkClick();

private:
    void selectEntry(int index);
    void onListChanged();

    engine::OutputSelection &m_writer;
    settings::OutputSettings &m_output;

    QLabel *Label1 = nullptr;
    QComboBox *Combo1 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QRadioButton *Option3 = nullptr;
    QButtonGroup *m_quick = nullptr;
    QPushButton *CmdOK = nullptr;
    QPushButton *CmdCancel = nullptr;
};
