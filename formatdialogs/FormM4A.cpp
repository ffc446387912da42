#include "FormM4A.h"

#include "DialogParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace formatdialogs;

namespace {
constexpr int32_t kBitrates[] = {32, 48, 64, 96, 128, 160, 192, 224, 256, 320};
} // namespace

FormM4A::FormM4A(const engine::OutputChoice &output, QWidget *parent) : OutputDialog(output, parent)
{
    setUpDialog(this, "FormM4A", tr("M4A Options"));
    auto *column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    const engine::M4aSettings &m4a = m_output.m4a;
    cmbFrequency =
        framedValueList(this, column, "frmFrequency", tr("Sampling Frequency"), "cmbFrequency",
                        {{QStringLiteral("16,000 Hz"), 16000},
                         {QStringLiteral("22,050 Hz"), 22050},
                         {QStringLiteral("24,000 Hz"), 24000},
                         {QStringLiteral("32,000 Hz"), 32000},
                         {QStringLiteral("44,100 Hz"), 44100},
                         {QStringLiteral("48,000 Hz"), 48000}},
                        m4a.sampleRate);
    cmbChMode = framedValueList(this, column, "frmChMode", tr("Channels Mode"), "cmbChMode",
                                {{tr("Mono"), 1}, {tr("Stereo"), 2}}, m4a.channels);
    std::vector<ValueItem> rates;
    for (int32_t kbps : kBitrates)
        rates.push_back({QString::number(kbps), kbps});
    ComboBitrate = framedValueList(this, column, "frmBitrate", tr("Bitrate (Kbps)"), "ComboBitrate",
                                   rates, m4a.bitrate);
    chRingtone = named<QCheckBox>(this, "chRingtone");
    chRingtone->setText(tr("M4R (ringtone)"));
    chRingtone->setToolTip(tr("Saved with the .m4r extension that phones look for"));
    chRingtone->setChecked(m4a.ringtone);
    column->addWidget(chRingtone);
    auto *buttons = new QHBoxLayout;
    addOkCancel(this, buttons, CmdOK, CmdCancel);
    column->addLayout(buttons);
    connect(CmdOK, &QPushButton::clicked, this, &FormM4A::onOkClick);
}

void FormM4A::onOkClick()
{
    engine::M4aSettings &m4a = m_output.m4a;
    m4a.sampleRate = shownValue(cmbFrequency);
    m4a.channels = shownValue(cmbChMode);
    m4a.bitrate = shownValue(ComboBitrate);
    m4a.ringtone = chRingtone->isChecked();
    accept();
}
