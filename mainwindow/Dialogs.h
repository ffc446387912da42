#pragma once

#include "engine/api/PauseFinder.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

/// The file dialogs and message boxes the window shows. The program uses Qt's; tests answer
/// them and record what was asked.
class Dialogs
{
public:
    enum class Icon
    {
        None,
        Critical
    };

    struct Filter
    {
        QString description;  ///< shown as it stands
        QStringList patterns; ///< what really filters ("*.mp3")
    };

    struct FileRequest
    {
        QString title;        ///< empty: the dialog's own title
        QString folder;       ///< where the dialog starts
        QString proposedName; ///< file name proposed (save dialog)
        QList<Filter> filters;
        int selectedFilter = 0;
        QString defaultSuffix; ///< appended when the user types a name without one
        bool confirmOverwrite = false;
    };

    virtual ~Dialogs() = default;
    /// The chosen path, or empty text when the user cancelled.
    virtual QString openFile(QWidget *parent, const FileRequest &request) = 0;
    virtual QString saveFile(QWidget *parent, const FileRequest &request) = 0;
    virtual void message(QWidget *parent, const QString &text, const QString &title, Icon icon) = 0;
    /// Asks whether the existing file `path` may be replaced; true for "Yes".
    virtual bool confirmReplace(QWidget *parent, const QString &path) = 0;
    /// The folder chosen, starting in `folder`; empty text when the user cancelled.
    virtual QString chooseFolder(QWidget *parent, const QString &title, const QString &folder) = 0;
    /// A question answered Yes (true) or No.
    virtual bool ask(QWidget *parent, const QString &text, const QString &title) = 0;
    /// The file-name template for the parts, starting from `pattern`, with the names
    /// `namesOf` makes of it shown as the user types; nothing when the user cancelled.
    virtual std::optional<QString>
    askPartTemplate(QWidget *parent, const QString &pattern,
                    const std::function<QStringList(const QString &)> &namesOf) = 0;
    /// The threshold and minimum length for finding pauses, starting from `settings`.
    virtual std::optional<engine::PauseSettings>
    askPauseSettings(QWidget *parent, const engine::PauseSettings &settings) = 0;
};

class QtDialogs : public Dialogs
{
public:
    QString openFile(QWidget *parent, const FileRequest &request) override;
    QString saveFile(QWidget *parent, const FileRequest &request) override;
    void message(QWidget *parent, const QString &text, const QString &title, Icon icon) override;
    bool confirmReplace(QWidget *parent, const QString &path) override;
    QString chooseFolder(QWidget *parent, const QString &title, const QString &folder) override;
    bool ask(QWidget *parent, const QString &text, const QString &title) override;
    std::optional<QString>
    askPartTemplate(QWidget *parent, const QString &pattern,
                    const std::function<QStringList(const QString &)> &namesOf) override;
    std::optional<engine::PauseSettings>
    askPauseSettings(QWidget *parent, const engine::PauseSettings &settings) override;
};
