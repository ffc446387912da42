#include "Dialogs.h"
#include "FormMain.h"
#include "SettingsStore.h"
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/factory/Initialise.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>

#include <cstdio>

namespace {

void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Cuts a part out of an audio file (MP3, OGG, WMA, WAV) and saves it."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QCoreApplication::translate("main", "The audio file to open."),
                                 QStringLiteral("[FILE]"));
}

// --help and --version answer in a terminal without a display: the window system is not
// asked for. Qt's own options (-platform and the like) are known only to QApplication, so a
// command line with them is left to it.
bool answersInTerminal(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    describeOptions(parser);
    // --help-all lists the window system's options too, which only QApplication knows.
    return parser.parse(arguments) &&
           (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version")));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("vorn-audio-cutter"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VORN_VERSION));
    QCommandLineParser parser;
    describeOptions(parser);
    if (answersInTerminal(argc, argv)) {
        QCoreApplication terminal(argc, argv);
        parser.process(terminal); // prints and exits
        return 0;
    }

    QApplication app(argc, argv);
    // Wayland compositors match the window to its desktop entry, and so to its icon, by this.
    QGuiApplication::setDesktopFileName(QStringLiteral(VORN_DESKTOP_ID));
    // Decoder chatter about damaged frames means nothing to a user; errors reach the window
    // as descriptions.
    engine::initialise();

    // A file manager's "Open with" and a terminal both name the file here.
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fputs(qPrintable(QApplication::translate("main", "Only one file can be opened.\n")),
                   stderr);
        return 2;
    }

    QSettings stored(QStringLiteral("Vorn Media"), QStringLiteral("Vorn Audio Cutter"));
    settings::SettingsStore store(stored);
    engine::DefaultEngineFactory factory;
    QtDialogs dialogs;

    FormMain window(factory, dialogs, store);
    window.show();
    if (!files.isEmpty())
        window.openAfterStart(files.front());
    return app.exec();
}
