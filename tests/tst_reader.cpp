// The reader's two promises, checked against the ffmpeg program as an independent decoder:
// the length is the number of frames a full decode returns, and a read after a seek returns
// exactly the frames a sequential read returns from there.
#include "AudioFileObject.h"
#include "Fixtures.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

using engine::AudioFileObject;
using engine::SampleBlock;

class ReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lengthAndSeek_data();
    void lengthAndSeek();
    void emptyWav();
    void failures_data();
    void failures();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

namespace {

SampleBlock readAll(AudioFileObject &file, int32_t blockFrames)
{
    SampleBlock all;
    SampleBlock block;
    for (;;) {
        if (!file.readBlock(blockFrames, block) || block.empty())
            return all;
        all.insert(all.end(), block.begin(), block.end());
    }
}

QStringList args(const char *text)
{
    return QString::fromLatin1(text).split(u' ');
}

} // namespace

void ReaderTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void ReaderTest::lengthAndSeek_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QStringList>("codec");
    QTest::addColumn<double>("truncateTo"); // fraction of the file kept, 1 = whole

    auto row = [](const char *name, double seconds, int rate, int channels, const char *codec,
                  double truncateTo = 1.0) {
        QTest::newRow(name) << QString::fromLatin1(name) << seconds << rate << channels
                            << args(codec) << truncateTo;
    };
    row("u8.wav", 3.1, 8000, 1, "-c:a pcm_u8");
    row("s16.wav", 4.2, 44100, 2, "-c:a pcm_s16le");
    row("s24.wav", 2.3, 48000, 2, "-c:a pcm_s24le");
    row("cbr.mp3", 6.3, 44100, 2, "-c:a libmp3lame -b:a 128k");
    row("vbr.mp3", 6.3, 44100, 2, "-c:a libmp3lame -q:a 2");
    row("vbr-no-xing.mp3", 6.3, 44100, 2, "-c:a libmp3lame -q:a 5 -write_xing 0");
    row("cbr-no-xing.mp3", 5.0, 32000, 1, "-c:a libmp3lame -b:a 64k -write_xing 0");
    row("mpeg25.mp3", 4.1, 8000, 1, "-c:a libmp3lame -b:a 16k");
    row("mpeg2.mp3", 4.4, 22050, 2, "-c:a libmp3lame -b:a 64k");
    row("short.mp3", 0.05, 44100, 2, "-c:a libmp3lame -b:a 128k");
    row("truncated.mp3", 6.0, 44100, 2, "-c:a libmp3lame -q:a 4", 0.61);
    row("stereo.ogg", 6.3, 44100, 2, "-c:a libvorbis -q:a 3");
    row("mono.ogg", 5.0, 22050, 1, "-c:a libvorbis -q:a 1");
    row("ogg-11k.ogg", 3.5, 11025, 2, "-c:a libvorbis -q:a 0");
    row("ogg-48k.ogg", 3.5, 48000, 1, "-c:a libvorbis -q:a 6");
    row("short.ogg", 0.05, 44100, 2, "-c:a libvorbis");
    row("truncated.ogg", 6.0, 44100, 2, "-c:a libvorbis -q:a 3", 0.57);
    row("v2.wma", 6.3, 44100, 2, "-c:a wmav2 -b:a 128k");
    row("v1.wma", 5.2, 44100, 2, "-c:a wmav1 -b:a 64k");
    row("v2-22k.wma", 4.0, 22050, 2, "-c:a wmav2 -b:a 32k");
    row("v2-16k.wma", 4.0, 16000, 1, "-c:a wmav2 -b:a 24k");
    row("short.wma", 0.05, 44100, 2, "-c:a wmav2 -b:a 128k");
}

