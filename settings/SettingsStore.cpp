#include "SettingsStore.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace settings {

QString SettingsStore::ReadSetting(const QString &valueName) const
{
    const QVariant value = m_store.value(valueName);
    QString text;
    switch (value.typeId()) {
    case QMetaType::QString:
        text = value.toString();
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        text = QString::number(value.toLongLong());
        break;
    default:
        return QString();
    }
    if (!text.isEmpty() && text.front() == QChar(u'\0'))
        return QString();
    if (!text.isEmpty() && text.back() == QChar(u'\0'))
        text.chop(1);
    return text;
}

void SettingsStore::WriteSetting(const QString &valueName, const QString &text)
{
    m_store.setValue(valueName, text);
}

std::optional<QRect> SettingsStore::ReadRect(const QString &valueName) const
{
    const QStringList parts = ReadSetting(valueName).split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    int numbers[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    const QRect rect(numbers[0], numbers[1], numbers[2], numbers[3]);
    if (rect.width() <= 0 || rect.height() <= 0)
        return std::nullopt;
    return rect;
}

void SettingsStore::WriteRect(const QString &valueName, const QRect &rect)
{
    WriteSetting(valueName, QStringLiteral("%1,%2,%3,%4")
                                .arg(rect.x())
                                .arg(rect.y())
                                .arg(rect.width())
                                .arg(rect.height()));
}

} // namespace settings
