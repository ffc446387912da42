// The reader's two promises, checked against the ffmpeg program as an independent decoder:
// the length is the number of frames a full decode returns, and a read after a seek returns
// exactly the frames a sequential read returns from there.
#include "FailingSource.h"
#include "Fixtures.h"
#include "engine/factory/AudioFileObject.h"
#include "engine/factory/Initialise.h"

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
    void seekSweep_data();
    void seekSweep();
    void emptyWav();
    void failures_data();
    void failures();
    void readErrorIsNotTheEnd_data();
    void readErrorIsNotTheEnd();

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
    engine::initialise();
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
    // Placed by timestamps, and by counting from the start (ADPCM, AAC: their timestamps
    // after a seek are not exact).
    row("flac.oga", 4.0, 48000, 2, "-c:a flac -f ogg");
    row("adpcm.wav", 4.0, 22050, 2, "-c:a adpcm_ms");
    row("aac.m4a", 4.0, 44100, 2, "-c:a aac -b:a 96k");
}

// Length and a full sequential read compared with an independent decode (the ffmpeg program,
// bit for bit: both use FFmpeg's decoders and the same float conversion; oggdec for Ogg
// Vorbis), then reads after seeks at the edges and inside compared with the sequential read.
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
    // Ogg Vorbis is read by libvorbis, which decodes slightly differently from FFmpeg's own
    // Vorbis decoder; its reference is libvorbis too (oggdec, 16-bit).
    const bool vorbis = name.endsWith(QStringLiteral(".ogg"));
    fixtures::Decoded reference =
        vorbis ? fixtures::decodeWithOggdec(file) : fixtures::decodeWithFfmpeg(file);
    QVERIFY(reference.frames() > 0);
    // FFmpeg decodes an M4A's last AAC frame whole; our reader ends where the container's
    // edit list does, the length the encoder wrote.
    if (name.endsWith(QStringLiteral(".m4a"))) {
        const qint64 edited = fixtures::probe(file, QStringLiteral("duration_ts")).toLongLong();
        QCOMPARE(edited, qint64(std::llround(seconds * rate)));
        QVERIFY(reference.frames() > edited && reference.frames() < edited + 1024);
        reference.samples.resize(size_t(edited * reference.channels));
    }

    AudioFileObject reader;
    QVERIFY2(reader.openForReading(file), qPrintable(reader.openForReading(file).description()));
    QCOMPARE(reader.sampleRate().value(), reference.rate);
    QCOMPARE(reader.channelCount().value(), reference.channels);
    const int64_t length = reader.length().value();
    QCOMPARE(qint64(length), reference.frames());

    // An odd block size crosses every decoder frame boundary at another place.
    const SampleBlock sequential = readAll(reader, 4999);
    QCOMPARE(sequential.size(), reference.samples.size());
    const float decodeTolerance = vorbis ? 1.01f / 32768 : 0.0f;
    QVERIFY(std::equal(sequential.begin(), sequential.end(), reference.samples.begin(),
                       [&](float ours, float theirs) {
                           // 16-bit output saturates; a float decode goes on past full scale.
                           if (vorbis)
                               ours = std::clamp(ours, -1.0f, 32767.0f / 32768);
                           return std::abs(ours - theirs) <= decodeTolerance;
                       }));

    // WMA fills bands with noise from a generator whose state depends on everything decoded
    // since the start, so after a seek those bands differ slightly (about -60 dB). Being one
    // frame off would differ by far more than this tolerance with the fixtures' chirps.
    const float tolerance = name.endsWith(QStringLiteral(".wma")) ? 0.005f : 0.0f;
    const int32_t span = 3000;
    const QList<int64_t> positions = {
        0, 1, length / 3, length / 2 + 577, length - span, length - 1, length, length + 1000};
    for (int64_t position : positions) {
        position = std::max<int64_t>(position, 0);
        const auto reached = reader.seek(position);
        QVERIFY2(reached, qPrintable(reached.description()));
        const int64_t expectedAt = std::min(position, length);
        QCOMPARE(reached.value(), expectedAt);
        SampleBlock block;
        QVERIFY(reader.readBlock(span, block));
        const qint64 expectedFrames = std::min<qint64>(span, length - expectedAt);
        QCOMPARE(qint64(block.size()), expectedFrames * channels);
        const auto from = sequential.begin() + qint64(expectedAt) * channels;
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
    QVERIFY(std::equal(block.begin(), block.end(), sequential.begin()));
}