// Length, a full sequential read and reads after seeks at the edges and inside, all
// compared bit for bit with the ffmpeg program's decode (both use FFmpeg's decoders and the
// same float conversion, so no tolerance is needed for any format).
void ReaderTest::lengthAndSeek()
{
    QFETCH(QString, name);
    QFETCH(double, seconds);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(QStringList, codec);
    QFETCH(double, truncateTo);

    const QString file = path(name);
    QVERIFY(fixtures::makeTone(file, seconds, rate, channels, codec));
    if (truncateTo < 1.0) {
        QFile f(file);
        QVERIFY(f.resize(qint64(f.size() * truncateTo)));
    }
    const fixtures::Decoded reference = fixtures::decodeWithFfmpeg(file);
    QVERIFY(reference.frames() > 0);

    AudioFileObject reader;
    QVERIFY2(reader.openForReading(file), qPrintable(reader.openForReading(file).description()));
    QVERIFY(reader.openStatus() >= 0);
    QCOMPARE(reader.sampleRate().value(), reference.rate);
    QCOMPARE(reader.channelCount().value(), reference.channels);
    QCOMPARE(reader.elementsPerSample().value(), reference.channels);
    const int32_t length = reader.length().value();
    QCOMPARE(qint64(length), reference.frames());

    // An odd block size crosses every decoder frame boundary at another place.
    const SampleBlock sequential = readAll(reader, 4999);
    QCOMPARE(sequential.size(), reference.samples.size());
    QVERIFY(sequential == reference.samples);

    // WMA fills bands with noise from a generator whose state depends on everything decoded
    // since the start, so after a seek those bands differ slightly (about -60 dB). Being one
    // frame off would differ by far more than this tolerance with the fixtures' chirps.
    const float tolerance = name.endsWith(QStringLiteral(".wma")) ? 0.005f : 0.0f;
    const int32_t span = 3000;
    const QList<int32_t> positions = {
        0, 1, length / 3, length / 2 + 577, length - span, length - 1, length, length + 1000};
    for (int32_t position : positions) {
        position = std::max(position, 0);
        const auto reached = reader.seek(position);
        QVERIFY2(reached, qPrintable(reached.description()));
        const int32_t expectedAt = std::min(position, length);
        QCOMPARE(reached.value(), expectedAt);
        SampleBlock block;
        QVERIFY(reader.readBlock(span, block));
        const qint64 expectedFrames = std::min<qint64>(span, length - expectedAt);
        QCOMPARE(qint64(block.size()), expectedFrames * channels);
        const auto from = reference.samples.begin() + qint64(expectedAt) * channels;
        const bool same = std::equal(block.begin(), block.end(), from, [&](float a, float b) {
            return std::abs(a - b) <= tolerance;
        });
        QVERIFY2(same, qPrintable(QStringLiteral("read after seek(%1) differs").arg(position)));
    }
    // Past the end the next read is empty, and the reader still seeks back.
    SampleBlock block;
    QVERIFY(reader.readBlock(100, block));
    QVERIFY(block.empty());
    QCOMPARE(reader.seek(0).value(), 0);
    QVERIFY(reader.readBlock(10, block));
    QVERIFY(std::equal(block.begin(), block.end(), reference.samples.begin()));
}

void ReaderTest::emptyWav()
{
    const QString file = path(QStringLiteral("empty.wav"));
    QVERIFY(fixtures::runFfmpeg(QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"),
                                            QStringLiteral("-i"),
                                            QStringLiteral("anullsrc=r=44100:cl=stereo"),
                                            QStringLiteral("-t"), QStringLiteral("0"), file}));
    AudioFileObject reader;
    QVERIFY(reader.openForReading(file));
    QCOMPARE(reader.length().value(), 0);
    SampleBlock block;
    QVERIFY(reader.readBlock(1000, block));
    QVERIFY(block.empty());
    QCOMPARE(reader.seek(500).value(), 0);
}

void ReaderTest::failures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("underFile");

    QTest::newRow("missing") << QStringLiteral("missing.mp3") << QByteArray() << false;
    QTest::newRow("under a regular file") << QStringLiteral("x.mp3") << QByteArray("plain") << true;
    QByteArray garbage(64 * 1024, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919) % 251);
    QTest::newRow("garbage") << QStringLiteral("garbage.mp3") << garbage << false;
    QTest::newRow("hls playlist") << QStringLiteral("list.mp3")
                                  << QByteArray("#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\n"
                                                "file:///etc/passwd\n#EXT-X-ENDLIST\n")
                                  << false;
    QTest::newRow("concat script")
        << QStringLiteral("concat.mp3") << QByteArray("ffconcat version 1.0\nfile '/etc/passwd'\n")
        << false;
    QTest::newRow("text") << QStringLiteral("text.wav") << QByteArray("hello\n") << false;
}

// Every file that cannot be decoded is a failure with a description naming it, and the
// object stays usable for the next file.
void ReaderTest::failures()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, underFile);

    QString file = path(name);
    if (!content.isNull()) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    if (underFile)
        file += QStringLiteral("/inner.mp3");

    AudioFileObject reader;
    const engine::Status status = reader.openForReading(file);
    QVERIFY(!status);
    QVERIFY2(status.description().contains(QFileInfo(file).fileName()),
             qPrintable(status.description()));
    QVERIFY(reader.openStatus() < 0);
    QVERIFY(!reader.length());
    SampleBlock block;
    QVERIFY(!reader.readBlock(100, block));

    const QString good = path(QStringLiteral("good.wav"));
    QVERIFY(fixtures::makeTone(good, 0.5, 8000, 1, {}));
    QVERIFY(reader.openForReading(good));
    QCOMPARE(reader.length().value(), 4000);
}

QTEST_GUILESS_MAIN(ReaderTest)
#include "tst_reader.moc"
