// vorn-engine convert: one cut through the engine's reader and writer, with the output
// settings named on the command line.
#include "Commands.h"

#include "ConvertJob.h"

#include "engine/factory/AudioFileObject.h"
#include "engine/lossless/FileCopier.h"

#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <map>

namespace {

const char *const kConvertUsage =
    "usage: vorn-engine convert SRC DST BEGIN END [--wav RATE CH BITS]\n"
    "         [--ogg-quality Q | --ogg-bitrate RATE CH KBPS [MIN MAX]] [--mp3-bitrate KBPS]\n"
    "         [--mp3-vbr METHOD QUALITY] [--mp3-preset N] [--wma-profile N] [--lossless]\n"
    "  copies frames BEGIN..END (END exclusive) of SRC into DST; Q is the quality x 100,\n"
    "  METHOD 0 default, 1 old, 2 new, 3 MTRH, 4 ABR; the preset runs before the other MP3\n"
    "  options; --lossless copies the source's coded audio instead (MP3, OGG and WAV into\n"
    "  their own format), or fails with the reason it cannot";

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

/// The output settings named on the command line, applied to a writer.
struct OutputOptions
{
    engine::Mp3Settings mp3;
    int wav[3] = {44100, 2, 16};
    int ogg[6] = {44100, 2, 128, 0, 0, -1};
    int wmaProfile = 14;

    /// Consumes the options from `args`; false on anything it does not understand.
    bool parse(QStringList args);
    /// Selects every format, the destination's last, so the description is about it.
    engine::Status apply(engine::AudioFile &file, const QString &destination) const;
};

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

bool OutputOptions::parse(QStringList args)
{
    int preset = 0;
    int bitrate = -1;
    int vbr[2] = {-2, 0};
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        int n[5] = {};
        if (option == QLatin1String("--wav") && toInts(args, 0, 3, wav)) {
            args = args.mid(3);
        } else if (option == QLatin1String("--ogg-quality") && toInts(args, 0, 1, n)) {
            ogg[5] = n[0];
            args = args.mid(1);
        } else if (option == QLatin1String("--ogg-bitrate") && toInts(args, 0, 3, n)) {
            const bool range = toInts(args, 0, 5, n);
            if (!range)
                n[3] = n[4] = 0;
            std::copy(n, n + 5, ogg);
            ogg[5] = -1;
            args = args.mid(range ? 5 : 3);
        } else if (option == QLatin1String("--mp3-bitrate") && toInts(args, 0, 1, &bitrate)) {
            args = args.mid(1);
        } else if (option == QLatin1String("--mp3-vbr") && toInts(args, 0, 2, vbr)) {
            args = args.mid(2);
        } else if (option == QLatin1String("--mp3-preset") && toInts(args, 0, 1, &preset)) {
            args = args.mid(1);
        } else if (option == QLatin1String("--wma-profile") && toInts(args, 0, 1, &wmaProfile)) {
            args = args.mid(1);
        } else {
            return false;
        }
    }
    if (preset != 0 && !mp3.applyPreset(preset))
        return false;
    if (bitrate >= 0)
        mp3.bitrate = bitrate;
    if (vbr[0] != -2) {
        mp3.vbrMethod = vbr[0];
        mp3.vbrQuality = int16_t(vbr[1]);
    }
    return true;
}

engine::Status OutputOptions::apply(engine::AudioFile &file, const QString &destination) const
{
    using Select = std::function<engine::Status()>;
    std::map<QString, Select> selections = {
        {QStringLiteral("mp3"), [&] { return file.selectMp3Output(mp3); }},
        {QStringLiteral("wav"),
         [&] { return file.selectWavOutput(wav[0], int16_t(wav[1]), wav[2]); }},
        {QStringLiteral("ogg"),
         [&] { return file.selectOggOutput(ogg[0], ogg[1], ogg[2], ogg[3], ogg[4], ogg[5]); }},
        {QStringLiteral("wma"), [&] { return file.selectWmaProfile(wmaProfile); }},
    };
    const QString extension = QFileInfo(destination).suffix().toLower();
    for (const auto &[name, select] : selections)
        if (name != extension)
            if (engine::Status s = select(); !s)
                return s;
    const auto last = selections.find(extension);
    return last == selections.end() ? engine::Status::success() : last->second();
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

int runConvert(const QStringList &args)
{
    bool beginOk = false;
    bool endOk = false;
    const int64_t begin = args.value(2).toLongLong(&beginOk);
    const int64_t end = args.value(3).toLongLong(&endOk);
    QStringList rest = args.mid(4);
    const bool lossless = rest.removeAll(QStringLiteral("--lossless")) > 0;
    OutputOptions options;
    if (args.size() < 4 || !beginOk || !endOk || begin < 0 || !options.parse(rest))
        return usage();
    // The window refuses such a cut in these words; a file without audio helps nobody.
    if (end <= begin)
        return fail(
            QStringLiteral("Nothing to save: the End mark must come after the Begin mark."));
    if (lossless)
        return runLossless(args[0], args[1], begin, end);

    engine::AudioFileObject reader;
    engine::AudioFileObject writer;
    if (engine::Status s = writer.setDefaultOutputFormat(44100, 128, 2); !s)
        return fail(s.description());
    if (engine::Status s = options.apply(writer, args[1]); !s)
        return fail(s.description());
    // The same job the window runs for its Cut command.
    const engine::Status outcome =
        cutting::ConvertRange(reader, writer, args[0], args[1], {begin, end}, {});
    if (!outcome)
        return fail(outcome.description());
    QTextStream(stdout) << writer.formatDescription().value() << '\n';
    return 0;
}

engine::Status selectOutputFromOptions(const QStringList &options, engine::AudioFile &file,
                                       const QString &destination)
{
    OutputOptions parsed;
    if (!parsed.parse(options))
        return engine::Status::failure(
            QStringLiteral("Unknown output options: %1").arg(options.join(u' ')));
    if (engine::Status s = file.setDefaultOutputFormat(44100, 128, 2); s.failed())
        return s;
    return parsed.apply(file, destination);
}