void ReaderTest::seekSweep_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QStringList>("codec");
    auto row = [](const char *name, int rate, int channels, const char *codec) {
        QTest::newRow(name) << QString::fromLatin1(name) << rate << channels << args(codec);
    };
    row("cbr.mp3", 44100, 2, "-c:a libmp3lame -b:a 128k");
    row("vbr-22k.mp3", 22050, 1, "-c:a libmp3lame -q:a 2");
    row("vbr-no-xing-48k.mp3", 48000, 2, "-c:a libmp3lame -q:a 6 -write_xing 0");
    row("q1.ogg", 44100, 2, "-c:a libvorbis -q:a 1");
    row("q7-32k.ogg", 32000, 1, "-c:a libvorbis -q:a 7");
    row("v2.wma", 44100, 2, "-c:a wmav2 -b:a 128k");
    row("v2-22k.wma", 22050, 1, "-c:a wmav2 -b:a 48k");
    row("s16-8k.wav", 8000, 1, "-c:a pcm_s16le");
    row("flac.ogg", 44100, 2, "-c:a flac -f ogg");
    row("adpcm.wav", 44100, 2, "-c:a adpcm_ms");
    // Counted from the start at open, then sought through the index that count made (AAC and
    // AC-3 are not indexed: their noise generators never settle after a restart).
    row("adpcm-ima-22k.wav", 22050, 1, "-c:a adpcm_ima_wav");
    row("gsm.wav", 8000, 1, "-c:a gsm_ms");
    row("flac.mka", 44100, 2, "-c:a flac");
    row("mp2.mka", 48000, 2, "-c:a mp2 -b:a 192k");
    row("mp2.mp2", 44100, 1, "-c:a mp2 -b:a 96k");
    row("vbr-mp3.asf", 22050, 2, "-c:a libmp3lame -q:a 6 -f asf");
    row("aac.m4a", 44100, 2, "-c:a aac -b:a 96k");
    row("ac3.ac3", 48000, 2, "-c:a ac3 -b:a 192k");
}

// Material that makes encoders switch block sizes and lean on the bit reservoir; a read after
// a seek to every 1,499th frame across the whole file, in an order that jumps back and forth,
// must equal the sequential read there.
void ReaderTest::seekSweep()
{
    QFETCH(QString, name);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(QStringList, codec);
    const QString file = path(QStringLiteral("attacks-") + name);
    QVERIFY(fixtures::makeAttacks(file, 9.0, rate, channels, codec));
    const QString tolerance =
        name.endsWith(QStringLiteral(".wma")) ? QStringLiteral("0.005") : QStringLiteral("0");
    QByteArray out;
    QByteArray err;
    const int code = fixtures::runTool(
        {QStringLiteral("sweep"), file, QStringLiteral("1499"), QStringLiteral("2048"), tolerance},
        &out, &err);
    QVERIFY2(code == 0, (out + err).constData());
}

void ReaderTest::emptyWav()
{
    const QString file = path(QStringLiteral("empty.wav"));
    QVERIFY(fixtures::runFfmpeg(QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"),
                                            QStringLiteral("-i"),
                                            QStringLiteral("anullsrc=r=44100:cl=stereo"),
                                            QStringLiteral("-t"), QStringLiteral("0"), file}));
    // Nothing in it can be played or cut: refused like a tag without audio.
    AudioFileObject reader;
    const engine::Status status = reader.openForReading(file);
    QVERIFY(!status);
    QVERIFY2(status.description().startsWith(
                 QStringLiteral("Cannot open '%1': the file holds no audio").arg(file)),
             qPrintable(status.description()));
}

