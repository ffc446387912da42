// Cuts without re-encoding: the copy must decode to exactly the selected frames of the
// source's own decode (FFmpeg for MP3, libvorbis for Ogg Vorbis, the bytes for WAV), at
// positions inside frames, on boundaries, at both ends and two frames apart, on material
// that fills the MP3 bit reservoir; refusals say why and leave nothing behind; a cancelled
// copy is a finished file of the selection's first part.
#include "Fixtures.h"
#include "WriterTestSupport.h"
#include "engine/factory/Initialise.h"
#include "engine/lossless/FileCopier.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <functional>

namespace {

/// How a source is decoded for the comparison: the decoder the format's players use. The
/// ffmpeg program alone, without the fixtures' probes: a cut has the source's rate and
/// channels, and the suite decodes some fifty cuts.
fixtures::Decoded decodeAs(const QString &path, int channels)
{
    if (path.endsWith(QStringLiteral(".ogg")))
        return writertest::decodeWithEngine(path);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                  QStringLiteral("-map"), QStringLiteral("0:a:0"), QStringLiteral("-f"),
                  QStringLiteral("f32le"), QStringLiteral("-")});
    fixtures::Decoded decoded;
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return decoded;
    const QByteArray raw = ffmpeg.readAllStandardOutput();
    decoded.channels = channels;
    decoded.samples.resize(size_t(raw.size()) / sizeof(float));
    std::memcpy(decoded.samples.data(), raw.constData(), decoded.samples.size() * sizeof(float));
    return decoded;
}

/// Frames mpg123 decodes from `path` with its gapless trimming; -1 when it is not installed.
qint64 mpg123Frames(const QString &path, int channels)
{
    QProcess mpg123;
    mpg123.start(QStringLiteral("mpg123"), {QStringLiteral("-q"), QStringLiteral("-s"),
                                            QStringLiteral("-e"), QStringLiteral("s16"), path});
    if (!mpg123.waitForStarted(10000))
        return -1;
    mpg123.waitForFinished(60000);
    return mpg123.readAllStandardOutput().size() / (2 * channels);
}

/// The selection as a slice of a decode.
std::vector<float> slice(const fixtures::Decoded &d, qint64 begin, qint64 end)
{
    return {d.samples.begin() + begin * d.channels, d.samples.begin() + end * d.channels};
}

QString firstDifference(const std::vector<float> &got, const std::vector<float> &want, int channels)
{
    if (got.size() != want.size())
        return QStringLiteral("%1 frames, want %2")
            .arg(got.size() / channels)
            .arg(want.size() / channels);
    for (size_t i = 0; i < got.size(); ++i)
        if (got[i] != want[i])
            return QStringLiteral("differs from frame %1 on").arg(i / size_t(channels));
    return {};
}

} // namespace

class LosslessTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exactSelection_data();
    void exactSelection();
    void wavIsTheSourcesSlice();
    void refusalsSayWhy_data();
    void refusalsSayWhy();
    void cancelFinishesWhatWasCopied_data();
    void cancelFinishesWhatWasCopied();

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void LosslessTest::initTestCase()
{
    engine::initialise();
    QVERIFY(m_dir.isValid());
}

void LosslessTest::exactSelection_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QStringList>("codec");
    QTest::addColumn<int>("frameSamples");
    const auto mp3 = [](const char *options) {
        return QStringList{QStringLiteral("-c:a"), QStringLiteral("libmp3lame")} +
               QString::fromLatin1(options).split(u' ');
    };
    const auto ogg = [](const char *quality) {
        return QStringList{QStringLiteral("-c:a"), QStringLiteral("libvorbis"),
                           QStringLiteral("-q:a"), QString::fromLatin1(quality)};
    };
    QTest::newRow("MPEG-1 44.1k stereo CBR") << "cbr.mp3" << 44100 << 2 << mp3("-b:a 128k") << 1152;
    QTest::newRow("MPEG-1 48k stereo VBR") << "vbr48.mp3" << 48000 << 2 << mp3("-q:a 2") << 1152;
    QTest::newRow("MPEG-1 44.1k mono, no LAME header")
        << "noheader.mp3" << 44100 << 1 << mp3("-b:a 96k -write_xing 0") << 1152;
    QTest::newRow("MPEG-2 22.05k mono CBR") << "m22.mp3" << 22050 << 1 << mp3("-b:a 32k") << 576;
    QTest::newRow("MPEG-2 24k stereo VBR") << "m24.mp3" << 24000 << 2 << mp3("-q:a 5") << 576;
    QTest::newRow("MPEG-2.5 8k mono") << "m8.mp3" << 8000 << 1 << mp3("-b:a 16k") << 576;
    QTest::newRow("MPEG-1 with CRC (lame)") << "crc.mp3" << 44100 << 2 << QStringList() << 1152;
    QTest::newRow("Vorbis 44.1k stereo") << "q3.ogg" << 44100 << 2 << ogg("3") << 1024;
    QTest::newRow("Vorbis 22.05k mono") << "q0.ogg" << 22050 << 1 << ogg("0") << 1024;
}

