#include "FormMp3.h"

#include "DialogParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <initializer_list>

using namespace formatdialogs;

namespace {

constexpr Frequency kFrequencies[] = {
    {"  8 000 Hz", 8000}, {"11 025 Hz", 11025}, {"12 000 Hz ", 12000},
    {"16 000 Hz", 16000}, {"22 050 Hz", 22050}, {"24 000 Hz", 24000},
    {"32 000 Hz", 32000}, {"44 100 Hz", 44100}, {"48 000 Hz", 48000},
};

constexpr int kMono = 0;
constexpr int kStereo = 1;
constexpr int kNoVbr = 0;
constexpr int kAbr = 5;
constexpr int kGeneralTab = 0;

// The page area the three tabs share, in twips.
constexpr int kPageWidth = 5460;
constexpr int kPageHeight = 2835;

QStringList numbers(int from, int to)
{
    QStringList items;
    for (int n = from; n <= to; ++n)
        items.append(QString::number(n));
    return items;
}

} // namespace

FormMp3::FormMp3(const engine::OutputChoice &output, QWidget *parent) : OutputDialog(output, parent)
{
    setUpDialog(this, "FormMp3", tr("Mp3 Option"));

    TabStrip1 = new QTabWidget(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    const QString tabs[] = {tr("General"), tr("VBR"), tr("Presets")};
    for (size_t i = 0; i < Frame1.size(); ++i) {
        Frame1[i] = new QFrame(TabStrip1);
        Frame1[i]->setObjectName(QStringLiteral("Frame1_%1").arg(i));
        Frame1[i]->setFrameShape(QFrame::NoFrame);
        Frame1[i]->setMinimumSize(twips(this, kPageWidth), twips(this, kPageHeight));
        TabStrip1->addTab(Frame1[i], tabs[i]);
    }
    buildGeneralPage(Frame1[0]);
    buildVbrPage(Frame1[1]);
    buildPresetsPage(Frame1[2]);

    auto *column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(TabStrip1);
    auto *buttons = new QHBoxLayout;
    addOkCancel(this, buttons, CmdOK, CmdCancel);
    column->addLayout(buttons);

    connect(CmdOK, &QPushButton::clicked, this, &FormMp3::onOkClick);
    // The user's picks reach the same handlers that the code calls after its own changes.
    connect(cmbVBRCodingMethod, &QComboBox::activated, this, [this] { applyVbrRule(); });
    for (size_t i = 0; i < opPreset.size(); ++i)
        connect(opPreset[i], &QRadioButton::clicked, this, [this, i] { onPresetClick(int(i)); });

    TabStrip1->setCurrentIndex(kGeneralTab);
    fillFrom(m_output.mp3);
    m_scratch = engine::Mp3Settings();
}

void FormMp3::buildGeneralPage(QFrame *page)
{
    Frame2 = frame(page, "Frame2", tr("Option"));
    Label4 = label(Frame2, "Label4", tr("Encoder Quality:"));
    ComboQuality = pickList(Frame2, "ComboQuality", numbers(0, 9));
    lblBitrate = label(Frame2, "lblBitrate", tr("Bitrate (Kbps):"));
    ComboBitrate = pickList(Frame2, "ComboBitrate", bitrateItems());
    auto *option = new QGridLayout(Frame2);
    option->addWidget(Label4, 0, 0);
    option->addWidget(ComboQuality, 0, 1);
    option->addWidget(lblBitrate, 1, 0);
    option->addWidget(ComboBitrate, 1, 1);
    option->setRowStretch(2, 1);

    frmChMode = frame(page, "frmChMode", tr("Channels Mode"));
    cmbChMode = pickList(frmChMode, "cmbChMode",
                         {tr("Mono"), tr("Stereo"), tr("Joint Stereo"), tr("Forced Joint Stereo"),
                          tr("Dual Channels")});
    (new QVBoxLayout(frmChMode))->addWidget(cmbChMode);

    frmFrequency = frame(page, "frmFrequency", tr("Sampling Frequency"));
    cmbFrequency = frequencyList(frmFrequency, kFrequencies);
    (new QVBoxLayout(frmFrequency))->addWidget(cmbFrequency);

    auto *grid = new QGridLayout(page);
    grid->addWidget(Frame2, 0, 0, 2, 1);
    grid->addWidget(frmChMode, 0, 1);
    grid->addWidget(frmFrequency, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
}

void FormMp3::buildVbrPage(QFrame *page)
{
    Label1 = label(page, "Label1", tr("VBR Option:"));
    cmbVBRCodingMethod =
        pickList(page, "cmbVBRCodingMethod",
                 {tr("No VBR"), tr("Default"), tr("Old"), tr("New"), tr("MTRH"), tr("ABR")});

    frmVbrBitrate = frame(page, "frmVbrBitrate", tr("Maximum VBR Bitrate"));
    lblVbrBitrate = label(frmVbrBitrate, "lblVbrBitrate", tr("VBR Bitrate: (kbps)"));
    ComboVbrBitrate = pickList(frmVbrBitrate, "ComboVbrBitrate", bitrateItems());
    auto *maximum = new QVBoxLayout(frmVbrBitrate);
    maximum->addWidget(lblVbrBitrate);
    maximum->addWidget(ComboVbrBitrate);
    maximum->addStretch();

    frmVbrAdvanced = frame(page, "frmVbrAdvanced", tr("Advanced"));
    chStrictlyEnforceMinBitrate = checkBox(frmVbrAdvanced, "chStrictlyEnforceMinBitrate",
                                           tr("Strictly enforce minimum bitrate"));
    chWriteVBRHeader = checkBox(frmVbrAdvanced, "chWriteVBRHeader", tr("Write VBR Header"));
    auto *advanced = new QVBoxLayout(frmVbrAdvanced);
    advanced->addWidget(chStrictlyEnforceMinBitrate);
    advanced->addWidget(chWriteVBRHeader);
    advanced->addStretch();

    Label2 = label(page, "Label2", tr("VBR Quality:"));
    txtVbrQuality = editableList(page, "txtVbrQuality", numbers(0, 9));
    Label3 = label(page, "Label3", tr("Targed bitrate for ABR:"));
    txtAbrBitrate = editableList(page, "txtAbrBitrate", numbers(10, 310));

    auto *grid = new QGridLayout(page);
    auto *top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(cmbVBRCodingMethod);
    top->addStretch();
    grid->addLayout(top, 0, 0, 1, 2);
    grid->addWidget(frmVbrBitrate, 1, 0);
    grid->addWidget(frmVbrAdvanced, 1, 1);
    auto *quality = new QHBoxLayout;
    quality->addWidget(Label2);
    quality->addWidget(txtVbrQuality, 1);
    auto *abr = new QHBoxLayout;
    abr->addWidget(Label3);
    abr->addWidget(txtAbrBitrate, 1);
    grid->addLayout(quality, 2, 0);
    grid->addLayout(abr, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
}

void FormMp3::buildPresetsPage(QFrame *page)
{
    // Column by column: the numbered presets in order, "Default" closing the third column.
    const QString captions[] = {tr("Default"), tr("Phone"), tr("SW"),     tr("AM"),
                                tr("FM"),      tr("Voice"), tr("Radio"),  tr("Tape"),
                                tr("HiFi"),    tr("CD"),    tr("Studio"), tr("R3Mix")};
    auto *grid = new QGridLayout(page);
    for (size_t i = 0; i < opPreset.size(); ++i) {
        const QByteArray name = "opPreset_" + QByteArray::number(qulonglong(i));
        opPreset[i] = optionButton(page, name.constData(), captions[i]);
        const int slot = i == 0 ? 11 : int(i) - 1;
        grid->addWidget(opPreset[i], slot % 4, slot / 4);
    }
    QFont bold = opPreset[0]->font();
    bold.setBold(true);
    opPreset[0]->setFont(bold);
}

void FormMp3::fillFrom(const engine::Mp3Settings &settings)
{
    const int frequency = cmbFrequency->findData(settings.sampleRate);
    if (frequency >= 0)
        cmbFrequency->setCurrentIndex(frequency);
    const int quality = ComboQuality->findText(QString::number(settings.quality));
    if (quality >= 0)
        ComboQuality->setCurrentIndex(quality);
    ComboBitrate->setCurrentIndex(bitrateIndex(settings.bitrate));
    ComboVbrBitrate->setCurrentIndex(bitrateIndex(settings.maxVbrBitrate));
    txtVbrQuality->setEditText(QString::number(settings.vbrQuality));
    if (settings.vbrMethod >= engine::Mp3Settings::VbrNone &&
        settings.vbrMethod <= engine::Mp3Settings::VbrAbr)
        selectVbrMethod(settings.vbrMethod + 1);
    txtAbrBitrate->setEditText(QString::number(settings.abrBitrate));
    if (settings.channels == 1)
        cmbChMode->setCurrentIndex(kMono);
    else if (settings.channelMode >= 0 && settings.channelMode < cmbChMode->count())
        cmbChMode->setCurrentIndex(settings.channelMode);
    chWriteVBRHeader->setChecked(settings.writeVbrHeader);
    chStrictlyEnforceMinBitrate->setChecked(settings.strictMinimum);
}

void FormMp3::selectVbrMethod(int index)
{
    cmbVBRCodingMethod->setCurrentIndex(index);
    applyVbrRule();
}

void FormMp3::applyVbrRule()
{
    const auto vbrControls = {static_cast<QWidget *>(frmVbrBitrate),
                              static_cast<QWidget *>(frmVbrAdvanced),
                              static_cast<QWidget *>(lblVbrBitrate),
                              static_cast<QWidget *>(ComboVbrBitrate),
                              static_cast<QWidget *>(chWriteVBRHeader),
                              static_cast<QWidget *>(chStrictlyEnforceMinBitrate)};
    const int method = cmbVBRCodingMethod->currentIndex();
    if (method == kNoVbr) {
        for (QWidget *w : vbrControls)
            w->setEnabled(false);
        txtVbrQuality->setEnabled(false);
        txtAbrBitrate->setEnabled(false);
        return;
    }
    txtVbrQuality->setEnabled(method != kAbr);
    txtAbrBitrate->setEnabled(method == kAbr);
    for (QWidget *w : vbrControls)
        w->setEnabled(true);
}

void FormMp3::onPresetClick(int index)
{
    if (index == 0) {
        // Fixed values, not a preset of the encoder: the VBR fields keep what they hold.
        cmbFrequency->setCurrentIndex(cmbFrequency->findData(44100));
        cmbChMode->setCurrentIndex(kStereo);
        ComboBitrate->setCurrentIndex(bitrateIndex(96));
        ComboQuality->setCurrentIndex(5);
        selectVbrMethod(kNoVbr);
    } else if (m_scratch.applyPreset(index)) {
        fillFrom(m_scratch);
    }
    TabStrip1->setCurrentIndex(kGeneralTab);
}

// Each setting is taken on its own: one that cannot be read or converted keeps the
// previous value and the others still go through.
void FormMp3::storeControls()
{
    if (cmbFrequency->currentIndex() >= 0)
        m_output.mp3.sampleRate = cmbFrequency->currentData().toInt();
    if (cmbVBRCodingMethod->currentIndex() >= 0)
        m_output.mp3.vbrMethod = cmbVBRCodingMethod->currentIndex() - 1;
    if (auto kbps = localeInteger<int32_t>(ComboBitrate->currentText()))
        m_output.mp3.bitrate = *kbps;
    if (auto quality = localeInteger<int16_t>(ComboQuality->currentText()))
        m_output.mp3.quality = *quality;
    if (auto kbps = localeInteger<int32_t>(ComboVbrBitrate->currentText()))
        m_output.mp3.maxVbrBitrate = *kbps;
    const int mode = cmbChMode->currentIndex();
    if (mode == kMono) {
        // Mono keeps the channel mode it had, for when stereo comes back.
        m_output.mp3.channels = 1;
    } else if (mode > kMono) {
        m_output.mp3.channels = 2;
        m_output.mp3.channelMode = mode;
    }
    m_output.mp3.writeVbrHeader = chWriteVBRHeader->isChecked();
    m_output.mp3.strictMinimum = chStrictlyEnforceMinBitrate->isChecked();
    if (auto kbps = localeInteger<int16_t>(txtAbrBitrate->currentText()))
        m_output.mp3.abrBitrate = *kbps;
    if (auto quality = localeInteger<int16_t>(txtVbrQuality->currentText()))
        m_output.mp3.vbrQuality = *quality;
}

void FormMp3::onOkClick()
{
    storeControls();
    accept();
}
