#include "Commands.h"

#include "engine/factory/DefaultEngineFactory.h"
#include "engine/peaks/BackgroundPeaks.h"

#include <QElapsedTimer>
#include <QTextStream>

#include <chrono>
#include <memory>
#include <thread>

int runPeaks(const QStringList &args)
{
    // The window's own computer by default; --parts N shares the source between N threads
    // instead, to see what the split gains. --columns N FROM TO prints the peaks of N columns
    // over frames FROM to TO, as the strip draws them.
    bool ok = !args.isEmpty();
    int parts = 0;
    int columns = 0;
    int64_t from = 0;
    int64_t to = 0;
    for (int i = 1; ok && i < args.size(); ++i) {
        if (args[i] == QLatin1String("--parts") && i + 1 < args.size()) {
            parts = args[++i].toInt(&ok);
            ok = ok && parts > 0;
        } else if (args[i] == QLatin1String("--columns") && i + 3 < args.size()) {
            columns = args[++i].toInt(&ok);
            bool fromOk = false;
            bool toOk = false;
            from = args[++i].toLongLong(&fromOk);
            to = args[++i].toLongLong(&toOk);
            ok = ok && fromOk && toOk && columns > 0 && from < to;
        } else {
            ok = false;
        }
    }
    if (!ok) {
        QTextStream(stderr) << "usage: vorn-engine peaks FILE [--parts N] [--columns N FROM TO]\n";
        return 2;
    }
    std::unique_ptr<engine::PeakComputer> computer =
        parts ? std::make_unique<engine::BackgroundPeaks>(parts)
              : engine::DefaultEngineFactory().createPeakComputer();
    QElapsedTimer clock;
    clock.start();
    computer->start(args[0]);
    const auto peaks = computer->peaks();
    while (!peaks->finished())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const qint64 elapsed = clock.elapsed();
    if (engine::Status s = peaks->status(); !s) {
        QTextStream(stderr) << s.description() << '\n';
        return 1;
    }
    const int64_t finest = peaks->finestFrames();
    QTextStream out(stdout);
    out << "frames=" << peaks->length() << " channels=" << peaks->channelCount()
        << " known=" << peaks->knownFrames()
        << " buckets=" << (peaks->length() + finest - 1) / finest << " frames_per_bucket=" << finest
        << " ms=" << elapsed << '\n';
    for (int c = 0; c < columns; ++c) {
        const int64_t begin = from + (to - from) * c / columns;
        const int64_t end = from + (to - from) * (c + 1) / columns;
        out << begin;
        for (int32_t channel = 0; channel < peaks->channelCount(); ++channel) {
            if (const auto span = peaks->span(channel, begin, end))
                out << ' ' << span->min << ' ' << span->max;
            else
                out << " unknown";
        }
        out << '\n';
    }
    return 0;
}
