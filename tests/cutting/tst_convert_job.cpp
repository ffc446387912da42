// The conversion job over real files: exactly the marked frames, in every format; progress
// that only rises; Cancel keeping a playable file; failures that leave an older file as it
// was and no temporary file behind; a second reader that changes no byte.
#include "ConvertJob.h"
#include "FailingSource.h"
#include "Fixtures.h"
#include "WriterTestSupport.h"
#include "engine/factory/AudioFileObject.h"
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/factory/Initialise.h"
#include "engine/lossless/FileCopier.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

namespace {

constexpr int kRate = 44100;
constexpr qint64 kSourceFrames = 7 * kRate + 1234;

QByteArray digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

/// Frames that libvorbis's own decoder (oggdec) reads from `path`; -1 when it fails.
qint64 oggdecFrames(const QString &path, int channels)
{
    const QString raw = path + QStringLiteral(".raw");
    QProcess oggdec;
    oggdec.start(QStringLiteral("oggdec"),
                 {QStringLiteral("-Q"), QStringLiteral("-R"), QStringLiteral("-b"),
                  QStringLiteral("16"), QStringLiteral("-o"), raw, path});
    if (!oggdec.waitForFinished(60000) || oggdec.exitCode() != 0)
        return -1;
    const qint64 frames = QFileInfo(raw).size() / (2 * channels);
    QFile::remove(raw);
    return frames;
}

/// The RMS level in dB of frames [from, from + count) of every channel.
double rmsDb(const writertest::Decoded &decoded, qint64 from, qint64 count)
{
    double sum = 0;
    const qint64 first = from * decoded.channels;
    const qint64 last =
        std::min<qint64>((from + count) * decoded.channels, qint64(decoded.samples.size()));
    for (qint64 i = first; i < last; ++i)
        sum += double(decoded.samples[size_t(i)]) * decoded.samples[size_t(i)];
    return 10 * std::log10(std::max(sum / double(std::max<qint64>(last - first, 1)), 1e-20));
}

/// The engine's reader, counting its blocks read from whichever thread reads it.
class CountingReader : public engine::FileReading
{
public:
    explicit CountingReader(std::atomic<int> &blocks) : m_blocks(blocks) {}
    engine::Status openForReading(const QString &path) override
    {
        return m_reader.openForReading(path);
    }
    engine::Result<int32_t> sampleRate() const override { return m_reader.sampleRate(); }
    engine::Result<int32_t> channelCount() const override { return m_reader.channelCount(); }
    engine::Result<int64_t> length() const override { return m_reader.length(); }
    engine::Result<int64_t> seek(int64_t frame) override { return m_reader.seek(frame); }
    engine::Status readBlock(int32_t frames, engine::SampleBlock &block) override
    {
        ++m_blocks;
        return m_reader.readBlock(frames, block);
    }
    engine::Status close() override { return m_reader.close(); }

private:
    engine::AudioFileObject m_reader;
    std::atomic<int> &m_blocks;
};

} // namespace

class ConvertJobTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exactRange_data();
    void exactRange();
    void progressRisesAndCancelKeepsAPlayableFile();
    void failuresLeaveTheOlderFile_data();
    void failuresLeaveTheOlderFile();
    void wmaCutWritesOnlyItsFile();
    void envelopeAtKnownFrames_data();
    void envelopeAtKnownFrames();
    void shapedParts_data();
    void shapedParts();
    void gainTagsOnCopies_data();
    void gainTagsOnCopies();
    void secondReaderWritesTheSameBytes_data();
    void secondReaderWritesTheSameBytes();

private:
    QTemporaryDir m_dir;
    QString m_source;
    writertest::Decoded m_sourceFrames;
};

void ConvertJobTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    engine::initialise();
    m_source = m_dir.filePath(QStringLiteral("source.wav"));
    QVERIFY(fixtures::makeTone(m_source, double(kSourceFrames) / kRate, kRate, 2,
                               {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")}));
    m_sourceFrames = writertest::decodeWithEngine(m_source);
    QCOMPARE(m_sourceFrames.frames(), kSourceFrames);
}

void ConvertJobTest::exactRange_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<double>("begin");
    QTest::addColumn<double>("end");

    const struct
    {
        const char *name;
        double begin;
        double end;
    } ranges[] = {
        {"inside", 1.25 * kRate, 4.55 * kRate},
        {"from the start", 0, 2.5 * kRate},
        {"to the very end", 3.1 * kRate, double(kSourceFrames)},
        {"one frame", 2 * kRate + 17, 2 * kRate + 18},
        {"end past the source", 6 * kRate, 9 * kRate},
        {"shorter than a block", 0.5 * kRate, 0.5 * kRate + 3000},
    };
    for (const char *ext : {"wav", "mp3", "ogg", "wma"})
        for (const auto &r : ranges)
            QTest::addRow("%s %s", ext, r.name) << QString::fromLatin1(ext) << r.begin << r.end;
}

// WAV holds the source slice sample for sample; MP3 (with its LAME header) and OGG hold
// exactly as many frames; WMA no fewer, and less than one 2048-frame frame more.
void ConvertJobTest::exactRange()
{
    QFETCH(QString, extension);
    QFETCH(double, begin);
    QFETCH(double, end);
    const QString dest = m_dir.filePath(
        QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-') + u'.' + extension);
    engine::AudioFileObject reader;
    const engine::Status outcome =
        cutting::ConvertRange(reader, writertest::makerOf(), m_source, dest,
                              {std::llround(begin), std::llround(end)}, {});
    QVERIFY2(outcome, qPrintable(outcome.description()));

    const qint64 expected = qint64(std::min<double>(end, kSourceFrames) - begin);
    const writertest::Decoded cut = writertest::decodeWithEngine(dest);
    QCOMPARE(cut.rate, kRate);
    QCOMPARE(fixtures::probe(dest, QStringLiteral("sample_rate")).toInt(), kRate);
    if (extension == QStringLiteral("wma")) {
        QVERIFY2(cut.frames() >= expected, qPrintable(QString::number(cut.frames())));
        QVERIFY(cut.frames() < expected + 2048);
        return;
    }
    if (extension == QStringLiteral("ogg")) {
        // FFmpeg's Ogg demuxer drops the first 128 frames of a stream that fits on one page
        // (it works the start out backwards from that page's end); the reference decoder
        // reads every frame of these files, so it is the measure here.
        QCOMPARE(oggdecFrames(dest, 2), expected);
        return;
    }
    QCOMPARE(cut.frames(), expected);
    if (extension == QStringLiteral("wav")) {
        const auto from = m_sourceFrames.samples.begin() + qint64(begin) * 2;
        QVERIFY(std::equal(cut.samples.begin(), cut.samples.end(), from));
    }
}

void ConvertJobTest::progressRisesAndCancelKeepsAPlayableFile()
{
    const QString dest = m_dir.filePath(QStringLiteral("cancelled.mp3"));
    QList<float> seen;
    int breaths = 0;
    cutting::JobCallbacks callbacks;
    callbacks.progress = [&](float p) { seen << p; };
    callbacks.breathe = [&] { ++breaths; };
    callbacks.goOn = [&] { return breaths < 2; };
    engine::AudioFileObject reader;
    QVERIFY(cutting::ConvertRange(reader, writertest::makerOf(), m_source, dest, {0, 6 * kRate},
                                  callbacks));
    QCOMPARE(breaths, 2);
    // Two whole seconds were written, and the file is finished.
    QCOMPARE(writertest::decodeWithEngine(dest).frames(), qint64(2 * kRate));
    QCOMPARE(fixtures::probe(dest, QStringLiteral("codec_name")), QStringLiteral("mp3"));
    // 0 at the start, rising steps, 100 when closing, 0 at the end.
    QVERIFY(seen.size() >= 4);
    QCOMPARE(seen.first(), 0.0f);
    QCOMPARE(seen.last(), 0.0f);
    for (int i = 1; i < seen.size() - 1; ++i) {
        QVERIFY(seen[i] <= 100.0f);
        QVERIFY(seen[i] >= seen[i - 1]);
    }

    // A full run ends its rising progress at exactly 100.
    seen.clear();
    callbacks.goOn = {};
    QVERIFY(cutting::ConvertRange(reader, writertest::makerOf(), m_source, dest,
                                  {std::llround(kRate * 0.3), std::llround(kRate * 2.7)},
                                  callbacks));
    QCOMPARE(seen.at(seen.size() - 2), 100.0f);
    QVERIFY(std::is_sorted(seen.begin(), seen.end() - 1));

    // Cancelled while a normalised cut is still measuring: the finished file stays.
    const QByteArray before = [&] {
        QFile file(dest);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    breaths = 0;
    callbacks.goOn = [&] { return breaths < 1; };
    cutting::ShapeOptions normalise;
    normalise.shape.normaliseLufs = -16.0;
    QVERIFY(!cutting::ConvertRange(reader, writertest::makerOf(), m_source, dest, {0, 6 * kRate},
                                   callbacks, normalise));
    QFile after(dest);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
}

void ConvertJobTest::failuresLeaveTheOlderFile_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("dest");
    QTest::addColumn<qint64>("badByte"); // where the source's disk fails; -1: nowhere
    QTest::newRow("missing source")
        << QStringLiteral("no-such.wav") << QStringLiteral("kept.mp3") << qint64(-1);
    QTest::newRow("destination under a file")
        << QString() << QStringLiteral("source.wav/inside.mp3") << qint64(-1);
    QTest::newRow("unknown extension") << QString() << QStringLiteral("kept.xyz") << qint64(-1);
    // A second into the selection: the reader must not take it for the end of the file.
    QTest::newRow("read error in the source")
        << QString() << QStringLiteral("kept.mp3") << qint64(44 + kRate * 4);
}

void ConvertJobTest::failuresLeaveTheOlderFile()
{
    QFETCH(QString, source);
    QFETCH(QString, dest);
    QFETCH(qint64, badByte);
    const QString sourcePath = source.isEmpty() ? m_source : m_dir.filePath(source);
    const QString destPath = m_dir.filePath(dest);
    QTemporaryDir folder;
    const bool destCanExist = !dest.contains(u'/');
    if (destCanExist) {
        QFile older(destPath);
        QVERIFY(older.open(QIODevice::WriteOnly));
        older.write("the user's older file");
    }
    const QByteArray before = digest(destPath);
    const QStringList contents = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);

    engine::AudioFileObject reader(badByte >= 0 ? FailingSource::opener(badByte)
                                                : engine::localFiles());
    const engine::Status outcome = cutting::ConvertRange(reader, writertest::makerOf(), sourcePath,
                                                         destPath, {0, 2 * kRate}, {});
    QVERIFY(!outcome);
    if (badByte >= 0)
        QVERIFY2(outcome.description().contains(QString::fromLocal8Bit(std::strerror(EIO))),
                 qPrintable(outcome.description()));
    QVERIFY(!outcome.description().isEmpty());
    QCOMPARE(digest(destPath), before);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), contents);
    if (destCanExist)
        QFile::remove(destPath);
}

