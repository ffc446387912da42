// Many parts of one source: cue sheets in and out, file names from templates, and the split
// job over real files (copied parts that join to the source, re-encoded parts of exact length,
// Cancel and a failing part keeping only whole parts).
#include "Fixtures.h"
#include "PartNames.h"
#include "SplitJob.h"
#include "WriterTestSupport.h"
#include "engine/cue/CueSheetFile.h"
#include "engine/factory/AudioFileObject.h"
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/factory/Initialise.h"
#include "engine/lossless/FileCopier.h"
#include "engine/peaks/BackgroundPeaks.h"
#include "engine/peaks/PauseSearch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kRate = 44100;

QStringList texts(std::initializer_list<const char *> list)
{
    QStringList out;
    for (const char *text : list)
        out << QString::fromUtf8(text);
    return out;
}

bool writeText(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class SplitTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cueSheets_data();
    void cueSheets();
    void cueSheetsRoundTrip_data();
    void cueSheetsRoundTrip();
    void names_data();
    void names();
    void partitionJoinsToTheSource_data();
    void partitionJoinsToTheSource();
    void cancelAndFailureKeepWholeParts();
    void cancelledCopiesKeepWholeParts_data();
    void cancelledCopiesKeepWholeParts();
    void pausesFromThePeaks();

private:
    QTemporaryDir m_dir;
};

void SplitTest::initTestCase()
{
    engine::initialise();
    QVERIFY(m_dir.isValid());
}

void SplitTest::cueSheets_data()
{
    QTest::addColumn<QByteArray>("sheet");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QList<qint64>>("begins");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("refusal");
    const QByteArray album = "PERFORMER \"Band\"\nTITLE \"Album\"\nFILE \"rip.wav\" WAVE\n"
                             "  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 01 00:00:00\n"
                             "  TRACK 02 AUDIO\n    TITLE \"Two\"\n    INDEX 00 00:20:00\n"
                             "    INDEX 01 00:21:37\n"
                             "  TRACK 03 AUDIO\n    TITLE \"Drei\"\n    INDEX 01 00:40:01\n";
    // 21 s 37/75 at 44.1 kHz is 947,268 frames exactly; at 32 kHz 687,786.67 rounds up.
    QTest::newRow("44.1 kHz, exact") << album << 44100 << QList<qint64>{0, 947856, 1764588}
                                     << texts({"One", "Two", "Drei"}) << QString();
    QTest::newRow("32 kHz, rounded") << album << 32000 << QList<qint64>{0, 687787, 1280427}
                                     << texts({"One", "Two", "Drei"}) << QString();
    QTest::newRow("BOM and Windows-1252")
        << QByteArray("\xEF\xBB\xBFTITLE \"x\"\nFILE \"a.mp3\" MP3\n  TRACK 01 AUDIO\n"
                      "    TITLE \"H\xF6rspiel \x80\"\n    INDEX 01 00:00:00\n")
        << 44100 << QList<qint64>{0} << QStringList{QStringLiteral("Hörspiel €")} << QString();
    QTest::newRow("two files")
        << QByteArray("FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                      "FILE \"b.wav\" WAVE\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n")
        << 44100 << QList<qint64>{} << QStringList{}
        << QStringLiteral("the cue sheet describes 2 files.");
    QTest::newRow("not increasing")
        << QByteArray("FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:10:00\n"
                      "  TRACK 02 AUDIO\n    INDEX 01 00:05:00\n")
        << 44100 << QList<qint64>{} << QStringList{}
        << QStringLiteral("the start of track 2 does not come after the start of track 1.");
    QTest::newRow("past the end")
        << QByteArray("FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 09:00:00\n") << 44100
        << QList<qint64>{} << QStringList{}
        << QStringLiteral("track 1 starts after the end of the audio.");
}

