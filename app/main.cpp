#include "Dialogs.h"
#include "FormMain.h"
#include "OutputSettings.h"
#include "SettingsStore.h"
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/factory/Initialise.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Decoder chatter about damaged frames means nothing to a user; errors reach the window
    // as descriptions.
    engine::initialise();

    QSettings stored(QStringLiteral("Vorn Media"), QStringLiteral("Vorn Audio Cutter"));
    const settings::SettingsStore store(stored);
    settings::OutputSettings output;
    engine::DefaultEngineFactory factory;
    QtDialogs dialogs;

    FormMain window(factory, dialogs, store, output);
    window.show();
    return app.exec();
}
