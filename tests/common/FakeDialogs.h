#pragma once

#include "Dialogs.h"

#include <QList>
#include <QStringList>

/// Dialogs answered by the test: queued answers for file dialogs (empty text = cancelled),
/// and a record of every request and message.
class FakeDialogs : public Dialogs
{
public:
    struct Message
    {
        QString text;
        QString title;
        Icon icon;
    };

    QStringList openAnswers;
    QStringList saveAnswers;
    QList<FileRequest> openRequests;
    QList<FileRequest> saveRequests;
    QList<Message> messages;
    QList<bool> replaceAnswers;   ///< none left: "No"
    QStringList replaceQuestions; ///< the paths asked about

    QString openFile(QWidget *, const FileRequest &request) override
    {
        openRequests.append(request);
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QString saveFile(QWidget *, const FileRequest &request) override
    {
        saveRequests.append(request);
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    void message(QWidget *, const QString &text, const QString &title, Icon icon) override
    {
        messages.append({text, title, icon});
    }
    bool confirmReplace(QWidget *, const QString &path) override
    {
        replaceQuestions.append(path);
        return !replaceAnswers.isEmpty() && replaceAnswers.takeFirst();
    }
};
