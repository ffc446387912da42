// The conversion job over real files: exactly the marked frames, in every format; progress
// that only rises; Cancel keeping a playable file; failures that leave an older file as it
// was and no temporary file behind.
#include "ConvertJob.h"
#include "FailingSource.h"
#include "Fixtures.h"
#include "WriterTestSupport.h"
#include "engine/factory/AudioFileObject.h"
#include "engine/factory/Initialise.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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

QTEST_GUILESS_MAIN(ConvertJobTest)
#include "tst_convert_job.moc"