void ConvertJobTest::wmaCutWritesOnlyItsFile()
{
    const QString dest = m_dir.filePath(QStringLiteral("only.wma"));
    const QStringList before = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
    engine::AudioFileObject reader;
    QVERIFY(cutting::ConvertRange(reader, writertest::makerOf(), m_source, dest, {0, kRate}, {}));
    QStringList added = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : before)
        added.removeOne(name);
    QCOMPARE(added, QStringList{QStringLiteral("only.wma")});
    QCOMPARE(fixtures::probe(dest, QStringLiteral("codec_name")), QStringLiteral("wmav2"));
}

void ConvertJobTest::envelopeAtKnownFrames_data()
{
    QTest::addColumn<double>("fadeIn");  // seconds at 100 frames a second
    QTest::addColumn<double>("fadeOut"); // the same
    QTest::addColumn<bool>("equalPower");
    QTest::addColumn<double>("gainDb");
    QTest::addColumn<qint64>("frame"); // of a part of 1,000 frames
    QTest::addColumn<double>("factor");
    QTest::newRow("fade-in starts silent") << 1.0 << 0.0 << false << 0.0 << qint64(0) << 0.0;
    QTest::newRow("fade-in halfway") << 1.0 << 0.0 << false << 0.0 << qint64(50) << 0.5;
    QTest::newRow("fade-in done") << 1.0 << 0.0 << false << 0.0 << qint64(100) << 1.0;
    QTest::newRow("quarter sine halfway")
        << 1.0 << 0.0 << true << 0.0 << qint64(50) << std::sqrt(0.5);
    QTest::newRow("fade-out ends silent") << 0.0 << 1.0 << false << 0.0 << qint64(999) << 0.0;
    QTest::newRow("fade-out halfway") << 0.0 << 1.0 << false << 0.0 << qint64(949) << 0.5;
    QTest::newRow("before the fade-out") << 0.0 << 1.0 << false << 0.0 << qint64(899) << 1.0;
    QTest::newRow("long fade takes half") << 20.0 << 0.0 << false << 0.0 << qint64(250) << 0.5;
    QTest::newRow("both long meet in the middle")
        << 20.0 << 20.0 << false << 0.0 << qint64(499) << 0.998;
    QTest::newRow("gain between the fades") << 1.0 << 1.0 << false << -20.0 << qint64(500) << 0.1;
    QTest::newRow("gain times the fade") << 1.0 << 1.0 << false << -20.0 << qint64(50) << 0.05;
}