void LosslessTest::exactSelection()
{
    QFETCH(QString, name);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(QStringList, codec);
    QFETCH(int, frameSamples);
    const QString source = path(name);
    if (codec.isEmpty()) {
        // FFmpeg's LAME wrapper has no CRC option; the lame program protects every frame.
        const QString wav = path(QStringLiteral("crc-source.wav"));
        QVERIFY(fixtures::makeAttacks(wav, 2.2, rate, channels, {}));
        QProcess lame;
        lame.start(QStringLiteral("lame"),
                   {QStringLiteral("--quiet"), QStringLiteral("-p"), QStringLiteral("-V"),
                    QStringLiteral("3"), wav, source});
        if (!lame.waitForStarted(10000))
            QSKIP("the lame program is not installed");
        QVERIFY(lame.waitForFinished(60000) && lame.exitCode() == 0);
    } else {
        QVERIFY(fixtures::makeAttacks(source, 2.2, rate, channels, codec));
    }
    const fixtures::Decoded whole = decodeAs(source, channels);
    const qint64 length = whole.frames();
    QVERIFY(length > 24 * frameSamples);
    const qint64 f = frameSamples;
    // The whole file, the LAME delay's frame boundaries and plain multiples, two frames
    // starting inside one just after the silence (the reservoir is full there), the very end.
    const std::pair<qint64, qint64> cuts[] = {{0, length},
                                              {f * 10 - 1105, f * 20 - 1105},
                                              {f * 10 + 3, f * 20},
                                              {rate + 7, rate + 2 * f + 7},
                                              {length - 2 * f - 11, length}};
    engine::FileCopier copier;
    for (const auto &[begin, end] : cuts) {
        const QString dest = path(QStringLiteral("cut.") + QFileInfo(name).suffix());
        QFile::remove(dest);
        const engine::Status s = copier.cut(source, dest, begin, end, {});
        QVERIFY2(s.ok(), qPrintable(s.description()));
        const fixtures::Decoded cut = decodeAs(dest, channels);
        const QString difference = firstDifference(cut.samples, slice(whole, begin, end), channels);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(QStringLiteral("%1..%2: %3").arg(begin).arg(end).arg(difference)));
        if (name.endsWith(QStringLiteral(".mp3"))) {
            const qint64 mpg123 = mpg123Frames(dest, channels);
            QVERIFY2(mpg123 < 0 || mpg123 == end - begin,
                     qPrintable(QStringLiteral("%1..%2: mpg123 gives %3 frames")
                                    .arg(begin)
                                    .arg(end)
                                    .arg(mpg123)));
        }
    }
}

void LosslessTest::wavIsTheSourcesSlice()
{
    // 24-bit mono has 3-byte frames: a slice off by a byte would shift every sample.
    for (const char *format : {"pcm_s16le", "pcm_s24le", "pcm_f32le"}) {
        const QString source = path(QStringLiteral("%1.wav").arg(QLatin1String(format)));
        const int channels = QByteArray(format) == "pcm_s24le" ? 1 : 2;
        QVERIFY(fixtures::makeTone(source, 2.0, 48000, channels,
                                   {QStringLiteral("-c:a"), QString::fromLatin1(format)}));
        QFile in(source);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        const qsizetype data = bytes.indexOf("data") + 8;
        const int frameBytes = channels * (QByteArray(format) == "pcm_s16le"   ? 2
                                           : QByteArray(format) == "pcm_s24le" ? 3
                                                                               : 4);
        const QString dest = path(QStringLiteral("cut.wav"));
        QVERIFY(engine::FileCopier().cut(source, dest, 4801, 90001, {}).ok());
        QFile out(dest);
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray copied = out.readAll();
        QCOMPARE(copied.mid(copied.indexOf("data") + 8),
                 bytes.mid(data + 4801 * frameBytes, (90001 - 4801) * frameBytes));
        QCOMPARE(fixtures::decodeWithFfmpeg(dest).frames(), 90001 - 4801);
    }
}

void LosslessTest::refusalsSayWhy_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("dest");
    QTest::addColumn<qint64>("begin");
    QTest::addColumn<qint64>("end");
    QTest::addColumn<QString>("reason");
    QTest::newRow("another format")
        << "a.mp3"
        << "cut.ogg" << qint64(0) << qint64(44100) << "the source is MP3";
    QTest::newRow("inside one MP3 frame")
        << "a.mp3"
        << "cut.mp3" << qint64(1152 * 5 - 1105 + 10) << qint64(1152 * 6 - 1105 - 10)
        << "the selection lies within one MP3 frame";
    QTest::newRow("inside the first Ogg packet")
        << "a.ogg"
        << "cut.ogg" << qint64(10000) << qint64(10010)
        << "the selection ends within the first Ogg packet";
    QTest::newRow("chained Ogg") << "chained.ogg"
                                 << "cut.ogg" << qint64(0) << qint64(44100) << "a chained Ogg file";
    QTest::newRow("A-law WAV") << "alaw.wav"
                               << "cut.wav" << qint64(0) << qint64(4000)
                               << "the WAV file is not PCM";
}

