#include "SettingsStore.h"

#include <QSettings>
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

} // namespace settings