void SplitTest::cueSheets()
{
    QFETCH(QByteArray, sheet);
    QFETCH(int, rate);
    QFETCH(QList<qint64>, begins);
    QFETCH(QStringList, titles);
    QFETCH(QString, refusal);
    const QString path = m_dir.filePath(QStringLiteral("read.cue"));
    QVERIFY(writeText(path, sheet));
    const int64_t length = 60LL * rate;
    const auto read = engine::CueSheetFile().read(path, rate, length);
    if (!refusal.isEmpty()) {
        QVERIFY(read.failed());
        QVERIFY2(read.description().endsWith(refusal), qPrintable(read.description()));
        return;
    }
    QVERIFY2(read.ok(), qPrintable(read.description()));
    const std::vector<engine::Part> &parts = read.value().parts;
    QCOMPARE(qsizetype(parts.size()), begins.size());
    for (size_t i = 0; i < parts.size(); ++i) {
        QCOMPARE(parts[i].begin, begins[qsizetype(i)]);
        // Each track runs to the next one's INDEX 01, not to its INDEX 00.
        QCOMPARE(parts[i].end, i + 1 < parts.size() ? begins[qsizetype(i + 1)] : length);
        QCOMPARE(parts[i].title, titles[qsizetype(i)]);
    }
}

void SplitTest::cueSheetsRoundTrip_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<qint64>("begin");
    QTest::addColumn<qint64>("readBack");
    QTest::newRow("on the grid") << 44100 << qint64(588 * 1234) << qint64(588 * 1234);
    QTest::newRow("off the grid") << 44100 << qint64(588 * 1234 + 290) << qint64(588 * 1234);
    QTest::newRow("nearer the next") << 44100 << qint64(588 * 1234 + 300) << qint64(588 * 1235);
    QTest::newRow("48 kHz") << 48000 << qint64(640 * 77) << qint64(640 * 77);
}

void SplitTest::cueSheetsRoundTrip()
{
    QFETCH(int, rate);
    QFETCH(qint64, begin);
    QFETCH(qint64, readBack);
    engine::PartList list;
    list.album = QStringLiteral("Live \"at\" Home");
    list.artist = QStringLiteral("Ünïcode Band");
    list.parts = {{0, begin, QStringLiteral("Intro"), {}},
                  {begin, 90LL * rate, QStringLiteral("Zwei: Straße"), QStringLiteral("Guest")}};
    const QString cue = m_dir.filePath(QStringLiteral("written.cue"));
    const engine::CueSheetFile sheets;
    QVERIFY(sheets.write(cue, m_dir.filePath(QStringLiteral("source.mp3")), list, rate));
    const auto read = sheets.read(cue, rate, 90LL * rate);
    QVERIFY2(read.ok(), qPrintable(read.description()));
    QCOMPARE(read.value().parts.size(), size_t(2));
    QCOMPARE(read.value().parts[1].begin, readBack);
    QCOMPARE(read.value().parts[1].title, list.parts[1].title);
    QCOMPARE(read.value().parts[1].performer, list.parts[1].performer);
    QCOMPARE(read.value().artist, list.artist);
    QCOMPARE(read.value().album, QStringLiteral("Live 'at' Home"));
}

void SplitTest::names_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("expected");
    const QStringList twelve = texts({"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L"});
    QStringList padded;
    for (int i = 1; i <= 12; ++i)
        padded << QStringLiteral("%1 - %2.mp3").arg(i, 2, 10, QLatin1Char('0')).arg(twelve[i - 1]);
    QTest::newRow("padded to the count") << QStringLiteral("{n} - {title}") << twelve << padded;
    QTest::newRow("collisions and non-ASCII")
        << QStringLiteral("{title}") << texts({"Hörspiel: 1", "Hörspiel: 1", "a/b"})
        << texts({"Hörspiel: 1.mp3", "Hörspiel: 1 (2).mp3", "a_b.mp3"});
    QTest::newRow("empty field falls back")
        << QStringLiteral("{title}") << texts({"", "Two"}) << texts({"Rip - 1.mp3", "Two.mp3"});
    QTest::newRow("times and source") << QStringLiteral("{source} {begin}") << texts({"", ""})
                                      << texts({"Rip 00-00-00.mp3", "Rip 01-01-01.mp3"});
}

void SplitTest::names()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, expected);
    engine::PartList list;
    for (qsizetype i = 0; i < titles.size(); ++i)
        list.parts.push_back({i * 3661LL * kRate, (i + 1) * 3661LL * kRate, titles[i], {}});
    QCOMPARE(
        cutting::partFileNames(pattern, list, QStringLiteral("Rip"), kRate, QStringLiteral("mp3")),
        expected);
}

