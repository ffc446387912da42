#include "DialogParts.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <array>

namespace formatdialogs {

namespace {

constexpr std::array<int32_t, 15> kBitrates = {8,   16,  24,  32,  48,  56,  64, 96,
                                               112, 128, 160, 192, 224, 256, 320};

/// A control of `T` showing `caption` through its setText.
template <typename T> T *captioned(QWidget *parent, const char *name, const QString &caption)
{
    auto *widget = named<T>(parent, name);
    widget->setText(caption);
    return widget;
}

} // namespace

void useProgramFont(QWidget *window)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    window->setFont(font);
}

void setUpDialog(QDialog *dialog, const char *name, const QString &title)
{
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowTitle(title);
    dialog->setModal(true);
    useProgramFont(dialog);
}

QLabel *label(QWidget *parent, const char *name, const QString &caption)
{
    return captioned<QLabel>(parent, name, caption);
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &title)
{
    auto *f = named<QGroupBox>(parent, name);
    f->setTitle(title);
    return f;
}

QComboBox *pickList(QWidget *parent, const char *name, const QStringList &items)
{
    auto *list = named<QComboBox>(parent, name);
    list->addItems(items);
    list->setCurrentIndex(-1);
    return list;
}

QComboBox *editableList(QWidget *parent, const char *name, const QStringList &items)
{
    QComboBox *list = pickList(parent, name, items);
    list->setEditable(true);
    // What the user types is a value, not a new suggestion.
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setCurrentIndex(-1);
    list->setEditText(QString());
    return list;
}

QComboBox *frequencyList(QWidget *parent, std::span<const Frequency> entries)
{
    QComboBox *list = pickList(parent, "cmbFrequency", {});
    for (const Frequency &f : entries)
        list->addItem(QString::fromLatin1(f.caption), f.hz);
    list->setCurrentIndex(-1);
    return list;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption)
{
    return captioned<QCheckBox>(parent, name, caption);
}

QRadioButton *optionButton(QWidget *parent, const char *name, const QString &caption)
{
    return captioned<QRadioButton>(parent, name, caption);
}

void addOkCancel(QDialog *dialog, QBoxLayout *row, QPushButton *&ok, QPushButton *&cancel)
{
    ok = named<QPushButton>(dialog, "CmdOK");
    ok->setText(QObject::tr("OK"));
    ok->setDefault(true);
    cancel = named<QPushButton>(dialog, "CmdCancel");
    cancel->setText(QObject::tr("Cancel"));
    // QDialog answers Esc and the window's close button with reject(), as Cancel does.
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
}

int twips(const QWidget *widget, int twips)
{
    return qRound(twips * widget->logicalDpiX() / 1440.0);
}

QStringList bitrateItems()
{
    QStringList items;
    for (int32_t kbps : kBitrates)
        items.append(QString::number(kbps));
    return items;
}

int bitrateIndex(int32_t kbps)
{
    for (size_t i = 1; i < kBitrates.size(); ++i)
        if (kBitrates[i] == kbps)
            return int(i);
    return 0;
}

QComboBox *framedValueList(QWidget *parent, QBoxLayout *column, const char *frameName,
                           const QString &title, const char *listName,
                           const std::vector<ValueItem> &items, int32_t value)
{
    QGroupBox *box = frame(parent, frameName, title);
    QComboBox *list = pickList(box, listName, {});
    for (const ValueItem &item : items)
        list->addItem(item.caption, item.value);
    list->setCurrentIndex(std::max(0, list->findData(value)));
    (new QVBoxLayout(box))->addWidget(list);
    column->addWidget(box);
    return list;
}

int32_t shownValue(const QComboBox *list)
{
    return list->currentData().toInt();
}

} // namespace formatdialogs
