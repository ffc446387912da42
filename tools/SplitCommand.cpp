// vorn-engine split: many parts of one source, each into its own file, through the split job.
#include "Commands.h"

#include "PartNames.h"
#include "SplitJob.h"

#include "engine/factory/AudioFileObject.h"
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/lossless/FileCopier.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

const char *const kSplitUsage =
    "usage: vorn-engine split SRC DIR (--cue FILE | --at T1,T2,... | --every S |\n"
    "         --silence [--threshold DB] [--min-length S] [--before-end])\n"
    "         [--template T] [--format mp3|ogg|wma|wav] [--lossless] [format options]\n"
    "         [--tags | --no-tags] [--write-cue FILE] [--replace] [--dry-run]\n"
    "  writes each part of SRC into DIR. --at splits at frame numbers or times (h:mm:ss.fff,\n"
    "  m:ss.fff); --every S makes parts of S seconds. The template knows {n} {title} {artist}\n"
    "  {album} {source} {begin} {end}. --silence splits in the middle of every pause below\n"
    "  DB (-50) of at least S seconds (1.5), or 0.5 s before its end. --lossless copies the coded "
    "audio where it can (the\n"
    "  format is then the source's); the format options are those of the convert command,\n"
    "  with --fade-in, --fade-out, --normalise (each part on its own) and --replaygain";

int fail(const QString &text)
{
    QTextStream(stderr) << text << '\n';
    return 1;
}

int usage()
{
    QTextStream(stderr) << kSplitUsage << '\n';
    return 2;
}

/// A frame number, or a time "h:mm:ss.fff" / "m:ss.fff" at `rate`; nothing when neither.
std::optional<int64_t> pointOf(const QString &text, int32_t rate)
{
    bool ok = false;
    if (const qint64 frame = text.toLongLong(&ok); ok)
        return frame;
    const QStringList fields = text.split(u':');
    if (fields.size() < 2 || fields.size() > 3)
        return std::nullopt;
    double seconds = 0;
    for (const QString &field : fields) {
        const double value = field.toDouble(&ok);
        if (!ok || value < 0)
            return std::nullopt;
        seconds = seconds * 60 + value;
    }
    return int64_t(std::nearbyint(seconds * rate));
}

QString timeOf(int64_t frame, int32_t rate)
{
    const double seconds = double(frame) / rate;
    const auto whole = int64_t(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600)
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds - double(whole / 60 * 60), 6, 'f', 3, QLatin1Char('0'));
}

} // namespace

