#include "FormWMA.h"

#include "DialogParts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace formatdialogs;

namespace {

// The quick choices, by profile number.
constexpr int kNormal = 10;
constexpr int kGood = 14;
constexpr int kPoor = 35;

} // namespace

FormWMA::FormWMA(const engine::OutputChoice &output, const OutputDescription &describe,
                 QWidget *parent)
    : OutputDialog(output, parent)
{
    setUpDialog(this, "FormWMA", tr("WMA Option"));

    Label1 = label(this, "Label1", tr("Presets:"));
    Combo1 = pickList(this, "Combo1", {});
    Option1 = optionButton(this, "Option1", tr("Normal quality. Normal size."));
    Option2 = optionButton(this, "Option2", tr("Good quality. Small size."));
    Option3 = optionButton(this, "Option3", tr("Poor quality. Very small size."));
    m_quick = new QButtonGroup(this);
    m_quick->addButton(Option1, kNormal);
    m_quick->addButton(Option2, kGood);
    m_quick->addButton(Option3, kPoor);

    auto *column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(Label1);
    column->addWidget(Combo1);
    column->addWidget(Option1);
    column->addWidget(Option2);
    column->addWidget(Option3);
    column->addSpacing(twips(this, 120));
    auto *buttons = new QHBoxLayout;
    addOkCancel(this, buttons, CmdOK, CmdCancel);
    column->addLayout(buttons);

    connect(CmdOK, &QPushButton::clicked, this, &FormWMA::onOkClick);
    connect(Combo1, &QComboBox::activated, this, [this] { onListChanged(); });
    connect(m_quick, &QButtonGroup::idClicked, this,
            [this](int profile) { selectEntry(profile - 1); });

    engine::OutputChoice each = output;
    each.format = engine::OutputFormat::Wma;
    for (int profile = 1; profile <= kProfileCount; ++profile) {
        each.wmaProfile = profile;
        const engine::Result<QString> description =
            describe ? describe(each) : engine::Result<QString>(engine::Status::failure(QString()));
        // Entry i stays profile i + 1 even when the engine cannot describe it.
        Combo1->addItem(description ? description.value() : tr("Profile %1").arg(profile));
    }
    Combo1->setCurrentIndex(-1);
    selectEntry(m_output.wmaProfile - 1);
    if (QAbstractButton *quick = m_quick->button(m_output.wmaProfile))
        quick->setChecked(true);
}

void FormWMA::selectEntry(int index)
{
    if (index < 0 || index >= Combo1->count())
        return;
    Combo1->setCurrentIndex(index);
    onListChanged();
}

void FormWMA::onListChanged()
{
    const int profile = Combo1->currentIndex() + 1;
    if (QAbstractButton *quick = m_quick->button(profile)) {
        quick->setChecked(true);
    } else {
        // An exclusive group always keeps one button checked; let go of that for a moment.
        m_quick->setExclusive(false);
        for (QAbstractButton *b : m_quick->buttons())
            b->setChecked(false);
        m_quick->setExclusive(true);
    }
    for (QAbstractButton *b : m_quick->buttons())
        b->update();
}

void FormWMA::onOkClick()
{
    if (Combo1->currentIndex() >= 0)
        m_output.wmaProfile = Combo1->currentIndex() + 1;
    accept();
}