// The factor at a frame, and every frame of blocks of ones shaped by it, whichever block
// boundary falls where.
void ConvertJobTest::envelopeAtKnownFrames()
{
    QFETCH(double, fadeIn);
    QFETCH(double, fadeOut);
    QFETCH(bool, equalPower);
    QFETCH(double, gainDb);
    QFETCH(qint64, frame);
    QFETCH(double, factor);
    engine::ShapeSettings shape;
    shape.fadeInSeconds = fadeIn;
    shape.fadeOutSeconds = fadeOut;
    shape.equalPower = equalPower;
    constexpr int64_t kFrames = 1000;
    cutting::Shaper shaper(shape, 100, 2, kFrames);
    shaper.setGainDb(gainDb);
    QVERIFY2(std::abs(shaper.factorAt(frame) - factor) < 1e-3,
             qPrintable(QString::number(shaper.factorAt(frame))));
    for (int64_t split : {int64_t(1), int64_t(333), int64_t(999)}) {
        engine::SampleBlock first(size_t(split * 2), 1.0f);
        engine::SampleBlock second(size_t((kFrames - split) * 2), 1.0f);
        shaper.apply(first, 0);
        shaper.apply(second, split);
        for (int64_t f = 0; f < kFrames; ++f) {
            const float got =
                f < split ? first[size_t(f * 2 + 1)] : second[size_t((f - split) * 2)];
            QVERIFY2(
                std::abs(got - float(shaper.factorAt(f))) < 1e-6f,
                qPrintable(QStringLiteral("frame %1 of blocks split at %2").arg(f).arg(split)));
        }
    }
}

void ConvertJobTest::shapedParts_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("channels"); // written
    QTest::addColumn<QString>("source");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("fade");
    QTest::addColumn<double>("lufs"); // NaN: not normalised
    QTest::addColumn<QString>("outcome");
    const double none = std::nan("");
    const struct
    {
        const char *name;
        const char *extension;
        int channels;
        const char *source;
        double seconds;
        double fade;
        double lufs;
        const char *outcome;
    } rows[] = {
        {"fades wav", "wav", 2, "tone", 5, 1, none, "faded"},
        {"fades mp3", "mp3", 2, "tone", 5, 1, none, "faded"},
        {"-16 LUFS wav", "wav", 2, "tone", 5, 0, -16, "target"},
        {"-16 LUFS mp3", "mp3", 2, "tone", 5, 0, -16, "target"},
        // Measured as written: the mono mix, not the stereo source.
        {"-23 LUFS mono wav", "wav", 1, "tone", 5, 0, -23, "target"},
        // Measured after the fades.
        {"-14 LUFS faded wav", "wav", 2, "tone", 5, 1, -14, "target"},
        {"true peak ceiling wav", "wav", 2, "crest", 4, 0, -14, "ceiling"},
        {"too short to measure", "wav", 2, "tone", 0.3, 0, -16, "refused"},
        {"silence", "wav", 2, "silence", 2, 0, -16, "refused"},
    };
    for (const auto &r : rows)
        QTest::newRow(r.name) << QString::fromLatin1(r.extension) << r.channels
                              << QString::fromLatin1(r.source) << r.seconds << r.fade << r.lufs
                              << QString::fromLatin1(r.outcome);
}

