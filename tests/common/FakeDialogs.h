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
    QStringList folderAnswers;    ///< none left: cancelled
    QStringList folderStarts;     ///< where each folder dialog started
    QList<bool> askAnswers;       ///< none left: "No"
    QStringList questions;
    /// The template each part-name dialog gives back; none left: cancelled. The names it
    /// showed for it are recorded.
    QStringList templateAnswers;
    QList<QStringList> shownNames;
    QList<engine::PauseSettings> pauseAnswers; ///< none left: cancelled

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
    QString chooseFolder(QWidget *, const QString &, const QString &folder) override
    {
        folderStarts.append(folder);
        return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
    }
    bool ask(QWidget *, const QString &text, const QString &) override
    {
        questions.append(text);
        return !askAnswers.isEmpty() && askAnswers.takeFirst();
    }
    std::optional<QString>
    askPartTemplate(QWidget *, const QString &pattern,
                    const std::function<QStringList(const QString &)> &namesOf) override
    {
        if (templateAnswers.isEmpty())
            return std::nullopt;
        const QString answer = templateAnswers.takeFirst();
        shownNames.append(namesOf(answer.isEmpty() ? pattern : answer));
        return answer.isEmpty() ? pattern : answer;
    }
    std::optional<engine::PauseSettings> askPauseSettings(QWidget *,
                                                          const engine::PauseSettings &) override
    {
        if (pauseAnswers.isEmpty())
            return std::nullopt;
        return pauseAnswers.takeFirst();
    }
};
