#include "FormOGG.h"

#include "DialogParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace formatdialogs;

namespace {

constexpr Frequency kFrequencies[] = {
    {"16,000 Hz", 16000}, {"22,050 Hz", 22050}, {"24,000 Hz", 24000},
    {"32,000 Hz", 32000}, {"44,100 Hz", 44100}, {"48,000 Hz", 48000},
};
/// The last of the rates at which only stereo is offered.
constexpr int kLastStereoOnly = 2;
constexpr int kMono = 0;
constexpr int kStereo = 1;

/// The quality list shows whole quality numbers; the settings keep them times 100.
constexpr int16_t kQualityScale = 100;

std::optional<int16_t> asWorkingValue(int32_t value)
{
    return settings::roundedInto<int16_t>(double(value));
}

} // namespace

FormOGG::FormOGG(const engine::OutputChoice &output, OutputCheck check, ErrorMessage error,
                 QWidget *parent)
    : OutputDialog(output, parent), m_check(std::move(check)), m_error(std::move(error))
{
    setUpDialog(this, "FormOGG", tr("OGG Option"));
    buildControls();
    connectControls();
    load();
}

void FormOGG::buildControls()
{
    frmFrequency = frame(this, "frmFrequency", tr("Sampling Frequency"));
    cmbFrequency = frequencyList(frmFrequency, kFrequencies);
    (new QVBoxLayout(frmFrequency))->addWidget(cmbFrequency);

    frmChMode = frame(this, "frmChMode", tr("Channels Mode"));
    cmbChMode = pickList(frmChMode, "cmbChMode", {tr("Mono"), tr("Stereo")});
    (new QVBoxLayout(frmChMode))->addWidget(cmbChMode);

    frmOption = frame(this, "frmOption", tr("Option"));
    lblBitrate = label(frmOption, "lblBitrate", tr("Bitrate (Kbps):"));
    ComboBitrate = pickList(frmOption, "ComboBitrate", bitrateItems());
    chVbr = checkBox(frmOption, "chVbr", tr("VBR Enabled"));
    chQuality = checkBox(frmOption, "chQuality", tr("Quality Enabled"));
    auto *option = new QGridLayout(frmOption);
    option->addWidget(lblBitrate, 0, 0);
    option->addWidget(ComboBitrate, 0, 1);
    option->addWidget(chVbr, 1, 0, 1, 2);
    option->addWidget(chQuality, 2, 0, 1, 2);
    option->setRowStretch(3, 1);

    frmVbr = frame(this, "frmVbr", tr("VBR"));
    lblMinBitrate = label(frmVbr, "lblMinBitrate", tr("Min Bitrate (Kbps):"));
    ComboMinBitrate = pickList(frmVbr, "ComboMinBitrate", bitrateItems());
    lblMaxBitrate = label(frmVbr, "lblMaxBitrate", tr("Max Bitrate (Kbps):"));
    ComboMaxBitrate = pickList(frmVbr, "ComboMaxBitrate", bitrateItems());
    auto *vbr = new QGridLayout(frmVbr);
    vbr->addWidget(lblMinBitrate, 0, 0);
    vbr->addWidget(ComboMinBitrate, 0, 1);
    vbr->addWidget(lblMaxBitrate, 1, 0);
    vbr->addWidget(ComboMaxBitrate, 1, 1);

    frmQuality = frame(this, "frmQuality", tr("Quality"));
    Label1 = label(frmQuality, "Label1", tr("Quality (Compression):"));
    QStringList qualities;
    for (int n = 1; n <= 10; ++n)
        qualities.append(QString::number(n));
    ComboQuality = pickList(frmQuality, "ComboQuality", qualities);
    auto *quality = new QHBoxLayout(frmQuality);
    quality->addWidget(Label1);
    quality->addWidget(ComboQuality);

    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(frmFrequency, 0, 0);
    grid->addWidget(frmChMode, 0, 1);
    grid->addWidget(frmOption, 1, 0, 2, 1);
    grid->addWidget(frmVbr, 1, 1);
    grid->addWidget(frmQuality, 2, 1);
    auto *buttons = new QHBoxLayout;
    addOkCancel(this, buttons, CmdOK, CmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
}

void FormOGG::connectControls()
{
    connect(CmdOK, &QPushButton::clicked, this, &FormOGG::onOkClick);
    // The user's changes reach the handlers that the code calls after its own changes.
    for (QComboBox *list :
         {cmbFrequency, ComboBitrate, ComboMinBitrate, ComboMaxBitrate, ComboQuality})
        connect(list, &QComboBox::activated, this, [this, list] { onListChanged(list); });
    connect(chQuality, &QCheckBox::clicked, this, &FormOGG::onQualityClick);
    connect(chVbr, &QCheckBox::clicked, this, &FormOGG::onVbrClick);
}

void FormOGG::load()
{
    const engine::OggSettings &ogg = m_output.ogg;
    // A rate the list lacks leaves it without a selection.
    const int frequency = cmbFrequency->findData(ogg.sampleRate);
    if (frequency >= 0)
        select(cmbFrequency, frequency);
    cmbChMode->setCurrentIndex(ogg.channels == 1 ? kMono : kStereo);
    m_bitrate = asWorkingValue(ogg.bitrate).value_or(m_bitrate);
    m_minBitrate = asWorkingValue(ogg.minBitrate).value_or(m_minBitrate);
    m_maxBitrate = asWorkingValue(ogg.maxBitrate).value_or(m_maxBitrate);
    m_vbrEnabled = ogg.vbr;
    m_quality = asWorkingValue(ogg.quality).value_or(m_quality);
    m_qualityEnabled = ogg.useQuality;

    // Selecting in a list runs its change handler, so the working values end up as the
    // lists show them (a rate the list lacks shows, and then is, its first entry).
    select(ComboBitrate, bitrateIndex(m_bitrate));
    select(ComboMinBitrate, bitrateIndex(m_minBitrate));
    select(ComboMaxBitrate, bitrateIndex(m_maxBitrate));
    chVbr->setChecked(m_vbrEnabled);
    onVbrClick();
    chQuality->setChecked(m_qualityEnabled);
    onQualityClick();
    const int qualityItem = ComboQuality->findText(
        QString::number(settings::roundHalfEven(m_quality / double(kQualityScale))));
    if (qualityItem >= 0)
        select(ComboQuality, qualityItem);
}

void FormOGG::select(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    onListChanged(list);
}

void FormOGG::onListChanged(QComboBox *list)
{
    if (list == cmbFrequency) {
        onFrequencyChanged();
        return;
    }
    const auto number = localeInteger<int16_t>(list->currentText());
    if (!number)
        return;
    if (list == ComboQuality)
        m_quality = int16_t(*number * kQualityScale);
    else if (list == ComboBitrate)
        m_bitrate = *number;
    else if (list == ComboMinBitrate)
        m_minBitrate = *number;
    else if (list == ComboMaxBitrate)
        m_maxBitrate = *number;
}

void FormOGG::onFrequencyChanged()
{
    // The lowest rates are offered in stereo only.
    if (cmbFrequency->currentIndex() <= kLastStereoOnly) {
        cmbChMode->setEnabled(false);
        cmbChMode->setCurrentIndex(kStereo);
    } else {
        cmbChMode->setEnabled(true);
    }
}

void FormOGG::onQualityClick()
{
    const bool checked = chQuality->isChecked();
    if (checked) {
        for (QWidget *w : std::initializer_list<QWidget *>{
                 chVbr, frmVbr, ComboBitrate, ComboMinBitrate, ComboMaxBitrate, lblBitrate,
                 lblMinBitrate, lblMaxBitrate})
            w->setEnabled(false);
        frmQuality->setEnabled(true);
        ComboQuality->setEnabled(true);
    } else {
        frmQuality->setEnabled(false);
        ComboQuality->setEnabled(false);
        for (QWidget *w : std::initializer_list<QWidget *>{chVbr, lblBitrate, ComboBitrate})
            w->setEnabled(true);
        onVbrClick();
    }
    m_qualityEnabled = checked;
}

void FormOGG::onVbrClick()
{
    const bool checked = chVbr->isChecked();
    if (checked) {
        for (QWidget *w : std::initializer_list<QWidget *>{frmVbr, ComboMinBitrate, ComboMaxBitrate,
                                                           lblMinBitrate, lblMaxBitrate})
            w->setEnabled(true);
    } else {
        // The VBR frame keeps its state; only what it holds goes grey.
        for (QWidget *w : std::initializer_list<QWidget *>{
                 frmQuality, ComboMinBitrate, ComboMaxBitrate, lblMinBitrate, lblMaxBitrate})
            w->setEnabled(false);
    }
    m_vbrEnabled = checked;
}

void FormOGG::onOkClick()
{
    engine::OutputChoice edited = m_output;
    edited.format = engine::OutputFormat::Ogg;
    engine::OggSettings &ogg = edited.ogg;
    ogg.sampleRate = cmbFrequency->currentIndex() >= 0 ? cmbFrequency->currentData().toInt() : 0;
    ogg.channels = cmbChMode->currentIndex() + 1;
    ogg.bitrate = m_bitrate;
    ogg.minBitrate = m_minBitrate;
    ogg.maxBitrate = m_maxBitrate;
    ogg.quality = m_quality;
    ogg.vbr = chVbr->isChecked();
    ogg.useQuality = m_qualityEnabled;
    if (m_check && m_check(edited).failed()) {
        refuse();
        return;
    }
    m_output.ogg = ogg;
    accept();
}

void FormOGG::refuse()
{
    const QString text = tr("Incorrect format");
    const QString title = tr("Vorn Audio Cutter");
    if (m_error)
        m_error(this, text, title);
    else
        QMessageBox::critical(this, title, text);
}