void SplitTest::partitionJoinsToTheSource_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QStringList>("codec");
    QTest::addColumn<bool>("copy");
    const QStringList cbr = texts({"-c:a", "libmp3lame", "-b:a", "128k"});
    const QStringList vbr = texts({"-c:a", "libmp3lame", "-q:a", "2"});
    const QStringList ogg = texts({"-c:a", "libvorbis", "-q:a", "4"});
    const QStringList wav = texts({"-c:a", "pcm_s16le"});
    QTest::newRow("MP3 CBR copied") << QStringLiteral("mp3") << cbr << true;
    QTest::newRow("MP3 VBR copied") << QStringLiteral("mp3") << vbr << true;
    QTest::newRow("OGG copied") << QStringLiteral("ogg") << ogg << true;
    QTest::newRow("WAV copied") << QStringLiteral("wav") << wav << true;
    QTest::newRow("MP3 re-encoded") << QStringLiteral("mp3") << cbr << false;
    QTest::newRow("OGG re-encoded") << QStringLiteral("ogg") << ogg << false;
}

// Parts at uneven points, each a partition's neighbour: copied, the decodes joined are the
// source's decode frame for frame; re-encoded, each part has its exact length.
void SplitTest::partitionJoinsToTheSource()
{
    QFETCH(QString, extension);
    QFETCH(QStringList, codec);
    QFETCH(bool, copy);
    const QString source = m_dir.filePath(QStringLiteral("attacks.") + extension);
    if (!QFile::exists(source))
        QVERIFY(fixtures::makeAttacks(source, 12, kRate, 2, codec));
    engine::AudioFileObject reader;
    QVERIFY(reader.openForReading(source));
    const int64_t length = reader.length().value();
    QVERIFY(reader.close());
    const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(folder));
    cutting::SplitRequest request;
    request.sourcePath = source;
    request.parts.parts =
        engine::partsBetween(length, {44100 + 17, 3 * 44100 + 1151, 250001, length - 1153});
    for (size_t i = 0; i < request.parts.parts.size(); ++i)
        request.destinations << QDir(folder).filePath(
            QStringLiteral("%1.%2").arg(i).arg(extension));
    request.copy = copy;
    engine::OutputChoice output;
    output.ogg.useQuality = true;
    output.ogg.quality = 400;
    const auto writer = writertest::makerOf(output);
    engine::FileCopier copier;
    // The length a copy takes from an MP3's LAME header is the reader's, or the last part
    // would end elsewhere than the source.
    if (copy) {
        const auto prepared = copier.prepare(source, engine::outputFormatOf(source)->format);
        QVERIFY2(prepared.ok(), qPrintable(prepared.description()));
        QCOMPARE(prepared.value()->length().value_or(length), length);
        QCOMPARE(prepared.value()->length().has_value(), extension == QLatin1String("mp3"));
    }
    const auto information = engine::DefaultEngineFactory().createInformation();
    // Re-encoded parts go two at a time, each worker with a writer of the same output.
    cutting::PartWorkers workers;
    workers.count = 2;
    workers.makeReader = [] { return std::make_unique<engine::AudioFileObject>(); };
    workers.makeWriter = writer;
    const cutting::SplitReport report =
        copy ? cutting::SplitParts(reader, writer, &copier, *information, request, {})
             : cutting::SplitPartsAtOnce(workers, *information, request, {});
    QVERIFY2(report.status.ok(), qPrintable(report.status.description()));
    QCOMPARE(report.written, request.destinations);
    if (copy)
        QCOMPARE(report.notes, QStringList());

    const bool vorbis = extension == QLatin1String("ogg");
    const fixtures::Decoded whole =
        vorbis ? fixtures::decodeWithOggdec(source) : fixtures::decodeWithFfmpeg(source);
    std::vector<float> joined;
    for (size_t i = 0; i < request.parts.parts.size(); ++i) {
        const fixtures::Decoded part =
            vorbis ? fixtures::decodeWithOggdec(report.written[qsizetype(i)])
                   : fixtures::decodeWithFfmpeg(report.written[qsizetype(i)]);
        const engine::Part &range = request.parts.parts[i];
        QCOMPARE(part.frames(), range.end - range.begin);
        joined.insert(joined.end(), part.samples.begin(), part.samples.end());
    }
    if (copy) {
        QVERIFY(joined == whole.samples);
        // One prepared source asked out of order and for overlapping ranges (its index read
        // again from the middle) writes what a single cut of each range writes.
        const auto prepared = copier.prepare(source, engine::outputFormatOf(source)->format);
        QVERIFY(prepared.ok());
        const std::vector<engine::Part> ranges = {request.parts.parts[3],
                                                  request.parts.parts[1],
                                                  {3 * 44100 + 1000, length - 2000, {}, {}},
                                                  request.parts.parts[0]};
        for (size_t i = 0; i < ranges.size(); ++i) {
            const QString copied = QDir(folder).filePath(QStringLiteral("again.") + extension);
            const QString cut = QDir(folder).filePath(QStringLiteral("cut.") + extension);
            QVERIFY(prepared.value()->copy(copied, ranges[i].begin, ranges[i].end, {}, {}));
            QVERIFY(copier.cut(source, cut, ranges[i].begin, ranges[i].end, {}));
            QVERIFY2(bytesOf(copied) == bytesOf(cut), qPrintable(QString::number(i)));
            QVERIFY(QFile::remove(copied) && QFile::remove(cut));
        }
    }
    // Each part carries its place among all of them.
    QVERIFY(information->readInformation(report.written[2]));
    QCOMPARE(information->tags().track, QStringLiteral("3/%1").arg(request.parts.parts.size()));
}