void ReaderTest::failures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("underFile");
    QTest::addColumn<QStringList>("reasons");

    const QString damaged = QStringLiteral("the file is damaged or incomplete");
    const QString notOurs =
        QStringLiteral("the format of the file is not one this program reads (MP3, OGG, WMA, WAV)");
    QTest::newRow("missing") << QStringLiteral("missing.mp3") << QByteArray() << false
                             << QStringList{QStringLiteral("No such file")};
    QTest::newRow("under a regular file")
        << QStringLiteral("x.mp3") << QByteArray("plain") << true << QStringList{QString()};
    QTest::newRow("empty") << QStringLiteral("empty.mp3") << QByteArray("") << false
                           << QStringList{QStringLiteral("the file is empty")};
    QByteArray tagOnly("ID3\x03\x00\x00\x00\x00\x00\x14", 10);
    tagOnly.append(QByteArray(20, '\0'));
    QTest::newRow("tag only") << QStringLiteral("tag.mp3") << tagOnly << false
                              << QStringList{QStringLiteral("the file holds no audio")};
    QByteArray oggStart("OggS\x00\x02", 6);
    oggStart.append(QByteArray(80, '\0'));
    QTest::newRow("truncated ogg")
        << QStringLiteral("cut.ogg") << oggStart << false << QStringList{damaged};
    QByteArray garbage(64 * 1024, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919) % 251);
    QTest::newRow("garbage") << QStringLiteral("garbage.mp3") << garbage << false
                             << QStringList{damaged};
    // FFmpeg 5 takes this for a playlist, which is not among the formats we let it read;
    // FFmpeg 7 takes a playlist for one by its name only, and finds no MP3 in it.
    QTest::newRow("hls playlist") << QStringLiteral("list.mp3")
                                  << QByteArray("#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\n"
                                                "file:///etc/passwd\n#EXT-X-ENDLIST\n")
                                  << false << QStringList{notOurs, damaged};
    QTest::newRow("concat script")
        << QStringLiteral("concat.mp3") << QByteArray("ffconcat version 1.0\nfile '/etc/passwd'\n")
        << false << QStringList{notOurs};
    QTest::newRow("text") << QStringLiteral("text.wav") << QByteArray("hello\n") << false
                          << QStringList{notOurs};
}

// Every file that cannot be decoded is a failure with a description naming it, and the
// object stays usable for the next file.
void ReaderTest::failures()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, underFile);
    QFETCH(QStringList, reasons);

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
    QVERIFY2(status.description().startsWith(QStringLiteral("Cannot open '%1': ").arg(file)),
             qPrintable(status.description()));
    QVERIFY2(
        std::any_of(reasons.cbegin(), reasons.cend(),
                    [&](const QString &reason) { return status.description().contains(reason); }),
        qPrintable(status.description()));
    // The window names the file itself and shows only the reason.
    QCOMPARE(status.code(), engine::StatusCode::CannotOpen);
    QCOMPARE(QStringLiteral("Cannot open '%1': ").arg(file) + status.reason(),
             status.description());
    QVERIFY(!reader.length());
    SampleBlock block;
    QVERIFY(!reader.readBlock(100, block));

    const QString good = path(QStringLiteral("good.wav"));
    QVERIFY(fixtures::makeTone(good, 0.5, 8000, 1, {}));
    QVERIFY(reader.openForReading(good));
    QCOMPARE(reader.length().value(), 4000);
}

void ReaderTest::readErrorIsNotTheEnd_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("codec");
    QTest::addColumn<bool>("failsAtOpen");
    // The MP3 length comes from reading every frame header, so the bad spot is met at open.
    QTest::newRow("mp3") << QStringLiteral("bad.mp3") << args("-c:a libmp3lame -b:a 128k") << true;
    QTest::newRow("ogg") << QStringLiteral("bad.ogg") << args("-c:a libvorbis") << false;
    QTest::newRow("wma") << QStringLiteral("bad.wma") << args("-c:a wmav2 -b:a 128k") << false;
    QTest::newRow("wav") << QStringLiteral("bad.wav") << args("-c:a pcm_s16le") << false;
}

// A failing disk in the middle of a file (EIO at one byte) is a failure with the system's
// reason, never the end of the file: a cut would otherwise be saved silently short.
void ReaderTest::readErrorIsNotTheEnd()
{
    QFETCH(QString, name);
    QFETCH(QStringList, codec);
    QFETCH(bool, failsAtOpen);
    const QString file = path(name);
    QVERIFY(fixtures::makeTone(file, 60.0, 44100, 2, codec));
    const QString reason = QString::fromLocal8Bit(std::strerror(EIO));

    // Away from the start and the end, which opening and the length measurement read.
    AudioFileObject reader(FailingSource::opener(QFileInfo(file).size() / 2));
    const engine::Status opened = reader.openForReading(file);
    QVERIFY2(!opened == failsAtOpen, qPrintable(opened.description()));
    if (failsAtOpen) {
        QVERIFY2(opened.description().contains(reason), qPrintable(opened.description()));
        return;
    }
    SampleBlock block;
    engine::Status status;
    qint64 frames = 0;
    while ((status = reader.readBlock(4096, block)) && !block.empty())
        frames += qint64(block.size()) / reader.channelCount().value();
    QVERIFY(!status);
    QVERIFY2(status.description().contains(reason), qPrintable(status.description()));
    QVERIFY(frames < reader.length().value());
}

QTEST_GUILESS_MAIN(ReaderTest)
#include "tst_reader.moc"
