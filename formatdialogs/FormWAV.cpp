#include "FormWAV.h"

#include "DialogParts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace formatdialogs;

namespace {

struct Rate
{
    const char *name;
    const char *caption; ///< as the button shows it, blanks included
    int32_t hz;
};

constexpr Rate kRates[] = {
    {"F1", "8000", 8000},   {"F2", "11025 ", 11025}, {"F3", "16000", 16000}, {"F4", "22050", 22050},
    {"F5", "24000", 24000}, {"F6", "32000", 32000},  {"F7", "44100", 44100}, {"F8", "48000", 48000},
};

} // namespace

FormWAV::FormWAV(const engine::OutputChoice &output, QWidget *parent) : OutputDialog(output, parent)
{
    setUpDialog(this, "FormWAV", tr("WAV Option"));

    Frame1 = frame(this, "Frame1", tr("Frequency (Hz)"));
    auto *rates = new QGridLayout(Frame1);
    for (size_t i = 0; i < F.size(); ++i) {
        F[i] = optionButton(Frame1, kRates[i].name, QString::fromLatin1(kRates[i].caption));
        // Two rows of four, so that the rates rise column by column.
        rates->addWidget(F[i], int(i % 2), int(i / 2));
    }
    Frame2 = frame(this, "Frame2", tr("Channels Mode"));
    P1 = optionButton(Frame2, "P1", tr("Mono"));
    P2 = optionButton(Frame2, "P2", tr("Stereo"));
    auto *channels = new QHBoxLayout(Frame2);
    channels->addWidget(P1);
    channels->addWidget(P2);
    channels->addStretch();
    Frame3 = frame(this, "Frame3", tr("Bits Per Sample"));
    B1 = optionButton(Frame3, "B1", tr("8 Bit"));
    B2 = optionButton(Frame3, "B2", tr("16 Bit"));
    auto *bits = new QHBoxLayout(Frame3);
    bits->addWidget(B1);
    bits->addWidget(B2);
    bits->addStretch();

    auto *column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(Frame1);
    column->addWidget(Frame2);
    column->addWidget(Frame3);
    auto *buttons = new QHBoxLayout;
    addOkCancel(this, buttons, CmdOK, CmdCancel);
    column->addLayout(buttons);
    connect(CmdOK, &QPushButton::clicked, this, &FormWAV::onOkClick);

    // The laid-out choice, which a stored value that matches no button leaves standing.
    F[6]->setChecked(true);
    P2->setChecked(true);
    B2->setChecked(true);
    for (size_t i = 0; i < F.size(); ++i)
        if (kRates[i].hz == m_output.wav.sampleRate)
            F[i]->setChecked(true);
    if (m_output.wav.channels == 1)
        P1->setChecked(true);
    else if (m_output.wav.channels == 2)
        P2->setChecked(true);
    if (m_output.wav.bitsPerSample == 8)
        B1->setChecked(true);
    else if (m_output.wav.bitsPerSample == 16)
        B2->setChecked(true);
}

void FormWAV::onOkClick()
{
    for (size_t i = 0; i < F.size(); ++i)
        if (F[i]->isChecked())
            m_output.wav.sampleRate = kRates[i].hz;
    if (P1->isChecked())
        m_output.wav.channels = 1;
    if (P2->isChecked())
        m_output.wav.channels = 2;
    if (B1->isChecked())
        m_output.wav.bitsPerSample = 8;
    if (B2->isChecked())
        m_output.wav.bitsPerSample = 16;
    accept();
}