void SplitTest::cancelAndFailureKeepWholeParts()
{
    const QString source = m_dir.filePath(QStringLiteral("cancel.wav"));
    QVERIFY(fixtures::makeTone(source, 9, kRate, 2,
                               {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")}));
    const QString folder = m_dir.filePath(QStringLiteral("cancel"));
    QVERIFY(QDir().mkpath(folder));
    cutting::SplitRequest request;
    request.sourcePath = source;
    request.parts.parts = engine::partsOfLength(9LL * kRate, 3LL * kRate);
    for (int i = 0; i < 3; ++i)
        request.destinations << QDir(folder).filePath(QStringLiteral("%1.mp3").arg(i));
    engine::AudioFileObject reader;
    const auto writer = writertest::makerOf();
    const auto information = engine::DefaultEngineFactory().createInformation();

    // Cancelled in the second part's second block.
    int blocks = 0;
    cutting::JobCallbacks callbacks;
    callbacks.goOn = [&] { return ++blocks < 5; };
    cutting::SplitReport report =
        cutting::SplitParts(reader, writer, nullptr, *information, request, callbacks);
    QVERIFY(report.cancelled);
    QCOMPARE(report.written, QStringList{request.destinations[0]});
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), texts({"0.mp3"}));

    // Two at a time, cancelled while they run: whatever is left is whole.
    QVERIFY(QFile::remove(request.destinations[0]));
    cutting::PartWorkers workers;
    workers.count = 2;
    workers.makeReader = [] { return std::make_unique<engine::AudioFileObject>(); };
    workers.makeWriter = writer;
    int breaths = 0;
    cutting::JobCallbacks atOnce;
    atOnce.goOn = [&] { return ++breaths < 3; };
    report = cutting::SplitPartsAtOnce(workers, *information, request, atOnce);
    QVERIFY(report.cancelled);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), report.written.size());
    for (const QString &written : report.written)
        QCOMPARE(fixtures::decodeWithFfmpeg(written).frames(), 3LL * kRate);
    for (const QString &written : report.written)
        QVERIFY(QFile::remove(written));
    QVERIFY(writeText(request.destinations[0], "an older file"));

    // Existing files stay unless the caller lets them be replaced; a part that cannot be
    // written stops the job with its reason and the parts before it.
    report = cutting::SplitParts(reader, writer, nullptr, *information, request, {});
    QVERIFY(report.status.failed());
    QVERIFY(report.written.isEmpty());
    request.replaceExisting = true;
    request.destinations[1] = QDir(folder).filePath(QStringLiteral("missing/1.mp3"));
    report = cutting::SplitParts(reader, writer, nullptr, *information, request, {});
    QVERIFY(report.status.failed());
    QVERIFY2(report.status.description().contains(QStringLiteral("missing")),
             qPrintable(report.status.description()));
    QCOMPARE(report.written, QStringList{request.destinations[0]});
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), texts({"0.mp3"}));
}

void SplitTest::cancelledCopiesKeepWholeParts_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QStringList>("codec");
    QTest::addColumn<int>("cancelledPart");
    // A copied part is put in place while the next one is copied: Cancel must neither lose
    // it nor keep the one in progress.
    QTest::newRow("MP3 copied, cancelled in the third part")
        << QStringLiteral("mp3") << texts({"-c:a", "libmp3lame", "-b:a", "128k"}) << 2;
}

