#pragma once

#include "engine/api/OutputChoice.h"
#include "engine/api/PartList.h"

#include <QRect>
#include <QString>

#include <optional>

class QSettings;

namespace settings {

/// The per-user settings: the output chosen ("LastFormat", "KeepEncoding", "CopyTags" and each
/// format's settings), "LastFolder" and the main window's place.
class SettingsStore
{
public:
    /// `store` is the user's "Vorn Media/Vorn Audio Cutter" in the program and a scratch file
    /// in tests; it must outlive this object.
    explicit SettingsStore(QSettings &store) : m_store(store) {}

    /// The value's text: a string as stored (a terminating NUL counted into it removed), a
    /// number as decimal text; anything else, or nothing, is empty text.
    QString ReadSetting(const QString &valueName) const;
    /// Stores `text` as a string value, so that ReadSetting gives it back unchanged.
    void WriteSetting(const QString &valueName, const QString &text);

    /// A rectangle stored by WriteRect; nothing when the value is missing or not four whole
    /// numbers with a size above zero.
    std::optional<QRect> ReadRect(const QString &valueName) const;
    /// Stores `rect` as the text "x,y,width,height".
    void WriteRect(const QString &valueName, const QRect &rect);

    /// The output as last stored. What is missing or cannot be used keeps the default: the
    /// first format, a format's settings that no dialog could show, a number that is not one.
    engine::OutputChoice ReadOutput() const;
    /// Stores every part of `output`, so that ReadOutput gives it back.
    void WriteOutput(const engine::OutputChoice &output);

    /// The part list last stored for the source at `sourcePath`; empty when there is none.
    engine::PartList ReadParts(const QString &sourcePath) const;
    /// Keeps `parts` for `sourcePath`, most recent first; only the lists of the
    /// kRecentPartLists sources used last are kept, and an empty list is simply forgotten.
    void WriteParts(const QString &sourcePath, const engine::PartList &parts);
    static constexpr int kRecentPartLists = 20;

private:
    template <typename T> void readNumber(const QString &valueName, T &value) const;
    void readFlag(const QString &valueName, bool &value) const;

    QSettings &m_store;
};

} // namespace settings
