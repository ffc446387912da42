#include "FormFLAC.h"

#include "DialogParts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace formatdialogs;

FormFLAC::FormFLAC(const engine::OutputChoice &output, QWidget *parent)
    : OutputDialog(output, parent)
{
    setUpDialog(this, "FormFLAC", tr("FLAC Options"));
    auto *column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    const engine::FlacSettings &flac = m_output.flac;
    cmbFrequency =
        framedValueList(this, column, "frmFrequency", tr("Sampling Frequency"), "cmbFrequency",
                        {{tr("As the source"), 0},
                         {QStringLiteral("22,050 Hz"), 22050},
                         {QStringLiteral("32,000 Hz"), 32000},
                         {QStringLiteral("44,100 Hz"), 44100},
                         {QStringLiteral("48,000 Hz"), 48000},
                         {QStringLiteral("88,200 Hz"), 88200},
                         {QStringLiteral("96,000 Hz"), 96000}},
                        flac.sampleRate);
    cmbChMode = framedValueList(this, column, "frmChMode", tr("Channels Mode"), "cmbChMode",
                                {{tr("As the source"), 0}, {tr("Mono"), 1}, {tr("Stereo"), 2}},
                                flac.channels);
    cmbBits = framedValueList(this, column, "frmBits", tr("Bits Per Sample"), "cmbBits",
                              {{tr("As the source"), 0}, {tr("16 Bit"), 16}, {tr("24 Bit"), 24}},
                              flac.bitsPerSample);
    std::vector<ValueItem> levels;
    for (int level = 0; level <= 8; ++level)
        levels.push_back({QString::number(level), level});
    levels.front().caption = tr("0 (fastest)");
    levels.back().caption = tr("8 (smallest)");
    cmbLevel = framedValueList(this, column, "frmLevel", tr("Compression Level"), "cmbLevel",
                               levels, flac.level);
    auto *buttons = new QHBoxLayout;
    addOkCancel(this, buttons, CmdOK, CmdCancel);
    column->addLayout(buttons);
    connect(CmdOK, &QPushButton::clicked, this, &FormFLAC::onOkClick);
}

void FormFLAC::onOkClick()
{
    engine::FlacSettings &flac = m_output.flac;
    flac.sampleRate = shownValue(cmbFrequency);
    flac.channels = shownValue(cmbChMode);
    flac.bitsPerSample = shownValue(cmbBits);
    flac.level = shownValue(cmbLevel);
    accept();
}