void ConvertJobTest::shapedParts()
{
    QFETCH(QString, extension);
    QFETCH(int, channels);
    QFETCH(QString, source);
    QFETCH(double, seconds);
    QFETCH(double, fade);
    QFETCH(double, lufs);
    QFETCH(QString, outcome);
    QString sourcePath = m_source;
    if (source != QLatin1String("tone")) {
        // Short bursts far above a quiet tone: a true peak 24 dB over the loudness.
        const QString generator =
            source == QLatin1String("crest")
                ? QStringLiteral("aevalsrc=0.05*sin(2*PI*440*t)+0.8*lt(mod(t\\,0.5)\\,0.0005)*"
                                 "sin(2*PI*3000*t):s=44100:d=6")
                : QStringLiteral("anullsrc=r=44100:cl=stereo:d=6");
        sourcePath =
            m_dir.filePath(QStringLiteral("shape-source-") + source + QStringLiteral(".wav"));
        QVERIFY(fixtures::runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"),
                                     QStringLiteral("-i"), generator, QStringLiteral("-ac"),
                                     QStringLiteral("2"), QStringLiteral("-c:a"),
                                     QStringLiteral("pcm_s16le"), sourcePath}));
    }
    const QString dest = m_dir.filePath(
        QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-') + u'.' + extension);
    engine::OutputChoice output;
    output.format = engine::outputFormatOf(dest)->format;
    output.mp3.channels = channels;
    output.wav.channels = int16_t(channels);
    output.shape.fadeInSeconds = fade;
    output.shape.fadeOutSeconds = fade;
    if (!std::isnan(lufs))
        output.shape.normaliseLufs = lufs;
    cutting::Loudness reached;
    cutting::ShapeOptions shaping = cutting::shapeOptionsOf(output);
    shaping.reached = &reached;
    QList<float> seen;
    cutting::JobCallbacks callbacks;
    callbacks.progress = [&](float p) { seen << p; };
    engine::AudioFileObject reader;
    const qint64 frames = std::llround(seconds * kRate);
    const engine::Status status =
        cutting::ConvertRange(reader, writertest::makerOf(output), sourcePath, dest,
                              {kRate, kRate + frames}, callbacks, shaping);
    if (outcome == QLatin1String("refused")) {
        QVERIFY(status.failed());
        QVERIFY2(status.description().contains(QLatin1String("0.4 seconds")),
                 qPrintable(status.description()));
        QVERIFY(!QFile::exists(dest));
        return;
    }
    QVERIFY2(status, qPrintable(status.description()));
    QVERIFY(std::is_sorted(seen.begin(), seen.end() - 1));

    if (fade > 0 && std::isnan(lufs)) {
        const writertest::Decoded cut = writertest::decodeWithEngine(dest);
        QCOMPARE(cut.frames(), frames);
        const qint64 tenMs = kRate / 100;
        const double middle = rmsDb(cut, frames / 2 - kRate / 2, kRate);
        const double first = rmsDb(cut, 0, tenMs);
        const double last = rmsDb(cut, frames - tenMs, tenMs);
        qInfo("fade: middle %.1f dB, first 10 ms %.1f dB, last 10 ms %.1f dB", middle, first, last);
        QVERIFY(first <= middle - 30);
        QVERIFY(last <= middle - 30);
    }
    if (std::isnan(lufs))
        return;
    // Measuring is the first half of the progress, writing the second.
    QVERIFY(std::any_of(seen.begin(), seen.end(), [](float p) { return p > 0 && p <= 50; }));
    QVERIFY(std::any_of(seen.begin(), seen.end(), [](float p) { return p > 50 && p < 100; }));
    const fixtures::Loudness heard = fixtures::measureLoudness(dest);
    qInfo("target %.1f LUFS; reached %s; ffmpeg: %.1f LUFS, true peak %.1f dBTP", lufs,
          qPrintable(reached.text()), heard.integratedLufs, heard.truePeakDbtp);
    QVERIFY(!std::isnan(heard.integratedLufs) && !std::isnan(heard.truePeakDbtp));
    QVERIFY(std::abs(heard.integratedLufs - reached.integratedLufs) <= 0.5);
    // ffmpeg's true peak is its own estimate of the 16-bit file: a tenth of a dB apart.
    QVERIFY(heard.truePeakDbtp <= cutting::kTruePeakCeilingDb + 0.1);
    QVERIFY(reached.truePeakDbtp <= cutting::kTruePeakCeilingDb + 1e-9);
    if (outcome == QLatin1String("target")) {
        QVERIFY(std::abs(heard.integratedLufs - lufs) <= 0.5);
    } else {
        // The ceiling held the gain back: quieter than asked, the peak at the ceiling.
        QVERIFY(heard.integratedLufs < lufs - 1);
        QVERIFY(heard.truePeakDbtp > cutting::kTruePeakCeilingDb - 0.5);
    }
}

