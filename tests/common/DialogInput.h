#pragma once
// What a user does to a dialog's controls, each found by its object name.
#include <QAbstractButton>
#include <QComboBox>
#include <QtTest>

/// Picks `item` from list `name`: the selection changes and the list says it was activated.
inline void pick(const QWidget &dialog, const char *name, const QString &item)
{
    auto *list = dialog.findChild<QComboBox *>(QString::fromLatin1(name));
    QVERIFY2(list, name);
    const int index = list->findText(item);
    QVERIFY2(index >= 0, qPrintable(item));
    list->setCurrentIndex(index);
    emit list->activated(index);
}

inline void click(const QWidget &dialog, const QString &name)
{
    auto *button = dialog.findChild<QAbstractButton *>(name);
    QVERIFY2(button, qPrintable(name));
    button->click();
}

inline void click(const QWidget &dialog, const char *name)
{
    click(dialog, QString::fromLatin1(name));
}
