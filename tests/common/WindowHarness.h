#pragma once

#include "FakeDialogs.h"
#include "FakeEngine.h"
#include "FormMain.h"
#include "SettingsStore.h"
#include "ZivSlider.h"

#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <memory>

/// A main window over fake engine objects, answered dialogs and a scratch settings file.
struct WindowHarness
{
    fakes::FakeEngineFactory factory;
    FakeDialogs dialogs;
    QSettings stored;
    settings::SettingsStore store{stored};
    std::unique_ptr<FormMain> window;

    /// `preset`: values in the settings file before the window reads it.
    explicit WindowHarness(const QString &iniFile, const QVariantMap &preset = {})
        : stored(iniFile, QSettings::IniFormat)
    {
        for (auto it = preset.begin(); it != preset.end(); ++it)
            stored.setValue(it.key(), it.value());
        stored.sync();
        window = std::make_unique<FormMain>(factory, dialogs, store);
    }
    template <typename T> T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    QPushButton *button(const char *name) const
    {
        return window->findChild<QPushButton *>(QString::fromLatin1(name));
    }
    ZivSlider *slider() const
    {
        return window->findChild<ZivSlider *>(QStringLiteral("slPosition"));
    }
    QString panel(int number) const { return window->ui().panel(number); }
    /// On the screen and in front: keys reach a window only then.
    bool showActive()
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }
    /// A key as the user types it, to whatever has the focus.
    void type(int key, int modifiers = Qt::NoModifier)
    {
        QWidget *focused = window->focusWidget();
        QTest::keyClick(focused ? focused : window.get(), Qt::Key(key),
                        Qt::KeyboardModifiers(modifiers));
    }
    fakes::FakeAudioFile &audioFile() const { return *factory.files.at(1); }
    fakes::FakePlayer &player() const { return *factory.player; }
};
