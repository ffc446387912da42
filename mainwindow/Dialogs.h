#pragma once

#include <QList>
#include <QString>
#include <QStringList>

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
};

class QtDialogs : public Dialogs
{
public:
    QString openFile(QWidget *parent, const FileRequest &request) override;
    QString saveFile(QWidget *parent, const FileRequest &request) override;
    void message(QWidget *parent, const QString &text, const QString &title, Icon icon) override;
    bool confirmReplace(QWidget *parent, const QString &path) override;
};
