#pragma once

#include <cstdint>
#include <span>

#include "TextNumbers.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

/// Pieces the program's code-built windows share: named controls and the program's font; for
/// the four option dialogs also the bit-rate list, the OK/Cancel row and the conversion of
/// typed numbers.
namespace formatdialogs {

/// A new child control of `parent` whose object name is `name`.
template <typename T> T *named(QWidget *parent, const char *name)
{
    auto *widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

/// Tahoma at 8 points, the font every window of the program is laid out for.
void useProgramFont(QWidget *window);

/// One entry of a sampling-frequency list: its caption as shown, blanks included, and its rate.
struct Frequency
{
    const char *caption;
    int32_t hz;
};

/// The "cmbFrequency" list of `entries`, each carrying its rate as item data, none selected.
QComboBox *frequencyList(QWidget *parent, std::span<const Frequency> entries);

/// The dialogs' own font and modality; the title is the caption the window bar shows.
void setUpDialog(QDialog *dialog, const char *name, const QString &title);

QLabel *label(QWidget *parent, const char *name, const QString &caption);
QGroupBox *frame(QWidget *parent, const char *name, const QString &title);
/// A drop-down the user can only pick from, starting with nothing selected.
QComboBox *pickList(QWidget *parent, const char *name, const QStringList &items);
/// A drop-down with a list of suggestions that also takes free text, starting empty.
QComboBox *editableList(QWidget *parent, const char *name, const QStringList &items);
QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption);
QRadioButton *optionButton(QWidget *parent, const char *name, const QString &caption);
/// Adds "OK" (the default button) and "Cancel" at the right of `row`; Esc cancels too.
void addOkCancel(QDialog *dialog, QBoxLayout *row, QPushButton *&ok, QPushButton *&cancel);

/// Pixels for a length in twips (1/1440 inch) at the widget's logical resolution.
int twips(const QWidget *widget, int twips);

/// One entry of a list whose items stand for numbers: its caption and its number.
struct ValueItem
{
    QString caption;
    int32_t value;
};

/// A framed pick list of `items` (each carrying its number as item data) showing `value`;
/// a value the list lacks shows as its first entry. The frame goes into `column`.
QComboBox *framedValueList(QWidget *parent, QBoxLayout *column, const char *frameName,
                           const QString &title, const char *listName,
                           const std::vector<ValueItem> &items, int32_t value);
/// The number of the item shown.
int32_t shownValue(const QComboBox *list);

/// The bit rates (kbit/s) the MP3 and OGG lists offer, in list order.
QStringList bitrateItems();
/// The list index that shows `kbps`; a rate the list does not hold shows as its first entry.
int bitrateIndex(int32_t kbps);

/// A typed number as a whole number of type T: the locale's number format, a fraction
/// rounded half to even. Nothing for empty or non-numeric text or a value outside T.
template <typename T>
std::optional<T> localeInteger(const QString &text, const QLocale &locale = QLocale())
{
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    return settings::roundedInto<T>(value);
}

} // namespace formatdialogs