void LosslessTest::refusalsSayWhy()
{
    QFETCH(QString, source);
    QFETCH(QString, dest);
    QFETCH(qint64, begin);
    QFETCH(qint64, end);
    QFETCH(QString, reason);
    const QString src = path(source);
    if (!QFile::exists(src)) {
        if (source == QStringLiteral("chained.ogg")) {
            // Two links with their own serial numbers, one after the other.
            QByteArray links;
            for (const char *offset : {"0", "77"}) {
                const QString link = path(QStringLiteral("link%1.ogg").arg(QLatin1String(offset)));
                QVERIFY(fixtures::makeTone(link, 1.0, 44100, 2,
                                           {QStringLiteral("-c:a"), QStringLiteral("libvorbis"),
                                            QStringLiteral("-serial_offset"),
                                            QString::fromLatin1(offset)}));
                QFile f(link);
                QVERIFY(f.open(QIODevice::ReadOnly));
                links += f.readAll();
            }
            QFile chained(src);
            QVERIFY(chained.open(QIODevice::WriteOnly));
            chained.write(links);
        } else {
            const QStringList codec =
                source.endsWith(QStringLiteral(".mp3"))
                    ? QStringList{QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}
                : source.endsWith(QStringLiteral(".ogg"))
                    ? QStringList{QStringLiteral("-c:a"), QStringLiteral("libvorbis")}
                    : QStringList{QStringLiteral("-c:a"), QStringLiteral("pcm_alaw")};
            QVERIFY(fixtures::makeTone(src, 1.0, 44100, 2, codec));
        }
    }
    engine::FileCopier copier;
    const auto format = engine::outputFormatOf(dest);
    QVERIFY(format);
    const auto described = copier.describeCopy(src, format->format);
    QFile::remove(path(dest));
    const engine::Status cut = copier.cut(src, path(dest), begin, end, {});
    QCOMPARE(cut.code(), engine::StatusCode::CannotCopy);
    QCOMPARE(cut.reason(), reason);
    QVERIFY2(cut.description().contains(src), qPrintable(cut.description()));
    // The copy's own checks come only with the selection; the source's come already here.
    if (!reason.startsWith(QStringLiteral("the selection")))
        QCOMPARE(described.status().reason(), reason);
    else
        QVERIFY(described.ok());
    QVERIFY(!QFile::exists(path(dest)));
}

void LosslessTest::cancelFinishesWhatWasCopied_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("codec");
    // Noise, so that ten seconds take more than one step of the copy in every format.
    QTest::newRow("MP3") << "long.mp3"
                         << QStringList{QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                                        QStringLiteral("-b:a"), QStringLiteral("320k")};
    QTest::newRow("Ogg") << "long.ogg"
                         << QStringList{QStringLiteral("-c:a"), QStringLiteral("libvorbis"),
                                        QStringLiteral("-q:a"), QStringLiteral("10")};
    QTest::newRow("WAV") << "long.wav"
                         << QStringList{QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")};
}

void LosslessTest::cancelFinishesWhatWasCopied()
{
    QFETCH(QString, name);
    QFETCH(QStringList, codec);
    const QString source = path(name);
    QVERIFY(fixtures::runFfmpeg(
        QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                    QStringLiteral("anoisesrc=r=44100:a=0.5:d=10")} +
        QStringList{QStringLiteral("-ac"), QStringLiteral("2")} + codec + QStringList{source}));
    const fixtures::Decoded whole = decodeAs(source, 2);
    const qint64 begin = 12345;
    const qint64 end = whole.frames() - 4321;
    const QString dest = path(QStringLiteral("cancelled.") + QFileInfo(name).suffix());
    std::vector<float> progress;
    engine::JobCallbacks callbacks;
    callbacks.progress = [&](float percent) { progress.push_back(percent); };
    callbacks.goOn = [] { return false; };
    const engine::Status s = engine::FileCopier().cut(source, dest, begin, end, callbacks);
    QVERIFY2(s.ok(), qPrintable(s.description()));
    const fixtures::Decoded cut = decodeAs(dest, 2);
    QVERIFY2(cut.frames() > 0 && cut.frames() < end - begin,
             qPrintable(QString::number(cut.frames())));
    QCOMPARE(firstDifference(cut.samples, slice(whole, begin, begin + cut.frames()), 2), QString());
    QVERIFY(progress.size() >= 2);
    QVERIFY(progress[1] > 0 && progress[1] < 100);
}

QTEST_GUILESS_MAIN(LosslessTest)
#include "tst_lossless.moc"
