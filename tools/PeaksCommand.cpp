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
    // instead, to see what the split gains.
    bool partsOk = true;
    const int parts =
        args.size() == 3 && args[1] == QLatin1String("--parts") ? args[2].toInt(&partsOk) : 0;
    if ((args.size() != 1 && args.size() != 3) || !partsOk || (args.size() == 3 && parts < 1)) {
        QTextStream(stderr) << "usage: vorn-engine peaks FILE [--parts N]\n";
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
    QTextStream(stdout) << "frames=" << peaks->length() << " channels=" << peaks->channelCount()
                        << " known=" << peaks->knownFrames()
                        << " buckets=" << (peaks->length() + finest - 1) / finest
                        << " frames_per_bucket=" << finest << " ms=" << elapsed << '\n';
    return 0;
}
