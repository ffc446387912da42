#pragma once

#include <QKeySequence>
#include <QList>

#include <functional>

class QAbstractButton;
class QWidget;

/// One key command of the main window: its keys, the control whose state decides whether it
/// works (hidden or disabled: the key does nothing), and what it does.
struct KeyCommand
{
    enum class Repeat
    {
        No,
        WhileHeld ///< holding the key repeats the command (the nudges)
    };

    /// The keys click `button`, so its own handler runs as for the mouse; they are named in
    /// its tool tip.
    KeyCommand(QList<QKeySequence> sequences, QAbstractButton *button, Repeat held = Repeat::No);
    /// The keys `run` while `control` is offered; no tool tip names them.
    KeyCommand(QList<QKeySequence> sequences, QWidget *control, std::function<void()> run);

    QList<QKeySequence> keys;
    QWidget *gate = nullptr;
    std::function<void()> action;
    Repeat repeat = Repeat::No;
    bool inToolTip = false;
};

/// Gives `window` its keys. They work while `window` is the active window, so not while one of
/// its modal dialogs is open, and win over the keys of the focused control.
void addWindowKeys(QWidget *window, const QList<KeyCommand> &commands);

/// The keys as the user reads them ("Ctrl+O", "I or [").
QString keysText(const QList<QKeySequence> &keys);
