#include "Fixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <cmath>
#include <cstring>

namespace fixtures {

namespace {

QByteArray run(const QString &program, const QStringList &args, int *exitCode,
               QByteArray *errors = nullptr)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted()) {
        *exitCode = -1;
        return {};
    }
    process.closeWriteChannel();
    QByteArray out;
    while (process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(-1);
        out += process.readAllStandardOutput();
    }
    out += process.readAllStandardOutput();
    if (errors)
        *errors = process.readAllStandardError();
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return out;
}

} // namespace

bool runFfmpeg(const QStringList &args, QString *errors)
{
    int code = 0;
    QByteArray err;
    run(QStringLiteral(FFMPEG_PROGRAM),
        QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y")} + args,
        &code, &err);
    if (errors)
        *errors = QString::fromUtf8(err);
    if (code != 0)
        qWarning("ffmpeg %s failed: %s", qPrintable(args.join(u' ')), err.constData());
    return code == 0;
}

namespace {

/// Encodes what the lavfi `source` generates, with `channels` and `codecArgs`, into `path`.
bool encodeGenerated(const QString &path, const QString &source, int channels,
                     const QStringList &codecArgs)
{
    return runFfmpeg(QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"),
                                 QStringLiteral("-i"), source, QStringLiteral("-ac"),
                                 QString::number(channels)} +
                     codecArgs + QStringList{path});
}

} // namespace

bool makeTone(const QString &path, double seconds, int rate, int channels,
              const QStringList &codecArgs)
{
    // A chirp-like sum of two tones: every frame differs from its neighbours, so an
    // offset of even one frame shows.
    const QString source = QStringLiteral("aevalsrc=0.4*sin(2*PI*(220+200*t)*t)|"
                                          "0.3*sin(2*PI*(330+90*t)*t+1):s=%1:d=%2")
                               .arg(rate)
                               .arg(seconds, 0, 'f', 6);
    return encodeGenerated(path, source, channels, codecArgs);
}

bool makeAttacks(const QString &path, double seconds, int rate, int channels,
                 const QStringList &codecArgs)
{
    auto channel = [](int noise) {
        return QStringLiteral(
                   "if(lt(t,1),0,0.6*(0.2*sin(2*PI*330*t)+0.45*exp(-40*mod(t,0.47))*"
                   "sin(2*PI*(80+400*exp(-30*mod(t,0.47)))*t)+0.5*lt(mod(t,0.61),0.003)*"
                   "(2*random(%1)-1)+0.35*between(mod(t,2.3),1.1,1.25)*(2*random(%2)-1)))")
            .arg(noise)
            .arg(noise + 1);
    };
    // Commas inside a filter's arguments are escaped; bare ones would separate filters.
    const QString source = QStringLiteral("aevalsrc=%1|%2:s=%3:d=%4")
                               .arg(channel(0).replace(u',', QStringLiteral("\\,")),
                                    channel(2).replace(u',', QStringLiteral("\\,")))
                               .arg(rate)
                               .arg(seconds, 0, 'f', 6);
    return encodeGenerated(path, source, channels, codecArgs);
}

QString probe(const QString &path, const QString &key)
{
    int code = 0;
    const QByteArray out = run(
        QStringLiteral(FFPROBE_PROGRAM),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
         QStringLiteral("a:0"), QStringLiteral("-show_entries"), QStringLiteral("stream=") + key,
         QStringLiteral("-of"), QStringLiteral("default=noprint_wrappers=1:nokey=1"), path},
        &code);
    return code == 0 ? QString::fromUtf8(out).trimmed() : QString();
}

Decoded decodeWithFfmpeg(const QString &path)
{
    Decoded decoded;
    decoded.rate = probe(path, QStringLiteral("sample_rate")).toInt();
    decoded.channels = probe(path, QStringLiteral("channels")).toInt();
    int code = 0;
    const QByteArray raw = run(QStringLiteral(FFMPEG_PROGRAM),
                               {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"),
                                path, QStringLiteral("-map"), QStringLiteral("0:a:0"),
                                QStringLiteral("-f"), QStringLiteral("f32le"), QStringLiteral("-")},
                               &code);
    if (code != 0)
        return Decoded{};
    decoded.samples.resize(size_t(raw.size()) / sizeof(float));
    std::memcpy(decoded.samples.data(), raw.constData(), decoded.samples.size() * sizeof(float));
    return decoded;
}

