#pragma once

#include "Dialogs.h"

#include <QTextStream>

/// The benchmarks' dialogs: nothing is chosen or agreed to, and a message is printed and
/// counted, since a timed run that shows one has gone wrong.
class QuietDialogs : public Dialogs
{
public:
    QString openFile(QWidget *, const FileRequest &) override { return {}; }
    QString saveFile(QWidget *, const FileRequest &) override { return {}; }
    bool confirmReplace(QWidget *, const QString &) override { return false; }
    QString chooseFolder(QWidget *, const QString &, const QString &) override { return {}; }
    bool ask(QWidget *, const QString &, const QString &) override { return false; }
    std::optional<QString>
    askPartTemplate(QWidget *, const QString &,
                    const std::function<QStringList(const QString &)> &) override
    {
        return std::nullopt;
    }
    std::optional<engine::PauseSettings> askPauseSettings(QWidget *,
                                                          const engine::PauseSettings &) override
    {
        return std::nullopt;
    }
    void message(QWidget *, const QString &text, const QString &, Icon) override
    {
        QTextStream(stderr) << text << '\n';
        ++messages;
    }

    int messages = 0;
};
