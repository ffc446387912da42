// Times the window's own open path, from the chosen file to the shown total, through the same
// handler the Open button runs (offscreen, over the real engine), and the engine calls it is
// made of, each alone: what is left over is the window's and the player's.
//   vorn-bench-open FILE [RUNS]
#include "FormMain.h"
#include "QuietDialogs.h"
#include "SettingsStore.h"
#include "engine/factory/AudioFileObject.h"
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/factory/Initialise.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

/// Answers the Open dialog with the file being timed and counts the messages it would show.
class ChosenFile : public QuietDialogs
{
public:
    explicit ChosenFile(QString path) : m_path(std::move(path)) {}
    QString openFile(QWidget *, const FileRequest &) override { return m_path; }

private:
    QString m_path;
};

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    engine::initialise();
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        QTextStream(stderr) << "usage: vorn-bench-open FILE [RUNS]\n";
        return 2;
    }
    const QString path = args[0];
    const int runs = std::max(1, args.value(1, QStringLiteral("5")).toInt());

    QTemporaryDir scratch;
    QSettings stored(scratch.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings::SettingsStore store(stored);
    engine::DefaultEngineFactory factory;
    ChosenFile dialogs(path);
    FormMain window(factory, dialogs, store);
    window.show();
    QCoreApplication::processEvents();

    auto *total = window.findChild<QLabel *>(QStringLiteral("LabelTime"));
    const double open = medianMs(runs, [&] {
        window.cutter().open();
        // The total is on screen once the handler returns; paint it as a real window would.
        QCoreApplication::processEvents();
    });
    if (dialogs.messages > 0 || !total)
        return 1;

    auto information = factory.createInformation();
    const double describe = medianMs(runs, [&] {
        engine::ignoreFailure(information->readInformation(path), "only the time is measured");
    });
    const double length = medianMs(runs, [&] {
        engine::AudioFileObject file;
        engine::ignoreFailure(file.openForReading(path), "only the time is measured");
    });
    QTextStream(stdout) << "total=" << total->text() << " window_open_ms=" << open
                        << " describe_ms=" << describe << " exact_length_ms=" << length
                        << " rest_ms=" << open - describe - length << '\n';
    return 0;
}
