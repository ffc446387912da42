#include "Commands.h"

#include "engine/factory/AudioFileObject.h"
#include "engine/factory/DefaultEngineFactory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <cmath>

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
    const qint64 start = args.value(1).toLongLong(&startOk);
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
    const int64_t length = file.length().value();
    // Fixed seed: the same positions in every run, spread over the whole file.
    QRandomGenerator positions(20261208);
    QTextStream out(stdout);
    engine::SampleBlock block;
    for (int i = 0; i < count; ++i) {
        const int64_t position = positions.bounded(std::max<qint64>(length, 1));
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

namespace {

/// The offset in frames (within a WMA frame either way) at which `block` best matches the
/// sequential read `all` around `position`.
qint64 bestShift(const engine::SampleBlock &all, const engine::SampleBlock &block, qint64 position,
                 int32_t channels)
{
    const qint64 frames = qint64(block.size()) / channels;
    const qint64 total = qint64(all.size()) / channels;
    qint64 best = 0;
    double bestError = -1;
    for (qint64 shift = -2048; shift <= 2048; ++shift) {
        if (position + shift < 0 || position + shift + frames > total)
            continue;
        double error = 0;
        for (qint64 i = 0; i < frames; i += 8)
            error += std::abs(block[size_t(i * channels)] -
                              all[size_t((position + shift + i) * channels)]);
        if (bestError < 0 || error < bestError) {
            bestError = error;
            best = shift;
        }
    }
    return best;
}

} // namespace

// Reads the whole file, then seeks to every STEP frames (at uneven offsets, so that positions
// fall everywhere in the decoder's frames), in an order that jumps, and compares SPAN frames read
// there with the sequential read. Any difference beyond TOLERANCE is a wrongly placed frame.
int runSweep(const QStringList &args)
{
    bool stepOk = false;
    const int step = args.value(1).toInt(&stepOk);
    const int span = args.size() > 2 ? args.value(2).toInt() : 2048;
    const float tolerance = args.size() > 3 ? args.value(3).toFloat() : 0.0f;
    if (args.size() < 2 || args.size() > 4 || !stepOk || step <= 0 || span <= 0)
        return failWith(QStringLiteral("usage: vorn-engine sweep FILE STEP [SPAN [TOLERANCE]]"));
    engine::AudioFileObject file;
    if (engine::Status s = file.openForReading(args[0]); !s)
        return failWith(s.description());
    const int64_t length = file.length().value();
    const int32_t channels = file.channelCount().value();
    engine::SampleBlock all;
    engine::SampleBlock block;
    for (;;) {
        if (engine::Status s = file.readBlock(1 << 16, block); !s)
            return failWith(s.description());
        if (block.empty())
            break;
        all.insert(all.end(), block.begin(), block.end());
    }
    QTextStream out(stdout);
    const qint64 sequential = qint64(all.size()) / channels;
    int checked = 0;
    int wrong = 0;
    int noisy = 0;
    QList<qint64> positions;
    for (qint64 i = 0;; ++i) {
        const qint64 position = i * step + (i * 7919) % std::max(step / 3, 1);
        if (position >= length)
            break;
        positions.append(position);
    }
    // Alternately from the front and from the back: every seek jumps far, forward or back,
    // so none is served by reading on from the previous one.
    QList<qint64> order;
    for (qsizetype front = 0, back = positions.size() - 1; front <= back; ++front, --back) {
        order.append(positions[front]);
        if (back != front)
            order.append(positions[back]);
    }
    for (const qint64 position : order) {
        auto reached = file.seek(position);
        if (!reached)
            return failWith(reached.description());
        if (engine::Status s = file.readBlock(span, block); !s)
            return failWith(s.description());
        const qint64 expected = std::min<qint64>(span, sequential - position);
        bool same = reached.value() == position && qint64(block.size()) == expected * channels;
        for (size_t k = 0; same && k < block.size(); ++k)
            same = std::abs(block[k] - all[size_t(position * channels) + k]) <= tolerance;
        ++checked;
        // WMA's noise generator differs after a seek; with noisy material that can exceed any
        // small tolerance. Such a read is still in the right place when no shift of it
        // matches the sequential read better.
        if (!same && tolerance > 0 && reached.value() == position &&
            bestShift(all, block, position, channels) == 0) {
            ++noisy;
            continue;
        }
        if (!same) {
            if (wrong < 10)
                out << "differs after seek frame=" << position << '\n';
            ++wrong;
        }
    }
    out << "length=" << length << " sequential=" << sequential << " seeks=" << checked
        << " differing=" << wrong;
    if (noisy > 0)
        out << " beyond-tolerance-in-place=" << noisy;
    out << '\n';
    return wrong == 0 && sequential == length ? 0 : 1;
}