Decoded decodeWithOggdec(const QString &path)
{
    Decoded decoded;
    decoded.rate = probe(path, QStringLiteral("sample_rate")).toInt();
    decoded.channels = probe(path, QStringLiteral("channels")).toInt();
    int code = 0;
    const QByteArray raw =
        run(QStringLiteral(OGGDEC_PROGRAM),
            {QStringLiteral("-Q"), QStringLiteral("-R"), QStringLiteral("-b"), QStringLiteral("16"),
             QStringLiteral("-e"), QStringLiteral("0"), QStringLiteral("-s"), QStringLiteral("1"),
             QStringLiteral("-o"), QStringLiteral("-"), path},
            &code);
    if (code != 0)
        return Decoded{};
    decoded.samples.resize(size_t(raw.size()) / 2);
    for (size_t i = 0; i < decoded.samples.size(); ++i) {
        int16_t value = 0;
        std::memcpy(&value, raw.constData() + 2 * i, 2);
        decoded.samples[i] = float(value) / 32768.0f;
    }
    return decoded;
}

namespace {

/// Every tag ffprobe reads from `path`, the format's and the streams'.
QVariantMap probeAllTags(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral(FFPROBE_PROGRAM),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                   QStringLiteral("format_tags:stream_tags"), QStringLiteral("-of"),
                   QStringLiteral("json"), path});
    process.waitForFinished(20000);
    const QJsonObject root = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    QVariantMap all = root.value(QLatin1String("format"))
                          .toObject()
                          .value(QLatin1String("tags"))
                          .toObject()
                          .toVariantMap();
    for (const auto &stream : root.value(QLatin1String("streams")).toArray())
        all.insert(stream.toObject().value(QLatin1String("tags")).toObject().toVariantMap());
    return all;
}

} // namespace

QString probeTag(const QString &path, const QString &key)
{
    const QVariantMap all = probeAllTags(path);
    for (auto it = all.begin(); it != all.end(); ++it)
        if (it.key().compare(key, Qt::CaseInsensitive) == 0)
            return it.value().toString();
    return QString();
}

Loudness measureLoudness(const QString &path)
{
    int code = 0;
    QByteArray err;
    run(QStringLiteral(FFMPEG_PROGRAM),
        {QStringLiteral("-hide_banner"), QStringLiteral("-nostats"), QStringLiteral("-i"), path,
         QStringLiteral("-af"), QStringLiteral("ebur128=peak=true"), QStringLiteral("-f"),
         QStringLiteral("null"), QStringLiteral("-")},
        &code, &err);
    Loudness loudness;
    if (code != 0)
        return loudness;
    // The summary at the end of the filter's log.
    const QString log = QString::fromUtf8(err);
    const qsizetype summary = log.lastIndexOf(QLatin1String("Summary:"));
    const QString tail = log.mid(summary < 0 ? 0 : summary);
    const QRegularExpressionMatch integrated =
        QRegularExpression(QStringLiteral("I:\\s+(-?[0-9.]+) LUFS")).match(tail);
    const QRegularExpressionMatch peak =
        QRegularExpression(QStringLiteral("Peak:\\s+(-?[0-9.]+) dBFS")).match(tail);
    if (integrated.hasMatch())
        loudness.integratedLufs = integrated.captured(1).toDouble();
    if (peak.hasMatch())
        loudness.truePeakDbtp = peak.captured(1).toDouble();
    return loudness;
}

QVariantMap probeTags(const QString &path)
{
    const QVariantMap all = probeAllTags(path);
    QVariantMap fields;
    for (auto it = all.begin(); it != all.end(); ++it) {
        QString key = it.key().toLower();
        if (key == QLatin1String("date") || key == QLatin1String("wm/year"))
            key = QStringLiteral("year");
        if (key == QLatin1String("tracknumber"))
            key = QStringLiteral("track");
        static const QStringList seven = {QStringLiteral("title"),  QStringLiteral("artist"),
                                          QStringLiteral("album"),  QStringLiteral("genre"),
                                          QStringLiteral("year"),   QStringLiteral("track"),
                                          QStringLiteral("comment")};
        if (seven.contains(key) && !it.value().toString().isEmpty())
            fields.insert(key, it.value());
    }
    return fields;
}

QString scratchIni(const QString &dir)
{
    return dir + QLatin1Char('/') + QString::fromLatin1(QTest::currentTestFunction()) +
           QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".ini");
}

int runTool(const QStringList &args, QByteArray *out, QByteArray *err)
{
    int code = 0;
    const QByteArray output = run(qEnvironmentVariable("VORN_ENGINE_TOOL"), args, &code, err);
    if (out)
        *out = output;
    return code;
}

} // namespace fixtures
