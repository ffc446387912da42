#include "WindowKeys.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QShortcut>

KeyCommand::KeyCommand(QList<QKeySequence> sequences, QAbstractButton *button, Repeat held)
    : keys(std::move(sequences)), gate(button), action([button] { button->click(); }), repeat(held),
      inToolTip(true)
{}

KeyCommand::KeyCommand(QList<QKeySequence> sequences, QWidget *control, std::function<void()> run)
    : keys(std::move(sequences)), gate(control), action(std::move(run))
{}

QString keysText(const QList<QKeySequence> &keys)
{
    QStringList names;
    for (const QKeySequence &key : keys)
        names << key.toString(QKeySequence::NativeText);
    if (names.size() < 2)
        return names.join(QString());
    const QString last = names.takeLast();
    return QCoreApplication::translate("WindowKeys", "%1 or %2").arg(names.join(u", "), last);
}

void addWindowKeys(QWidget *window, const QList<KeyCommand> &commands)
{
    for (const KeyCommand &command : commands) {
        QWidget *gate = command.gate;
        std::function<void()> action = command.action;
        for (const QKeySequence &key : command.keys) {
            auto *shortcut = new QShortcut(key, window);
            shortcut->setAutoRepeat(command.repeat == KeyCommand::Repeat::WhileHeld);
            QObject::connect(shortcut, &QShortcut::activated, window, [gate, action] {
                if (!gate->isHidden() && gate->isEnabled())
                    action();
            });
        }
        if (command.inToolTip && !gate->toolTip().isEmpty())
            gate->setToolTip(QCoreApplication::translate("WindowKeys", "%1 (%2)")
                                 .arg(gate->toolTip(), keysText(command.keys)));
    }
}