void ConvertJobTest::gainTagsOnCopies_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QStringList>("codec");
    QTest::newRow("mp3") << QStringLiteral("mp3")
                         << QStringList{QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                                        QStringLiteral("-b:a"), QStringLiteral("128k")};
    QTest::newRow("ogg") << QStringLiteral("ogg")
                         << QStringList{QStringLiteral("-c:a"), QStringLiteral("libvorbis"),
                                        QStringLiteral("-q:a"), QStringLiteral("4")};
}

// The tags go in beside the coded audio, which decodes to the same samples as the untagged
// copy; the gain is ReplayGain's -18 LUFS less what an independent meter hears.
void ConvertJobTest::gainTagsOnCopies()
{
    QFETCH(QString, extension);
    QFETCH(QStringList, codec);
    const QString source = m_dir.filePath(QStringLiteral("gain-source.") + extension);
    const QString plain = m_dir.filePath(QStringLiteral("gain-plain.") + extension);
    const QString tagged = m_dir.filePath(QStringLiteral("gain-tagged.") + extension);
    QVERIFY(fixtures::makeTone(source, 6, kRate, 2, codec));
    engine::FileCopier copier;
    for (const QString &dest : {plain, tagged})
        QVERIFY(copier.cut(source, dest, kRate, 4 * kRate, {}));

    engine::AudioFileObject reader;
    const auto loudness = cutting::measureRange(reader, tagged, 0, INT64_MAX);
    QVERIFY2(loudness, qPrintable(loudness.description()));
    engine::DefaultEngineFactory factory;
    const auto information = factory.createInformation();
    const engine::Status written = cutting::writeGainTags(*information, tagged, loudness.value());
    QVERIFY2(written, qPrintable(written.description()));

    const fixtures::Decoded decoded = fixtures::decodeWithFfmpeg(tagged);
    QVERIFY(!decoded.samples.empty());
    QVERIFY(decoded.samples == fixtures::decodeWithFfmpeg(plain).samples);
    QVERIFY(writertest::decodeWithEngine(tagged).samples ==
            writertest::decodeWithEngine(plain).samples);
    const QString gainText = fixtures::probeTag(tagged, QStringLiteral("REPLAYGAIN_TRACK_GAIN"));
    QVERIFY2(gainText.endsWith(QLatin1String(" dB")), qPrintable(gainText));
    bool ok = false;
    const double gain = gainText.chopped(3).toDouble(&ok);
    QVERIFY(ok);
    const fixtures::Loudness heard = fixtures::measureLoudness(tagged);
    qInfo("%s: REPLAYGAIN_TRACK_GAIN %s; ffmpeg %.1f LUFS, so %.2f dB", qPrintable(extension),
          qPrintable(gainText), heard.integratedLufs, -18 - heard.integratedLufs);
    QVERIFY(std::abs(gain - (-18 - heard.integratedLufs)) <= 0.5);
    const double peak =
        fixtures::probeTag(tagged, QStringLiteral("REPLAYGAIN_TRACK_PEAK")).toDouble(&ok);
    // The largest decoded sample.
    float largest = 0;
    for (float sample : decoded.samples)
        largest = std::max(largest, std::abs(sample));
    QVERIFY2(ok && std::abs(peak - double(largest)) < 0.005,
             qPrintable(QStringLiteral("%1 against %2").arg(peak).arg(largest)));
}

void ConvertJobTest::secondReaderWritesTheSameBytes_data()
{
    QTest::addColumn<QStringList>("codec");
    QTest::addColumn<int>("channels");    // written
    QTest::addColumn<double>("fade");     // seconds at each end
    QTest::addColumn<bool>("normalise");  // to -16 LUFS
    QTest::addColumn<double>("split");    // seconds into the part
    QTest::addColumn<int>("cancelAfter"); // breaths; 0: none
    const auto args = [](const char *text) { return QString::fromLatin1(text).split(u' '); };
    // The seams fall inside codec frames and blocks, inside the fade-out and on a click.
    QTest::newRow("mp3 cbr") << args("-c:a libmp3lame -b:a 128k") << 2 << 0.0 << false << 9.0 << 0;
    QTest::newRow("mp3 vbr faded")
        << args("-c:a libmp3lame -q:a 4") << 2 << 3.0 << false << 19.6 << 0;
    QTest::newRow("ogg faded, normalised")
        << args("-c:a libvorbis -q:a 3") << 2 << 1.5 << true << 6.71 << 0;
    QTest::newRow("wav to mono") << args("-c:a pcm_s16le") << 1 << 0.0 << false << 10.0 << 0;
    QTest::newRow("adpcm wav faded") << args("-c:a adpcm_ms") << 2 << 2.0 << false << 12.2 << 0;
    // Cancelled in the first stretch: the file ends there, nothing of the second stays.
    QTest::newRow("mp3 cancelled")
        << args("-c:a libmp3lame -b:a 128k") << 2 << 1.0 << false << 9.0 << 3;
}

