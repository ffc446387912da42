// How far "Current: " strays from the frames the sound device has played while the waveform's
// peaks are computed, and after: the window over the real engine (offscreen, on the sound
// server of the run), playing from the start, probed every few milliseconds.
//   vorn-bench-play-peaks FILE [SECONDS]
#include "FormMain.h"
#include "QuietDialogs.h"
#include "SettingsStore.h"
#include "WaveformStrip.h"
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/factory/Initialise.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

/// Milliseconds of a "Current: 00:01:05.25" text; -1 when it is not one.
double panelMilliseconds(const QString &text)
{
    static const QRegularExpression time(QStringLiteral("(\\d+):(\\d+):(\\d+)(?:[.,](\\d+))?"));
    const auto match = time.match(text);
    if (!match.hasMatch())
        return -1;
    const QString fraction = match.captured(4);
    return (match.captured(1).toInt() * 3600 + match.captured(2).toInt() * 60 +
            match.captured(3).toInt()) *
               1000.0 +
           (fraction.isEmpty() ? 0 : fraction.toInt() * std::pow(10.0, 3 - fraction.size()));
}

struct Stray
{
    std::vector<double> ms; // either way
    QString summary() const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        auto at = [&sorted](double share) {
            return sorted.empty() ? 0.0 : sorted[size_t(share * double(sorted.size() - 1))];
        };
        return QStringLiteral("probes=%1 median_ms=%2 p99_ms=%3 most_ms=%4")
            .arg(sorted.size())
            .arg(at(0.5))
            .arg(at(0.99))
            .arg(at(1.0));
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    engine::initialise();
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        QTextStream(stderr) << "usage: vorn-bench-play-peaks FILE [SECONDS]\n";
        return 2;
    }
    const int seconds = std::max(1, args.value(1, QStringLiteral("6")).toInt());

    QTemporaryDir scratch;
    QSettings stored(scratch.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings::SettingsStore store(stored);
    engine::DefaultEngineFactory factory;
    QuietDialogs dialogs;
    FormMain window(factory, dialogs, store);
    window.show();
    QCoreApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    window.cutter().openFile(args[0]);
    if (dialogs.messages > 0)
        return 1;
    if (window.ui().panel(1) == QStringLiteral("No sound output device"))
        QTextStream(stderr) << "no sound device: the silent output's pace is measured\n";
    auto *strip = window.findChild<WaveformStrip *>(QStringLiteral("Waveform"));
    window.ui().CmdPausePlay->click();

    Stray during;
    Stray after;
    qint64 peaksMs = -1;
    QTimer probe;
    probe.setInterval(3);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const bool busy = strip && strip->busy();
        if (!busy && peaksMs < 0)
            peaksMs = clock.elapsed();
        const auto played = window.cutter().playedSamples();
        const auto playedMs =
            played ? window.cutter().millisecondsOf(played.value()) : played.status();
        const double shown = panelMilliseconds(window.ui().panel(4));
        // Until the first tick the panel shows the start, and nothing has been played.
        if (!playedMs || shown <= 0 || playedMs.value() <= 0)
            return;
        (busy ? during : after).ms.push_back(std::abs(playedMs.value() - shown));
    });
    probe.start();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    QTextStream(stdout) << "peaks_ms=" << peaksMs << "\nwhile computing: " << during.summary()
                        << "\nafter: " << after.summary() << '\n';
    return 0;
}
