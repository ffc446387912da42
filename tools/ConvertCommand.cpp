// vorn-engine convert: one cut through the engine's reader and writer, with the output
// settings named on the command line.
#include "Commands.h"

#include "ConvertJob.h"

#include "engine/factory/AudioFileObject.h"
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/lossless/FileCopier.h"

#include <QFileInfo>
#include <QTextStream>

#include <cmath>
#include <cstdint>

namespace {

const char *const kConvertUsage =
    "usage: vorn-engine convert SRC DST BEGIN END [--wav RATE CH BITS]\n"
    "         [--ogg-quality Q | --ogg-bitrate RATE CH KBPS [MIN MAX]] [--mp3-bitrate KBPS]\n"
    "         [--mp3-vbr METHOD QUALITY] [--mp3-preset N] [--wma-profile N]\n"
    "         [--flac LEVEL BITS] [--opus-bitrate CH KBPS MODE] [--m4a RATE CH KBPS] [--lossless]\n"
    "         [--fade-in S] [--fade-out S] [--equal-power] [--normalise LUFS] [--replaygain]\n"
    "         [--one-reader]\n"
    "  copies frames BEGIN..END (END exclusive) of SRC into DST; Q is the quality x 100,\n"
    "  METHOD 0 default, 1 old, 2 new, 3 MTRH, 4 ABR; FLAC's BITS 0 are the source's (16 for a\n"
    "  lossy source); the preset runs before the other MP3\n"
    "  options; --lossless copies the source's coded audio instead (MP3, OGG, WAV, FLAC and\n"
    "  Opus into their own format), or fails with the reason it cannot. --fade-in/--fade-out\n"
    "  fade the part's ends over S seconds (quarter-sine with --equal-power); --normalise brings "
    "it to\n"
    "  LUFS (EBU R128) with the true peak at most -1 dBTP; --replaygain tags an MP3 or OGG\n"
    "  with its ReplayGain 2.0 track gain and peak; --one-reader decodes a WAV cut with the\n"
    "  job's reader alone, as the cut did before it had a second one (to compare)";

int fail(const QString &description)
{
    QTextStream(stderr) << description << '\n';
    return 1;
}

int usage()
{
    QTextStream(stderr) << kConvertUsage << '\n';
    return 2;
}

bool toInts(const QStringList &args, qsizetype from, qsizetype count, int *out)
{
    if (args.size() < from + count)
        return false;
    for (qsizetype i = 0; i < count; ++i) {
        bool ok = false;
        out[i] = args[from + i].toInt(&ok);
        if (!ok)
            return false;
    }
    return true;
}

/// Takes one shaping option (and its value from the front of `args`) into `shape`; false for
/// any other option or a value that is no number of the option's range.
bool parseShape(const QString &option, QStringList &args, engine::ShapeSettings &shape)
{
    if (option == QLatin1String("--equal-power")) {
        shape.equalPower = true;
        return true;
    }
    if (option == QLatin1String("--replaygain")) {
        shape.gainTags = true;
        return true;
    }
    bool ok = false;
    const double value = args.value(0).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return false;
    if (option == QLatin1String("--fade-in") && value >= 0)
        shape.fadeInSeconds = value;
    else if (option == QLatin1String("--fade-out") && value >= 0)
        shape.fadeOutSeconds = value;
    else if (option == QLatin1String("--normalise") && value <= 0 && value >= -70)
        shape.normaliseLufs = value;
    else
        return false;
    args.removeFirst();
    return true;
}

/// The output the options name, on top of the window's defaults; nothing for an option it
/// does not understand.
std::optional<engine::OutputChoice> parseOutput(QStringList args)
{
    engine::OutputChoice output;
    int preset = 0;
    int bitrate = -1;
    int vbr[2] = {-2, 0};
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        int n[5] = {};
        if (option == QLatin1String("--wav") && toInts(args, 0, 3, n)) {
            output.wav = {n[0], int16_t(n[1]), n[2]};
            args = args.mid(3);
        } else if (option == QLatin1String("--ogg-quality") && toInts(args, 0, 1, n)) {
            output.ogg.useQuality = true;
            output.ogg.quality = n[0];
            args = args.mid(1);
        } else if (option == QLatin1String("--ogg-bitrate") && toInts(args, 0, 3, n)) {
            const bool range = toInts(args, 0, 5, n);
            output.ogg.sampleRate = n[0];
            output.ogg.channels = n[1];
            output.ogg.bitrate = n[2];
            output.ogg.vbr = range;
            if (range) {
                output.ogg.minBitrate = n[3];
                output.ogg.maxBitrate = n[4];
            }
            output.ogg.useQuality = false;
            args = args.mid(range ? 5 : 3);
        } else if (option == QLatin1String("--mp3-bitrate") && toInts(args, 0, 1, &bitrate)) {
            args = args.mid(1);
        } else if (option == QLatin1String("--mp3-vbr") && toInts(args, 0, 2, vbr)) {
            args = args.mid(2);
        } else if (option == QLatin1String("--mp3-preset") && toInts(args, 0, 1, &preset)) {
            args = args.mid(1);
        } else if (option == QLatin1String("--flac") && toInts(args, 0, 2, n)) {
            output.flac.level = n[0];
            output.flac.bitsPerSample = n[1];
            args = args.mid(2);
        } else if (option == QLatin1String("--opus-bitrate") && toInts(args, 0, 3, n)) {
            output.opus.channels = n[0];
            output.opus.bitrate = n[1];
            output.opus.mode = n[2];
            args = args.mid(3);
        } else if (option == QLatin1String("--m4a") && toInts(args, 0, 3, n)) {
            output.m4a = {n[0], n[1], n[2]};
            args = args.mid(3);
        } else if (option == QLatin1String("--wma-profile") && toInts(args, 0, 1, n)) {
            output.wmaProfile = n[0];
            args = args.mid(1);
        } else if (parseShape(option, args, output.shape)) {
        } else {
            return std::nullopt;
        }
    }
    if (preset != 0 && !output.mp3.applyPreset(preset))
        return std::nullopt;
    if (bitrate >= 0)
        output.mp3.bitrate = bitrate;
    if (vbr[0] != -2) {
        output.mp3.vbrMethod = vbr[0];
        output.mp3.vbrQuality = int16_t(vbr[1]);
    }
    return output;
}

