// Files that break other tools: each either fails with a description or plays what can be
// decoded. Never a crash, never a hang (CTest's timeout bounds the suite), and a length that
// the reads honour.
#include "Fixtures.h"
#include "engine/factory/AudioFileObject.h"
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/factory/Initialise.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>

class BadInputTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void engineSurvives_data();
    void engineSurvives();
    void rateChangeLeftOut_data();
    void rateChangeLeftOut();
    void damagedMp3FramesKeepTheirPlace();
    void hugeClaimsTakeLittleMemory();
    void unreadableFile();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QByteArray goodFile(const QString &extension) const
    {
        QFile f(path(QStringLiteral("good.") + extension));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir m_dir;
};

namespace {

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, '\0');
    for (char &b : bytes)
        b = char(generator.bounded(256));
    return bytes;
}

bool writeFile(const QString &file, const QByteArray &content)
{
    QFile f(file);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QByteArray flipped(QByteArray data, int every)
{
    for (qsizetype i = data.size() / 5; i < data.size(); i += every)
        data[i] = char(~data[i]);
    return data;
}

QByteArray wavHeader(quint32 dataSize, quint16 channels, quint32 rate)
{
    QByteArray h;
    auto u32 = [&h](quint32 v) {
        for (int i = 0; i < 4; ++i)
            h.append(char((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&h](quint16 v) {
        h.append(char(v & 0xFF));
        h.append(char(v >> 8));
    };
    h.append("RIFF");
    u32(dataSize + 36);
    h.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * channels * 2);
    u16(quint16(channels * 2));
    u16(16);
    h.append("data");
    u32(dataSize);
    return h;
}

} // namespace

void BadInputTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    engine::initialise();
    const QStringList codecs[] = {{QStringLiteral("-c:a"), QStringLiteral("libmp3lame")},
                                  {QStringLiteral("-c:a"), QStringLiteral("libvorbis")},
                                  {QStringLiteral("-c:a"), QStringLiteral("wmav2")},
                                  {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")}};
    const char *extensions[] = {"mp3", "ogg", "wma", "wav"};
    for (int i = 0; i < 4; ++i)
        QVERIFY(fixtures::makeTone(path(QStringLiteral("good.") + QLatin1String(extensions[i])),
                                   3.0, 44100, 2, codecs[i]));
    QVERIFY(fixtures::makeTone(path(QStringLiteral("mono.mp3")), 1.0, 44100, 1, codecs[0]));
    QVERIFY(fixtures::makeTone(path(QStringLiteral("22k.mp3")), 1.0, 22050, 2, codecs[0]));
    QVERIFY(fixtures::makeTone(path(QStringLiteral("22k.ogg")), 1.0, 22050, 1, codecs[1]));
}

void BadInputTest::engineSurvives_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");

    for (const char *ext : {"mp3", "ogg", "wma", "wav"}) {
        const QString e = QString::fromLatin1(ext);
        const QByteArray good = goodFile(e);
        QVERIFY(!good.isEmpty());
        QTest::addRow("empty .%s", ext) << QStringLiteral("empty.") + e << QByteArray("");
        QTest::addRow("random .%s", ext) << QStringLiteral("random.") + e << randomBytes(40000, 7);
        for (int percent : {1, 10, 50, 90, 99})
            QTest::addRow("truncated %d%% .%s", percent, ext)
                << QStringLiteral("cut%1.").arg(percent) + e
                << good.left(good.size() * percent / 100);
        QTest::addRow("header only .%s", ext) << QStringLiteral("head.") + e << good.left(100);
        QTest::addRow("flipped bytes .%s", ext) << QStringLiteral("flip.") + e << flipped(good, 97);
        QTest::addRow("few flipped bytes .%s", ext)
            << QStringLiteral("flip2.") + e << flipped(good, 9001);
    }
    QTest::newRow("ogg named .mp3")
        << QStringLiteral("really-ogg.mp3") << goodFile(QStringLiteral("ogg"));
    QTest::newRow("wav named .wma")
        << QStringLiteral("really-wav.wma") << goodFile(QStringLiteral("wav"));

    QByteArray id3("ID3\x03\x00\x00", 6);
    const quint32 claimed = 200u * 1024 * 1024; // syncsafe: 7 bits a byte
    for (int shift : {21, 14, 7, 0})
        id3.append(char((claimed >> shift) & 0x7F));
    QTest::newRow("ID3v2 claiming 200 MB")
        << QStringLiteral("id3.mp3") << id3 + goodFile(QStringLiteral("mp3"));

    const QByteArray pcm = goodFile(QStringLiteral("wav")).mid(44);
    QTest::newRow("WAV claiming 4 GB")
        << QStringLiteral("huge.wav") << wavHeader(0xFFFFFFF0u, 2, 44100) + pcm;
    QTest::newRow("WAV with 0 channels")
        << QStringLiteral("nochan.wav") << wavHeader(quint32(pcm.size()), 0, 44100) + pcm;
    QTest::newRow("WAV at 0 Hz") << QStringLiteral("norate.wav")
                                 << wavHeader(quint32(pcm.size()), 2, 0) + pcm;

    QByteArray ogg = goodFile(QStringLiteral("ogg"));
    const qsizetype third = ogg.indexOf("OggS", ogg.indexOf("OggS", ogg.indexOf("OggS") + 4) + 4);
    for (qsizetype i = third + 30; i < third + 200 && i < ogg.size(); ++i)
        ogg[i] = char(ogg[i] ^ 0x5A);
    QTest::newRow("OGG with a corrupted page") << QStringLiteral("badpage.ogg") << ogg;
    QTest::newRow("WMA with a cut header")
        << QStringLiteral("cuthead.wma") << goodFile(QStringLiteral("wma")).left(2000);
    // MP3 files joined end to end switch channels or rate mid-stream.
    auto file = [this](const char *name) {
        QFile f(path(QString::fromLatin1(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    QTest::newRow("stereo then mono .mp3")
        << QStringLiteral("joined1.mp3") << file("good.mp3") + file("mono.mp3") + file("good.mp3");
    QTest::newRow("44.1 then 22.05 kHz .mp3")
        << QStringLiteral("joined2.mp3") << file("good.mp3") + file("22k.mp3");
    QTest::newRow("playlist named .mp3")
        << QStringLiteral("list.mp3") << QByteArray("#EXTM3U\n#EXTINF:1,x\n/etc/passwd\n");
    QTest::newRow("directory named .mp3") << QStringLiteral("folder.mp3") << QByteArray();
}

void BadInputTest::engineSurvives()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString file = path(name);
    if (content.isNull()) {
        QVERIFY(QDir().mkpath(file));
    } else {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    engine::AudioFileObject reader;
    const engine::Status opened = reader.openForReading(file);
    if (!opened) {
        QVERIFY(!opened.description().isEmpty());
        QVERIFY(!reader.length());
        return;
    }
    // Whatever opens plays to the end, in as many frames as its length says, and seeks.
    const int32_t length = reader.length().value();
    const int32_t channels = reader.channelCount().value();
    QVERIFY(channels == 1 || channels == 2);
    QVERIFY(reader.sampleRate().value() > 0);
    engine::SampleBlock block;
    qint64 frames = 0;
    for (int guard = 0; guard < 100000; ++guard) {
        if (!reader.readBlock(8820, block) || block.empty())
            break;
        frames += qint64(block.size()) / channels;
    }
    QVERIFY(frames <= length);
    const auto reached = reader.seek(length / 2);
    if (reached)
        QVERIFY(reached.value() <= length);
    engine::ignoreFailure(reader.readBlock(8820, block),
                          "a damaged file may fail here; only what comes back is checked");
    QVERIFY(qint64(block.size()) / channels <= length - length / 2);
}

void BadInputTest::rateChangeLeftOut_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("MP3 44.1 then 22.05 kHz")
        << QStringLiteral("good.mp3") << QStringLiteral("22k.mp3");
    QTest::newRow("chained OGG 44.1 then 22.05 kHz")
        << QStringLiteral("good.ogg") << QStringLiteral("22k.ogg");
}

// A part at another rate cannot be played on the file's timeline. Counting it in the length
// would leave the window's end and the cut's end after the last frame the reads deliver.
void BadInputTest::rateChangeLeftOut()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    const QString file = path(QStringLiteral("joined-") + first);
    QFile a(path(first)), b(path(second));
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QVERIFY(writeFile(file, a.readAll() + b.readAll()));
    engine::AudioFileObject alone;
    QVERIFY(alone.openForReading(path(first)));
    engine::AudioFileObject reader;
    QVERIFY(reader.openForReading(file));
    const int32_t length = reader.length().value();
    // An MP3's end padding is trimmed only at the end of the whole file, so up to one frame
    // of it stays.
    QVERIFY2(length >= alone.length().value() && length <= alone.length().value() + 1152,
             qPrintable(QStringLiteral("length %1").arg(length)));
    engine::SampleBlock block;
    qint64 frames = 0;
    while (reader.readBlock(8820, block) && !block.empty())
        frames += qint64(block.size()) / reader.channelCount().value();
    QCOMPARE(frames, qint64(length));
    const auto reached = reader.seek(length - 100);
    QVERIFY(reached);
    QVERIFY(reader.readBlock(8820, block));
    QCOMPARE(qint64(block.size()) / reader.channelCount().value(), qint64(100));
}

namespace {

/// Every frame of a file, read block after block.
engine::SampleBlock readAll(const QString &file, int32_t *length)
{
    engine::AudioFileObject reader;
    engine::SampleBlock all, block;
    if (!reader.openForReading(file))
        return all;
    *length = reader.length().value();
    while (reader.readBlock(8820, block) && !block.empty())
        all.insert(all.end(), block.begin(), block.end());
    return all;
}

} // namespace

// A frame the decoder refuses yields no sound. Silence in its place keeps what follows where a
// seek finds it and where it sits in the intact file; without it, everything after the damage
// would play early and the reads would end before the length.
void BadInputTest::damagedMp3FramesKeepTheirPlace()
{
    QByteArray mp3 = goodFile(QStringLiteral("mp3"));
    static const int kBitRates[] = {0,   32,  40,  48,  56,  64,  80, 96,
                                    112, 128, 160, 192, 224, 256, 320};
    QList<qsizetype> frames;
    for (qsizetype at = mp3.indexOf("\xFF\xFB"); at >= 0 && at + 4 <= mp3.size();) {
        const auto b2 = quint8(mp3[at + 2]);
        if (quint8(mp3[at]) != 0xFF || (quint8(mp3[at + 1]) & 0xE0) != 0xE0 || b2 >> 4 == 0 ||
            b2 >> 4 == 15)
            break;
        frames << at;
        at += 144000 * kBitRates[b2 >> 4] / 44100 + ((b2 >> 1) & 1);
    }
    QVERIFY(frames.size() > 100);
    // A payload of frame headers: the decoder finds its side information impossible.
    for (int k : {40, 41, 80})
        for (qsizetype i = frames[k] + 4; i < frames[k + 1]; ++i)
            mp3[i] = "\xFF\xFB\x90\x00"[(i - frames[k]) % 4];
    const QString file = path(QStringLiteral("damaged.mp3"));
    QVERIFY(writeFile(file, mp3));
    int32_t length = 0, intactLength = 0;
    const engine::SampleBlock damaged = readAll(file, &length);
    const engine::SampleBlock intact = readAll(path(QStringLiteral("good.mp3")), &intactLength);
    QCOMPARE(length, intactLength);
    QCOMPARE(qint64(damaged.size()), qint64(length) * 2);

    // Well after the damage (the bit reservoir spans a few frames) the sound is the intact one.
    const qsizetype from = 2 * 1152 * 90, count = 2 * 1152 * 10;
    QVERIFY(from + count <= qsizetype(damaged.size()));
    QVERIFY(
        std::equal(damaged.begin() + from, damaged.begin() + from + count, intact.begin() + from));
    engine::AudioFileObject reader;
    QVERIFY(reader.openForReading(file));
    QVERIFY(reader.seek(int32_t(from / 2)));
    engine::SampleBlock block;
    QVERIFY(reader.readBlock(int32_t(count / 2), block));
    QCOMPARE(qsizetype(block.size()), count);
    QVERIFY(std::equal(block.begin(), block.end(), damaged.begin() + from));
}

// A tag list in a WAV header whose sizes claim gigabytes: FFmpeg would allocate and clear what
// they claim (1.9 GB, two seconds) before finding that the file is short.
void BadInputTest::hugeClaimsTakeLittleMemory()
{
    QByteArray wav = goodFile(QStringLiteral("wav"));
    QByteArray list("LIST\xF0\xFF\xFF\xFFINFOISFT\x00\x00\x00\x70", 20);
    list += QByteArray(16, 'x');
    wav.insert(wav.indexOf("data"), list);
    const QString file = path(QStringLiteral("huge-list.wav"));
    QVERIFY(writeFile(file, wav));
    engine::AudioFileObject reader;
    const engine::Status opened = reader.openForReading(file);
    QVERIFY(opened || !opened.description().isEmpty());
    auto information = engine::DefaultEngineFactory().createInformation();
    engine::ignoreFailure(information->readInformation(file),
                          "either outcome will do; only the memory it took is checked");
    rusage usage{};
    QCOMPARE(getrusage(RUSAGE_SELF, &usage), 0);
    QVERIFY2(usage.ru_maxrss < 1024 * 1024, // kilobytes
             qPrintable(QStringLiteral("peak %1 MB").arg(usage.ru_maxrss / 1024)));
}

void BadInputTest::unreadableFile()
{
    if (geteuid() == 0)
        QSKIP("Running as root: a file without read permission can still be read.");
    const QString file = path(QStringLiteral("locked.wav"));
    QVERIFY(QFile::copy(path(QStringLiteral("good.wav")), file));
    QVERIFY(QFile::setPermissions(file, QFileDevice::WriteOwner));
    engine::AudioFileObject reader;
    const engine::Status opened = reader.openForReading(file);
    QVERIFY(!opened);
    QVERIFY(opened.description().contains(QStringLiteral("ermission")));
}

QTEST_GUILESS_MAIN(BadInputTest)
#include "tst_bad_input.moc"
