#include "FormOpus.h"

#include "DialogParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace formatdialogs;

namespace {
constexpr int32_t kBitrates[] = {6,  8,   12,  16,  24,  32,  48,  64,
                                 96, 128, 160, 192, 256, 320, 384, 510};
/// libopus takes no more than this a channel.
constexpr int32_t kMaxKbpsPerChannel = 256;
} // namespace

FormOpus::FormOpus(const engine::OutputChoice &output, QWidget *parent)
    : OutputDialog(output, parent)
{
    setUpDialog(this, "FormOpus", tr("Opus Options"));
    auto *column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    const engine::OpusSettings &opus = m_output.opus;
    cmbChMode = framedValueList(this, column, "frmChMode", tr("Channels Mode"), "cmbChMode",
                                {{tr("Mono"), 1}, {tr("Stereo"), 2}}, opus.channels);
    std::vector<ValueItem> rates;
    for (int32_t kbps : kBitrates)
        rates.push_back({QString::number(kbps), kbps});
    ComboBitrate = framedValueList(this, column, "frmBitrate", tr("Bitrate (Kbps)"), "ComboBitrate",
                                   rates, opus.bitrate);
    cmbMode = framedValueList(this, column, "frmMode", tr("Bitrate Mode"), "cmbMode",
                              {{tr("VBR"), engine::OpusSettings::Vbr},
                               {tr("Constrained VBR"), engine::OpusSettings::ConstrainedVbr},
                               {tr("CBR"), engine::OpusSettings::Cbr}},
                              opus.mode);
    chVoice = checkBox(this, "chVoice", tr("Tuned for speech"));
    chVoice->setChecked(opus.voice);
    column->addWidget(chVoice);
    auto *buttons = new QHBoxLayout;
    addOkCancel(this, buttons, CmdOK, CmdCancel);
    column->addLayout(buttons);
    connect(CmdOK, &QPushButton::clicked, this, &FormOpus::onOkClick);
}

void FormOpus::onOkClick()
{
    engine::OpusSettings &opus = m_output.opus;
    opus.channels = shownValue(cmbChMode);
    // A mono stream cannot take more than one channel's worth.
    opus.bitrate = std::min(shownValue(ComboBitrate), kMaxKbpsPerChannel * opus.channels);
    opus.mode = shownValue(cmbMode);
    opus.voice = chVoice->isChecked();
    accept();
}
