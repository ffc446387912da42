#include "Dialogs.h"
#include "FormMain.h"
#include "OutputSettings.h"
#include "SettingsStore.h"
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/factory/Initialise.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Decoder chatter about damaged frames means nothing to a user; errors reach the window
    // as descriptions.
    engine::initialise();

    // A file manager's "Open with" and a terminal both name the file here.
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QApplication::translate("main", "Cuts a part out of an audio file and saves it."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QApplication::translate("main", "The audio file to open."),
                                 QStringLiteral("[FILE]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fputs(qPrintable(QApplication::translate("main", "Only one file can be opened.\n")),
                   stderr);
        return 2;
    }

    QSettings stored(QStringLiteral("Vorn Media"), QStringLiteral("Vorn Audio Cutter"));
    settings::SettingsStore store(stored);
    settings::OutputSettings output;
    engine::DefaultEngineFactory factory;
    QtDialogs dialogs;

    FormMain window(factory, dialogs, store, output);
    window.show();
    if (!files.isEmpty())
        window.openAfterStart(files.front());
    return app.exec();
}