// The part's later stretch decoded by a second reader from its exact first frame gives the
// file the one reader writes, byte for byte.
void ConvertJobTest::secondReaderWritesTheSameBytes()
{
    QFETCH(QStringList, codec);
    QFETCH(int, channels);
    QFETCH(double, fade);
    QFETCH(bool, normalise);
    QFETCH(double, split);
    QFETCH(int, cancelAfter);
    const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
    // The extension names the container for the ffmpeg program.
    const QString container = codec.contains(QStringLiteral("libmp3lame"))  ? QStringLiteral("mp3")
                              : codec.contains(QStringLiteral("libvorbis")) ? QStringLiteral("ogg")
                                                                            : QStringLiteral("wav");
    const QString source = m_dir.filePath(tag + QStringLiteral("-source.") + container);
    QVERIFY(fixtures::makeAttacks(source, 24, kRate, 2, codec));
    engine::OutputChoice output;
    output.format = engine::OutputFormat::Wav;
    output.wav.channels = int16_t(channels);
    cutting::ShapeOptions shaping = cutting::shapeOptionsOf(output);
    shaping.shape.fadeInSeconds = fade;
    shaping.shape.fadeOutSeconds = fade;
    if (normalise)
        shaping.shape.normaliseLufs = -16.0;
    const cutting::Range range{std::llround(1.37 * kRate), std::llround(22.81 * kRate)};

    int breaths = 0;
    std::atomic<int> secondBlocks = 0;
    cutting::JobCallbacks callbacks;
    callbacks.breathe = [&] { ++breaths; };
    // Cancelled once the second reader has written a block (it read a second one): what it
    // wrote must not stay in the file.
    if (cancelAfter > 0)
        callbacks.goOn = [&] {
            if (breaths < cancelAfter)
                return true;
            QDeadlineTimer patience(30000);
            while (secondBlocks.load() > 0 && secondBlocks.load() < 3 && !patience.hasExpired())
                QThread::msleep(1);
            return false;
        };
    const auto cut = [&](const QString &dest, const cutting::SecondReader &second) {
        breaths = 0;
        engine::AudioFileObject reader;
        const engine::Status outcome = cutting::ConvertRange(
            reader, writertest::makerOf(output), source, dest, range, callbacks, shaping, second);
        QVERIFY2(outcome, qPrintable(outcome.description()));
    };
    const QString one = m_dir.filePath(tag + QStringLiteral("-one.wav"));
    const QString two = m_dir.filePath(tag + QStringLiteral("-two.wav"));
    cut(one, {});
    int made = 0;
    cutting::SecondReader second;
    second.make = [&] {
        ++made;
        secondBlocks = 1; // counts from 1: 0 is the one-reader cut, which waits for nothing
        return std::make_unique<CountingReader>(secondBlocks);
    };
    second.splitAt = std::llround(split * kRate);
    cut(two, second);
    QCOMPARE(made, 1);
    QVERIFY(secondBlocks.load() > 2);

    QFile first(one);
    QFile other(two);
    QVERIFY(first.open(QIODevice::ReadOnly) && other.open(QIODevice::ReadOnly));
    const QByteArray expected = first.readAll();
    const QByteArray written = other.readAll();
    QCOMPARE(written.size(), expected.size());
    QVERIFY(written == expected);
    if (cancelAfter > 0)
        QCOMPARE(writertest::decodeWithEngine(two).frames(), qint64(cancelAfter) * kRate);
    QVERIFY(QDir(m_dir.path()).entryList({tag + QStringLiteral("*.wav.*")}).isEmpty());
}

QTEST_GUILESS_MAIN(ConvertJobTest)
#include "tst_convert_job.moc"
