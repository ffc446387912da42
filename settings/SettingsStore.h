#pragma once

#include <QString>

class QSettings;

namespace settings {

/// The per-user settings the program reads. It never writes one.
class SettingsStore
{
public:
    /// `store` is read under "Vorn Media/Vorn Audio Cutter" in the program and a scratch file
    /// in tests; it must outlive this object.
    explicit SettingsStore(QSettings &store) : m_store(store) {}

    /// The value's text: a string as stored (a terminating NUL counted into it removed), a
    /// number as decimal text; anything else, or nothing, is empty text.
    QString ReadSetting(const QString &valueName) const;

private:
    QSettings &m_store;
};

} // namespace settings
