#include "Commands.h"

#include "AudioFileObject.h"
#include "EngineFactory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

namespace {

int failWith(const QString &description)
{
    QTextStream(stderr) << description << '\n';
    return 1;
}

} // namespace

int runInfo(const QStringList &args)
{
    if (args.size() != 1)
        return failWith(QStringLiteral("usage: vorn-engine info FILE"));
    engine::AudioFileObject file;
    if (engine::Status s = file.openForReading(args[0]); !s)
        return failWith(s.description());
    QString description;
    if (auto information = engine::DefaultEngineFactory().createInformation();
        information && information->readInformation(args[0]))
        description = information->sourceFormatDescription();
    QTextStream out(stdout);
    out << "rate=" << file.sampleRate().value() << '\n'
        << "channels=" << file.channelCount().value() << '\n'
        << "length=" << file.length().value() << '\n'
        << "description=" << description << '\n';
    return 0;
}

int runRead(const QStringList &args)
{
    bool startOk = false;
    bool countOk = false;
    const int start = args.value(1).toInt(&startOk);
    const qint64 count = args.value(2).toLongLong(&countOk);
    if (args.size() != 4 || !startOk || !countOk || start < 0 || count < 0)
        return failWith(QStringLiteral("usage: vorn-engine read FILE START COUNT OUT"));
    engine::AudioFileObject file;
    if (engine::Status s = file.openForReading(args[0]); !s)
        return failWith(s.description());
    if (auto reached = file.seek(start); !reached)
        return failWith(reached.description());
    QFile out(args[3]);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return failWith(QStringLiteral("Cannot create '%1': %2").arg(args[3], out.errorString()));
    const int32_t channels = file.channelCount().value();
    const int32_t blockFrames = 1 << 16;
    engine::SampleBlock block;
    for (qint64 left = count; left > 0;) {
        const auto want = static_cast<int32_t>(std::min<qint64>(left, blockFrames));
        if (engine::Status s = file.readBlock(want, block); !s)
            return failWith(s.description());
        if (block.empty())
            break;
        // The engine's floats are already little-endian on every platform we build for.
        const auto bytes = static_cast<qint64>(block.size() * sizeof(float));
        if (out.write(reinterpret_cast<const char *>(block.data()), bytes) != bytes)
            return failWith(
                QStringLiteral("Cannot write '%1': %2").arg(args[3], out.errorString()));
        left -= static_cast<qint64>(block.size()) / channels;
    }
    return out.flush() ? 0 : failWith(out.errorString());
}

int runSeeks(const QStringList &args)
{
    bool countOk = false;
    const int count = args.value(1).toInt(&countOk);
    if (args.size() != 2 || !countOk || count <= 0)
        return failWith(QStringLiteral("usage: vorn-engine seeks FILE COUNT"));
    engine::AudioFileObject file;
    if (engine::Status s = file.openForReading(args[0]); !s)
        return failWith(s.description());
    const int32_t length = file.length().value();
    // Fixed seed: the same positions in every run, spread over the whole file.
    QRandomGenerator positions(20261208);
    QTextStream out(stdout);
    engine::SampleBlock block;
    for (int i = 0; i < count; ++i) {
        const int32_t position = int32_t(positions.bounded(std::max(length, 1)));
        QElapsedTimer timer;
        timer.start();
        if (auto reached = file.seek(position); !reached)
            return failWith(reached.description());
        if (engine::Status s = file.readBlock(file.sampleRate().value() / 5, block); !s)
            return failWith(s.description());
        out << "seek frame=" << position
            << " ms=" << QString::number(timer.nsecsElapsed() / 1e6, 'f', 2) << '\n';
    }
    return 0;
}