/// The same selection copied without re-encoding.
int runLossless(const QString &source, const QString &destination, int64_t begin, int64_t end)
{
    const engine::OutputFormatEntry *format = engine::outputFormatOf(destination);
    if (!format)
        return fail(QStringLiteral("'%1' names no output format.").arg(destination));
    engine::FileCopier copier;
    const auto description = copier.describeCopy(source, format->format);
    if (!description)
        return fail(description.description());
    if (engine::Status s = copier.cut(source, destination, begin, end, {}); !s)
        return fail(s.description());
    QTextStream(stdout) << description.value() << ", no re-encoding\n";
    return 0;
}

} // namespace

/// What `path` got for ReplayGain, or why it got none; answers the exit code.
int tagWithGain(engine::EngineFactory &factory, const QString &path)
{
    engine::AudioFileObject reader;
    // The finished file decoded: the samples a player applies the gain to.
    const auto loudness = cutting::measureRange(reader, path, 0, INT64_MAX);
    if (loudness.failed())
        return fail(loudness.description());
    const auto information = factory.createInformation();
    if (engine::Status s = cutting::writeGainTags(*information, path, loudness.value()); s.failed())
        return fail(s.description());
    QTextStream(stdout) << QStringLiteral("ReplayGain: %1 dB, peak %2\n")
                               .arg(cutting::kReplayGainReferenceLufs -
                                        loudness.value().integratedLufs,
                                    0, 'f', 2)
                               .arg(loudness.value().samplePeak, 0, 'f', 6);
    return 0;
}

int runConvert(const QStringList &args)
{
    bool beginOk = false;
    bool endOk = false;
    const int64_t begin = args.value(2).toLongLong(&beginOk);
    const int64_t end = args.value(3).toLongLong(&endOk);
    QStringList rest = args.mid(4);
    const bool lossless = rest.removeAll(QStringLiteral("--lossless")) > 0;
    const bool oneReader = rest.removeAll(QStringLiteral("--one-reader")) > 0;
    const std::optional<engine::OutputChoice> parsed = parseOutput(rest);
    if (args.size() < 4 || !beginOk || !endOk || begin < 0 || !parsed)
        return usage();
    // The window refuses such a cut in these words; a file without audio helps nobody.
    if (end <= begin)
        return fail(
            QStringLiteral("Nothing to save: the End mark must come after the Begin mark."));
    engine::DefaultEngineFactory factory;
    if (lossless) {
        // A copy keeps its coded audio: the only shaping it can have is in its tags.
        if (parsed->shape.isActive())
            return fail(QStringLiteral("A copy without re-encoding cannot be faded or "
                                       "normalised; leave out --lossless to re-encode."));
        const int copied = runLossless(args[0], args[1], begin, end);
        return copied != 0 || !parsed->shape.gainTags ? copied : tagWithGain(factory, args[1]);
    }

    const auto output = outputFromOptions(rest, args[1]);
    if (!output)
        return fail(output.description());
    engine::AudioFileObject reader;
    cutting::Loudness reached;
    cutting::ShapeOptions shaping = cutting::shapeOptionsOf(output.value());
    shaping.reached = &reached;
    // The same job the window runs for its Cut command, with the same second reader.
    cutting::SecondReader second;
    if (!oneReader)
        second.make = [] { return std::make_unique<engine::AudioFileObject>(); };
    const engine::Status outcome = cutting::ConvertRange(
        reader, [&](const QString &path) { return factory.createWriter(path, output.value()); },
        args[0], args[1], {begin, end}, {}, shaping, second);
    if (!outcome)
        return fail(outcome.description());
    QTextStream(stdout) << factory.describeOutput(output.value()).value() << '\n';
    if (output.value().shape.normaliseLufs)
        QTextStream(stdout) << reached.text() << '\n';
    return output.value().shape.gainTags ? tagWithGain(factory, args[1]) : 0;
}

engine::Result<engine::OutputChoice> outputFromOptions(const QStringList &options,
                                                       const QString &destination)
{
    std::optional<engine::OutputChoice> parsed = parseOutput(options);
    if (!parsed)
        return engine::Status::failure(
            QStringLiteral("Unknown output options: %1").arg(options.join(u' ')));
    // The destination's name decides the format, as it does for the writer.
    if (const engine::OutputFormatEntry *format = engine::outputFormatOf(destination))
        parsed->format = format->format;
    const engine::DefaultEngineFactory factory;
    if (engine::Status s = factory.checkOutput(*parsed); s.failed())
        return s;
    return *parsed;
}