void SplitTest::cancelledCopiesKeepWholeParts()
{
    QFETCH(QString, extension);
    QFETCH(QStringList, codec);
    QFETCH(int, cancelledPart);
    const QString source = m_dir.filePath(QStringLiteral("cancel-copies.") + extension);
    QVERIFY(fixtures::makeTone(source, 10, kRate, 2, codec));
    const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(folder));
    cutting::SplitRequest request;
    request.sourcePath = source;
    request.parts.parts = engine::partsOfLength(9LL * kRate, 3LL * kRate);
    for (size_t i = 0; i < request.parts.parts.size(); ++i)
        request.destinations << QDir(folder).filePath(
            QStringLiteral("%1.%2").arg(i).arg(extension));
    request.copy = true;
    // Halfway through the progress of the part to cancel.
    const double cancelAt = 100.0 * (cancelledPart + 0.5) / double(request.parts.parts.size());
    float progress = 0;
    cutting::JobCallbacks callbacks;
    callbacks.progress = [&](float percent) { progress = percent; };
    callbacks.goOn = [&] { return progress <= cancelAt; };
    engine::AudioFileObject reader;
    engine::FileCopier copier;
    const auto information = engine::DefaultEngineFactory().createInformation();
    const cutting::SplitReport report = cutting::SplitParts(reader, writertest::makerOf(), &copier,
                                                            *information, request, callbacks);
    QVERIFY(report.cancelled);
    QVERIFY2(report.status.ok(), qPrintable(report.status.description()));
    QCOMPARE(report.written, request.destinations.mid(0, cancelledPart));
    QStringList names;
    for (const QString &written : report.written) {
        names << QFileInfo(written).fileName();
        QCOMPARE(fixtures::decodeWithFfmpeg(written).frames(), 3LL * kRate);
    }
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), names);
}

// Ten pauses of 2 s at -66 dB between loud stretches: found from the peaks, each edge on the
// exact frame where the level changes, and split in its middle into eleven parts.
void SplitTest::pausesFromThePeaks()
{
    const QString source = m_dir.filePath(QStringLiteral("pauses.wav"));
    QVERIFY(fixtures::runFfmpeg(
        {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
         QStringLiteral("aevalsrc='0.5*if(gte(t,1.5)*lt(t,41.5)*lt(mod(t-1.5,4),2),0.001,1)'"
                        ":s=44100:d=44"),
         QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"),
         QStringLiteral("pcm_s16le"), source}));
    engine::BackgroundPeaks computer;
    computer.start(source);
    QTRY_VERIFY_WITH_TIMEOUT(computer.peaks() && computer.peaks()->finished(), 30000);
    const auto pauses = engine::PauseSearch().findPauses(source, *computer.peaks(), {});
    QVERIFY2(pauses.ok(), qPrintable(pauses.description()));
    QCOMPARE(pauses.value().size(), size_t(10));
    for (size_t k = 0; k < 10; ++k) {
        const auto begin = int64_t(66150 + 176400 * k);
        QVERIFY2(std::abs(pauses.value()[k].begin - begin) <= 1, qPrintable(QString::number(k)));
        QVERIFY2(std::abs(pauses.value()[k].end - (begin + 88200)) <= 1,
                 qPrintable(QStringLiteral("%1: %2..%3")
                                .arg(k)
                                .arg(pauses.value()[k].begin)
                                .arg(pauses.value()[k].end)));
    }
    const std::vector<engine::Part> parts =
        engine::partsAtPauses(44LL * kRate, kRate, pauses.value(), {});
    QCOMPARE(parts.size(), size_t(11));
    for (size_t k = 0; k + 1 < parts.size(); ++k) {
        QVERIFY(parts[k].end > pauses.value()[k].begin && parts[k].end < pauses.value()[k].end);
        QCOMPARE(parts[k + 1].begin, parts[k].end);
    }
    // A part trimmed of its silence starts and ends where the sound does.
    const engine::Part trimmed = engine::trimSilence(parts[3], pauses.value());
    QCOMPARE(trimmed.begin, pauses.value()[2].end);
    QCOMPARE(trimmed.end, pauses.value()[3].begin);
}

QTEST_GUILESS_MAIN(SplitTest)
#include "tst_split.moc"
