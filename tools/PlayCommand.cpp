// Plays the start of a file through the engine's player the way the window feeds it, and
// prints every event with the wall-clock time it arrived at.
#include "Commands.h"

#include "engine/factory/AudioFileObject.h"
#include "engine/factory/DefaultEngineFactory.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

#include <cmath>

namespace {

int failWith(const QString &description)
{
    QTextStream(stderr) << description << '\n';
    return 1;
}

} // namespace

int runPlay(const QStringList &args)
{
    bool secondsOk = false;
    const double seconds = args.value(1).toDouble(&secondsOk);
    if (args.size() != 2 || !secondsOk || seconds <= 0)
        return failWith(QStringLiteral("usage: vorn-engine play FILE SECONDS"));
    engine::AudioFileObject file;
    if (engine::Status s = file.openForReading(args[0]); !s)
        return failWith(s.description());
    const int32_t rate = file.sampleRate().value();
    const int64_t limit = std::min<int64_t>(std::llround(seconds * rate), file.length().value());

    auto player = engine::DefaultEngineFactory().createPlayer();
    if (engine::Status s = player->setPlayerFormat(rate, file.channelCount().value()); !s)
        return failWith(s.description());
    const int32_t blockFrames = player->blockSizeForMilliseconds(200).value();

    QTextStream out(stdout);
    QElapsedTimer wall;
    int64_t fed = 0;
    auto feed = [&](const char *event) {
        engine::SampleBlock block;
        const auto want = static_cast<int32_t>(std::min<int64_t>(blockFrames, limit - fed));
        if (want > 0 && file.readBlock(want, block) && !block.empty()) {
            engine::ignoreFailure(player->queueBlock(block),
                                  "queueing fails only without a format, which is set above");
            fed += static_cast<int64_t>(block.size()) / file.channelCount().value();
        }
        if (event)
            out << event << " wall_ms=" << wall.elapsed() << " fed=" << fed << Qt::endl;
    };

    QEventLoop loop;
    QObject::connect(player.get(), &engine::AudioPlayer::Timer,
                     [&](int64_t frames, int32_t l, int32_t r) {
                         out << "timer wall_ms=" << wall.elapsed() << " samples=" << frames
                             << " left=" << l << " right=" << r << Qt::endl;
                     });
    QObject::connect(player.get(), &engine::AudioPlayer::RequestOnLoadArray,
                     [&] { feed("request"); });
    QObject::connect(player.get(), &engine::AudioPlayer::EndArrayPlay,
                     [&] { feed("endarrayplay"); });
    QObject::connect(player.get(), &engine::AudioPlayer::EndPlay, [&] {
        out << "endplay wall_ms=" << wall.elapsed()
            << " samples=" << player->playedSamples().valueOr(-1) << Qt::endl;
        engine::ignoreFailure(player->stopOutput(), "stopping ends a run the tool is done with");
        loop.exit(0);
    });
    QTimer::singleShot(std::chrono::milliseconds(std::llround(seconds * 2000) + 10000), &loop, [&] {
        QTextStream(stderr) << "no EndPlay event arrived\n";
        loop.exit(1);
    });

    if (engine::Status s = player->startOutput(); !s)
        return failWith(s.description());
    wall.start();
    out << "silent=" << (player->isSilent() ? "yes" : "no") << " rate=" << rate
        << " block=" << blockFrames << Qt::endl;
    feed(nullptr);
    return loop.exec();
}