int runSplit(const QStringList &args)
{
    if (args.size() < 2)
        return usage();
    const QString source = args[0];
    const QString folder = args[1];
    QStringList rest = args.mid(2);
    QString cue, at, every, pattern, format, writeCue, threshold, minLength;
    bool lossless = false, tags = true, replace = false, dryRun = false, silence = false;
    engine::PauseSettings pauseSettings;
    QStringList outputOptions;
    while (!rest.isEmpty()) {
        const QString option = rest.takeFirst();
        auto value = [&](QString &into) {
            if (rest.isEmpty())
                return false;
            into = rest.takeFirst();
            return true;
        };
        bool ok = true;
        if (option == QLatin1String("--cue"))
            ok = value(cue);
        else if (option == QLatin1String("--at"))
            ok = value(at);
        else if (option == QLatin1String("--every"))
            ok = value(every);
        else if (option == QLatin1String("--template"))
            ok = value(pattern);
        else if (option == QLatin1String("--format"))
            ok = value(format);
        else if (option == QLatin1String("--write-cue"))
            ok = value(writeCue);
        else if (option == QLatin1String("--silence"))
            silence = true;
        else if (option == QLatin1String("--threshold"))
            ok = value(threshold);
        else if (option == QLatin1String("--min-length"))
            ok = value(minLength);
        else if (option == QLatin1String("--before-end"))
            pauseSettings.place = engine::PauseSettings::Place::BeforeEnd;
        else if (option == QLatin1String("--lossless"))
            lossless = true;
        else if (option == QLatin1String("--tags"))
            tags = true;
        else if (option == QLatin1String("--no-tags"))
            tags = false;
        else if (option == QLatin1String("--replace"))
            replace = true;
        else if (option == QLatin1String("--dry-run"))
            dryRun = true;
        else
            outputOptions << option;
        if (!ok)
            return usage();
    }
    if (int(!cue.isEmpty()) + int(!at.isEmpty()) + int(!every.isEmpty()) + int(silence) != 1)
        return usage();
    bool numbersOk = true;
    if (!threshold.isEmpty())
        pauseSettings.thresholdDb = threshold.toDouble(&numbersOk);
    if (numbersOk && !minLength.isEmpty())
        pauseSettings.minSeconds = minLength.toDouble(&numbersOk);
    if (!numbersOk)
        return usage();

    const QFileInfo sourceInfo(source);
    if (format.isEmpty())
        format = lossless || engine::outputFormatOf(source) ? sourceInfo.suffix().toLower()
                                                            : QStringLiteral("mp3");
    const engine::OutputFormatEntry *outputFormat =
        engine::outputFormatOf(QStringLiteral("x.") + format);
    if (!outputFormat)
        return fail(QStringLiteral("'%1' is not an output format.").arg(format));

    // Copies learn the source's frames for the job anyway; where that tells the exact length
    // (an MP3 with a LAME header), the reader's own scan of the whole file is not needed.
    engine::FileCopier copier;
    engine::AudioFileObject reader;
    int32_t rate = 0;
    int64_t length = 0;
    if (const auto copies = lossless ? copier.prepare(source, outputFormat->format)
                                     : engine::Status::cannotCopy(source, QString());
        copies.ok() && copies.value()->length()) {
        rate = copies.value()->sampleRate();
        length = *copies.value()->length();
    } else {
        if (engine::Status s = reader.openForReading(source); s.failed())
            return fail(s.description());
        rate = reader.sampleRate().value();
        length = reader.length().value();
        engine::ignoreFailure(reader.close(), "the split job opens the source again");
    }

    // The engine's parts as the window gets them.
    engine::DefaultEngineFactory factory;
    engine::PartList list;
    if (!cue.isEmpty()) {
        auto read = factory.createCueSheets()->read(cue, rate, length);
        if (read.failed())
            return fail(read.description());
        list = read.value();
    } else if (!at.isEmpty()) {
        std::vector<int64_t> points;
        for (const QString &text : at.split(u',')) {
            const auto point = pointOf(text.trimmed(), rate);
            if (!point)
                return fail(QStringLiteral("'%1' is neither a frame number nor a time.").arg(text));
            points.push_back(*point);
        }
        list.parts = engine::partsBetween(length, points);
    } else if (silence) {
        // The same peaks the waveform draws, computed the same way.
        const auto computer = factory.createPeakComputer();
        computer->start(source);
        while (!computer->peaks() || !computer->peaks()->finished())
            QThread::msleep(20);
        const auto pauses =
            factory.createPauseFinder()->findPauses(source, *computer->peaks(), pauseSettings);
        if (pauses.failed())
            return fail(pauses.description());
        list.parts = engine::partsAtPauses(length, rate, pauses.value(), pauseSettings);
    } else {
        bool ok = false;
        const double seconds = every.toDouble(&ok);
        if (!ok || seconds <= 0)
            return fail(QStringLiteral("'%1' is not a length in seconds.").arg(every));
        list.parts = engine::partsOfLength(length, int64_t(std::nearbyint(seconds * rate)));
    }
    if (list.parts.empty())
        return fail(QStringLiteral("'%1' holds no audio to split.").arg(source));

    if (pattern.isEmpty())
        pattern = cutting::defaultPartTemplate(list);
    const QStringList names =
        cutting::partFileNames(pattern, list, sourceInfo.completeBaseName(), rate, format);
    QStringList destinations;
    for (const QString &name : names)
        destinations << QDir(folder).filePath(name);

    QTextStream out(stdout);
    if (!writeCue.isEmpty())
        if (engine::Status s = factory.createCueSheets()->write(writeCue, source, list, rate);
            s.failed())
            return fail(s.description());
    if (dryRun) {
        for (size_t i = 0; i < list.parts.size(); ++i)
            out << timeOf(list.parts[i].begin, rate) << " - " << timeOf(list.parts[i].end, rate)
                << "  " << list.parts[i].begin << ".." << list.parts[i].end << "  "
                << names[qsizetype(i)] << '\n';
        return 0;
    }

    const auto output = outputFromOptions(outputOptions, destinations.front());
    if (!output)
        return fail(output.description());
    const cutting::WriterMaker makeWriter = [&](const QString &path) {
        return factory.createWriter(path, output.value());
    };
    const auto information = factory.createInformation();
    cutting::SplitRequest request;
    request.sourcePath = source;
    request.parts = list;
    request.destinations = destinations;
    request.copy = lossless;
    request.copyTags = tags;
    request.replaceExisting = replace;
    request.shaping = cutting::shapeOptionsOf(output.value());
    if (lossless && request.shaping.shape.isActive())
        return fail(QStringLiteral("Parts copied without re-encoding cannot be faded or "
                                   "normalised; leave out --lossless to re-encode."));
    const bool terminal = isatty(fileno(stderr));
    int shown = -1;
    cutting::JobCallbacks callbacks;
    callbacks.progress = [&](float percent) {
        if (terminal && int(percent) != shown) {
            shown = int(percent);
            QTextStream(stderr) << '\r' << shown << " %" << Qt::flush;
        }
    };
    // Copies are a few large writes each; re-encoded parts keep every core busy.
    cutting::PartWorkers workers;
    workers.count = QThread::idealThreadCount();
    workers.makeReader = [] { return std::make_unique<engine::AudioFileObject>(); };
    workers.makeWriter = makeWriter;
    const cutting::SplitReport report =
        lossless
            ? cutting::SplitParts(reader, makeWriter, &copier, *information, request, callbacks)
            : cutting::SplitPartsAtOnce(workers, *information, request, callbacks);
    if (terminal)
        QTextStream(stderr) << '\r';
    for (const QString &note : report.notes)
        QTextStream(stderr) << note << '\n';
    for (const QString &written : report.written)
        out << written << '\n';
    if (report.status.failed())
        return fail(report.status.description());
    if (output.value().shape.gainTags)
        for (const QString &written : report.written)
            if (const int tagged = tagWithGain(factory, written); tagged != 0)
                return tagged;
    return report.written.size() == destinations.size() ? 0 : 1;
}
