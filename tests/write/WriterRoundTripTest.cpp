// Every writer and its main options: a tone encoded through the engine, read back by the
// engine and by the ffmpeg program, checked for codec, layout, bit rate, length and that
// the sound starts where it should.
#include "Fixtures.h"
#include "WriterTestSupport.h"
#include "engine/factory/Initialise.h"

#include "engine/encode/WmaProfiles.h"
#include "engine/write/Mp3HeaderFrame.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace writertest;

namespace {

enum class Length
{
    Exact,     ///< the input's frame count (rescaled by a rate change, +-1)
    Mp3Padded, ///< no LAME header: input + encoder delay + padding, whole MPEG frames
    WmaFrames, ///< whole codec frames, never shorter, less than one frame longer
    /// The container's duration and our reader exact; FFmpeg's decode gives the last AAC frame
    /// whole (it reads the edit list's start, not its end)
    AacFrames,
};

/// One output selection, applied to the writer under test.
struct Output
{
    enum Kind
    {
        Mp3,
        Wav,
        Ogg,
        Wma,
        Flac, ///< rate (0: the source's), channels (0: the source's), bits, level
        Opus, ///< channels, kbps, mode
        M4a   ///< rate, channels, kbps
    } kind = Mp3;
    engine::Mp3Settings mp3;
    int values[6] = {};

    /// The choice the dialogs would make: OGG's values are rate, channels, kbps, min, max and
    /// the quality or -1.
    engine::OutputChoice choice() const
    {
        engine::OutputChoice c;
        c.mp3 = mp3;
        switch (kind) {
        case Wav:
            c.format = engine::OutputFormat::Wav;
            c.wav = {values[0], int16_t(values[1]), values[2]};
            break;
        case Ogg:
            c.format = engine::OutputFormat::Ogg;
            c.ogg = {values[0],
                     values[1],
                     values[2],
                     values[3],
                     values[4],
                     std::max(values[5], 0),
                     values[3] > 0 || values[4] > 0,
                     values[5] >= 0};
            break;
        case Wma:
            c.format = engine::OutputFormat::Wma;
            c.wmaProfile = values[0];
            break;
        case Flac:
            c.format = engine::OutputFormat::Flac;
            c.flac = {values[0], values[1], values[2], values[3]};
            break;
        case Opus:
            c.format = engine::OutputFormat::Opus;
            c.opus = {values[0], values[1], values[2], false};
            break;
        case M4a:
            c.format = engine::OutputFormat::M4a;
            c.m4a = {values[0], values[1], values[2]};
            break;
        case Mp3:
            break;
        }
        return c;
    }
};

Output wav(int rate, int channels, int bits)
{
    Output o;
    o.kind = Output::Wav;
    o.values[0] = rate;
    o.values[1] = channels;
    o.values[2] = bits;
    return o;
}

Output ogg(int rate, int channels, int kbps, int minKbps, int maxKbps, int quality)
{
    Output o;
    o.kind = Output::Ogg;
    const int v[] = {rate, channels, kbps, minKbps, maxKbps, quality};
    std::copy(std::begin(v), std::end(v), o.values);
    return o;
}

Output wma(int profile)
{
    Output o;
    o.kind = Output::Wma;
    o.values[0] = profile;
    return o;
}

Output other(Output::Kind kind, std::initializer_list<int> values)
{
    Output o;
    o.kind = kind;
    std::copy(values.begin(), values.end(), o.values);
    return o;
}

Output mp3(std::function<void(engine::Mp3Settings &)> change)
{
    Output o;
    change(o.mp3);
    return o;
}

QString extension(Output::Kind kind)
{
    static const char *const names[] = {"mp3", "wav", "ogg", "wma", "flac", "opus", "m4a"};
    return QString::fromLatin1(names[kind]);
}

} // namespace

Q_DECLARE_METATYPE(Output)
Q_DECLARE_METATYPE(Length)

class WriterRoundTripTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    const double m_seconds = 3.3; // not whole blocks, not whole codec frames

    QString source(int rate, int channels)
    {
        const QString path =
            m_dir.filePath(QStringLiteral("tone-%1-%2.wav").arg(rate).arg(channels));
        if (!QFile::exists(path))
            fixtures::makeTone(path, m_seconds, rate, channels,
                               {QStringLiteral("-c:a"), QStringLiteral("pcm_f32le")});
        return path;
    }

private slots:
    void initTestCase() { engine::initialise(); }
    void roundTrip_data();
    void roundTrip();
    void everyWmaProfile_data();
    void everyWmaProfile();
    void convertCopiesTheRange();
    void flacTakesTheSourcesDepth_data();
    void flacTakesTheSourcesDepth();
    void musicCrcOfEveryLength_data();
    void musicCrcOfEveryLength();
};

void WriterRoundTripTest::roundTrip_data()
{
    QTest::addColumn<Output>("output");
    QTest::addColumn<int>("sourceRate");
    QTest::addColumn<int>("sourceChannels");
    QTest::addColumn<QString>("codec");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("kbps"); // 0: not fixed
    QTest::addColumn<Length>("length");
    QTest::addColumn<QString>("header");        // "Xing", "Info", "none", or empty: not checked
    QTest::addColumn<double>("maxError");       // per sample; 0: not sample-exact
    QTest::addColumn<double>("minCorrelation"); // with the source at offset 0; 0: not checked

    using S = engine::Mp3Settings;
    const double s16 = 0.5 / 32768 + 1e-6;
    const double u8 = 0.5 / 128 + 1e-6;
    // clang-format off
    QTest::newRow("wav 44.1k stereo 16") << wav(44100, 2, 16) << 44100 << 2 << "pcm_s16le" << 44100 << 2 << 0 << Length::Exact << "" << s16 << 0.0;
    QTest::newRow("wav 8k mono 16") << wav(8000, 1, 16) << 8000 << 1 << "pcm_s16le" << 8000 << 1 << 0 << Length::Exact << "" << s16 << 0.0;
    QTest::newRow("wav 44.1k mono 8") << wav(44100, 1, 8) << 44100 << 1 << "pcm_u8" << 44100 << 1 << 0 << Length::Exact << "" << u8 << 0.0;
    QTest::newRow("wav stereo to mono 8") << wav(44100, 1, 8) << 44100 << 2 << "pcm_u8" << 44100 << 1 << 0 << Length::Exact << "" << u8 << 0.0;
    QTest::newRow("wav mono to stereo") << wav(22050, 2, 16) << 22050 << 1 << "pcm_s16le" << 22050 << 2 << 0 << Length::Exact << "" << s16 << 0.0;
    QTest::newRow("wav 44.1k to 22.05k mono 8") << wav(22050, 1, 8) << 44100 << 2 << "pcm_u8" << 22050 << 1 << 0 << Length::Exact << "" << 0.0 << 0.0;
    QTest::newRow("wav 44.1k to 48k") << wav(48000, 2, 16) << 44100 << 1 << "pcm_s16le" << 48000 << 2 << 0 << Length::Exact << "" << 0.0 << 0.0;

    QTest::newRow("mp3 cbr 128 header") << mp3([](S &) {}) << 44100 << 2 << "mp3" << 44100 << 2 << 128 << Length::Exact << "Info" << 0.0 << 0.95;
    QTest::newRow("mp3 cbr no header") << mp3([](S &s) { s.writeVbrHeader = false; }) << 44100 << 2 << "mp3" << 44100 << 2 << 128 << Length::Mp3Padded << "none" << 0.0 << 0.0;
    QTest::newRow("mp3 vbr new q2") << mp3([](S &s) { s.vbrMethod = S::VbrNew; s.vbrQuality = 2; }) << 44100 << 2 << "mp3" << 44100 << 2 << 0 << Length::Exact << "Xing" << 0.0 << 0.95;
    QTest::newRow("mp3 vbr old q4 strict") << mp3([](S &s) { s.vbrMethod = S::VbrOld; s.strictMinimum = true; }) << 44100 << 2 << "mp3" << 44100 << 2 << 0 << Length::Exact << "Xing" << 0.0 << 0.95;
    QTest::newRow("mp3 vbr default no header") << mp3([](S &s) { s.vbrMethod = S::VbrDefault; s.writeVbrHeader = false; }) << 44100 << 2 << "mp3" << 44100 << 2 << 0 << Length::Mp3Padded << "none" << 0.0 << 0.0;
    QTest::newRow("mp3 abr 160") << mp3([](S &s) { s.vbrMethod = S::VbrAbr; s.abrBitrate = 160; }) << 44100 << 2 << "mp3" << 44100 << 2 << 0 << Length::Exact << "Xing" << 0.0 << 0.95;
    QTest::newRow("mp3 dual channel 192") << mp3([](S &s) { s.channelMode = S::DualChannel; s.bitrate = 192; }) << 44100 << 2 << "mp3" << 44100 << 2 << 192 << Length::Exact << "Info" << 0.0 << 0.95;
    QTest::newRow("mp3 forced joint 112") << mp3([](S &s) { s.channelMode = S::ForcedJointStereo; s.bitrate = 112; }) << 44100 << 2 << "mp3" << 44100 << 2 << 112 << Length::Exact << "Info" << 0.0 << 0.95;
    QTest::newRow("mp3 mono source to stereo") << mp3([](S &s) { s.channelMode = S::Stereo; }) << 44100 << 1 << "mp3" << 44100 << 2 << 128 << Length::Exact << "Info" << 0.0 << 0.95;
    QTest::newRow("mp3 44.1k stereo to 22.05k mono 64") << mp3([](S &s) { s.sampleRate = 22050; s.channels = 1; s.bitrate = 64; }) << 44100 << 2 << "mp3" << 22050 << 1 << 64 << Length::Exact << "Info" << 0.0 << 0.0;
    QTest::newRow("mp3 44.1k to 48k 256") << mp3([](S &s) { s.sampleRate = 48000; s.bitrate = 256; }) << 44100 << 2 << "mp3" << 48000 << 2 << 256 << Length::Exact << "Info" << 0.0 << 0.0;
    QTest::newRow("mp3 frames too small for the header") << mp3([](S &s) { s.sampleRate = 8000; s.channels = 1; s.bitrate = 16; }) << 8000 << 1 << "mp3" << 8000 << 1 << 16 << Length::Exact << "Xing" << 0.0 << 0.0;
    QTest::newRow("mp3 8k mono 320 clamped to 64") << mp3([](S &s) { s.sampleRate = 8000; s.channels = 1; s.bitrate = 320; }) << 8000 << 1 << "mp3" << 8000 << 1 << 64 << Length::Exact << "Info" << 0.0 << 0.0;

    QTest::newRow("ogg 128 kbps") << ogg(44100, 2, 128, 0, 0, -1) << 44100 << 2 << "vorbis" << 44100 << 2 << 128 << Length::Exact << "" << 0.0 << 0.95;
    QTest::newRow("ogg quality 3") << ogg(44100, 2, 128, 0, 0, 300) << 44100 << 2 << "vorbis" << 44100 << 2 << 0 << Length::Exact << "" << 0.0 << 0.95;
    QTest::newRow("ogg 96-160 range mono") << ogg(44100, 1, 128, 96, 160, -1) << 44100 << 1 << "vorbis" << 44100 << 1 << 128 << Length::Exact << "" << 0.0 << 0.95;
    QTest::newRow("ogg 44.1k stereo to 32k mono") << ogg(32000, 1, 64, 0, 0, -1) << 44100 << 2 << "vorbis" << 32000 << 1 << 64 << Length::Exact << "" << 0.0 << 0.0;
    QTest::newRow("ogg 22.05k mono to 48k stereo q5") << ogg(48000, 2, 128, 0, 0, 500) << 22050 << 1 << "vorbis" << 48000 << 2 << 0 << Length::Exact << "" << 0.0 << 0.0;

    QTest::newRow("flac as the source, level 5") << other(Output::Flac, {0, 0, 16, 5}) << 44100 << 2 << "flac" << 44100 << 2 << 0 << Length::Exact << "" << s16 << 0.0;
    QTest::newRow("flac 24 bit level 0 mono") << other(Output::Flac, {0, 1, 24, 0}) << 44100 << 2 << "flac" << 44100 << 1 << 0 << Length::Exact << "" << 0.0 << 0.99;
    QTest::newRow("flac 48k level 8") << other(Output::Flac, {48000, 0, 16, 8}) << 22050 << 1 << "flac" << 48000 << 1 << 0 << Length::Exact << "" << 0.0 << 0.0;
    QTest::newRow("opus 128 vbr from 44.1k") << other(Output::Opus, {2, 128, 0}) << 44100 << 2 << "opus" << 48000 << 2 << 0 << Length::Exact << "" << 0.0 << 0.0;
    QTest::newRow("opus 32 cbr mono from 22.05k") << other(Output::Opus, {1, 32, 2}) << 22050 << 1 << "opus" << 48000 << 1 << 0 << Length::Exact << "" << 0.0 << 0.0;
    QTest::newRow("m4a 192 44.1k") << other(Output::M4a, {44100, 2, 192}) << 44100 << 2 << "aac" << 44100 << 2 << 0 << Length::AacFrames << "" << 0.0 << 0.9;
    QTest::newRow("m4a 96 mono 22.05k from 44.1k") << other(Output::M4a, {22050, 1, 96}) << 44100 << 2 << "aac" << 22050 << 1 << 0 << Length::AacFrames << "" << 0.0 << 0.0;

    QTest::newRow("wma profile 10") << wma(10) << 44100 << 2 << "wmav2" << 44100 << 2 << 128 << Length::WmaFrames << "" << 0.0 << 0.95;
    QTest::newRow("wma profile 14") << wma(14) << 44100 << 2 << "wmav2" << 44100 << 2 << 64 << Length::WmaFrames << "" << 0.0 << 0.9;
    QTest::newRow("wma profile 17 from mono") << wma(17) << 44100 << 1 << "wmav2" << 44100 << 1 << 64 << Length::WmaFrames << "" << 0.0 << 0.9;
    QTest::newRow("wma profile 35 from 44.1k") << wma(35) << 44100 << 2 << "wmav2" << 22050 << 2 << 32 << Length::WmaFrames << "" << 0.0 << 0.0;
    // clang-format on
}

void WriterRoundTripTest::roundTrip()
{
    QFETCH(Output, output);
    QFETCH(int, sourceRate);
    QFETCH(int, sourceChannels);
    QFETCH(QString, codec);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, kbps);
    QFETCH(Length, length);
    QFETCH(QString, header);
    QFETCH(double, maxError);
    QFETCH(double, minCorrelation);

    const QString input = source(sourceRate, sourceChannels);
    const QString path =
        m_dir.filePath(QStringLiteral("out-%1.%2")
                           .arg(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_'),
                                extension(output.kind)));
    const engine::Status encoded = encodeFile(input, path, output.choice());
    QVERIFY2(encoded, qPrintable(encoded.description()));

    // An independent reader first.
    QCOMPARE(fixtures::probe(path, QStringLiteral("codec_name")), codec);
    QCOMPARE(fixtures::probe(path, QStringLiteral("sample_rate")).toInt(), rate);
    QCOMPARE(fixtures::probe(path, QStringLiteral("channels")).toInt(), channels);
    if (kbps > 0)
        QCOMPARE(fixtures::probe(path, QStringLiteral("bit_rate")).toInt(), kbps * 1000);
    const fixtures::Decoded independent = fixtures::decodeWithFfmpeg(path);

    qint64 engineLength = -1;
    const Decoded decoded = decodeWithEngine(path, &engineLength);
    QCOMPARE(decoded.rate, rate);
    QCOMPARE(decoded.channels, channels);
    QCOMPARE(engineLength, decoded.frames());
    if (length != Length::AacFrames)
        QCOMPARE(decoded.frames(), independent.frames());

    const Decoded original = decodeWithEngine(input);
    const qint64 inFrames = original.frames();
    const qint64 expected = std::llround(double(inFrames) * rate / sourceRate);
    const qint64 got = decoded.frames();
    switch (length) {
    case Length::Exact:
        if (rate == sourceRate)
            QCOMPARE(got, inFrames);
        else
            QVERIFY2(std::abs(got - expected) <= 1,
                     qPrintable(QStringLiteral("%1 frames, expected %2").arg(got).arg(expected)));
        break;
    case Length::Mp3Padded: {
        const qint64 frameLength = rate >= 32000 ? 1152 : 576;
        QCOMPARE(got % frameLength, 0);
        QVERIFY2(got >= inFrames + 576 && got < inFrames + 576 + 2 * frameLength,
                 qPrintable(QStringLiteral("%1 frames from %2").arg(got).arg(inFrames)));
        break;
    }
    case Length::WmaFrames:
        QVERIFY2(got >= expected && got < expected + 2048,
                 qPrintable(QStringLiteral("%1 frames, at least %2").arg(got).arg(expected)));
        break;
    case Length::AacFrames:
        QCOMPARE(fixtures::probe(path, QStringLiteral("duration_ts")).toLongLong(), expected);
        QCOMPARE(got, expected);
        QVERIFY2(
            independent.frames() >= expected && independent.frames() < expected + 1024,
            qPrintable(
                QStringLiteral("%1 frames, at least %2").arg(independent.frames()).arg(expected)));
        break;
    }

    if (!header.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray start = file.read(4096);
        const bool xing = start.contains("Xing");
        const bool info = start.contains("Info");
        if (header == QLatin1String("none"))
            QVERIFY(!xing && !info);
        else
            QVERIFY2(start.contains(header.toLatin1()) && start.contains("LAME"),
                     "the VBR/LAME header frame is missing");
    }

    const std::vector<float> reference = remix(original.samples, sourceChannels, channels);
    if (maxError > 0) {
        QCOMPARE(decoded.samples.size(), reference.size());
        for (size_t i = 0; i < reference.size(); ++i)
            if (std::abs(decoded.samples[i] - reference[i]) > maxError)
                QFAIL(qPrintable(QStringLiteral("sample %1: %2 instead of %3")
                                     .arg(i)
                                     .arg(decoded.samples[i])
                                     .arg(reference[i])));
    }
    if (minCorrelation > 0)
        for (int c = 0; c < channels; ++c) {
            // From the start (the encoder's delay must be gone) and from the last second.
            for (qint64 from : {qint64(0), inFrames - rate}) {
                const double r =
                    correlation(reference, channels, decoded.samples, channels, c, from, rate);
                QVERIFY2(r >= minCorrelation,
                         qPrintable(QStringLiteral("channel %1 from %2: correlation %3")
                                        .arg(c)
                                        .arg(from)
                                        .arg(r)));
            }
        }
}

void WriterRoundTripTest::everyWmaProfile_data()
{
    QTest::addColumn<int>("profile");
    for (int p = 1; p <= engine::kWmaProfileCount; ++p)
        QTest::addRow("%d", p) << p;
}

void WriterRoundTripTest::everyWmaProfile()
{
    QFETCH(int, profile);
    const engine::WmaProfile *expected = engine::wmaProfile(profile);
    QVERIFY(expected);
    const QString input = source(44100, 2);
    const QString path = m_dir.filePath(QStringLiteral("profile-%1.wma").arg(profile));
    engine::OutputChoice output;
    output.wmaProfile = profile;
    const engine::Status encoded = encodeFile(input, path, output);
    QVERIFY2(encoded, qPrintable(encoded.description()));
    QCOMPARE(fixtures::probe(path, QStringLiteral("sample_rate")).toInt(), expected->sampleRate);
    QCOMPARE(fixtures::probe(path, QStringLiteral("channels")).toInt(), expected->channels);
    QCOMPARE(fixtures::probe(path, QStringLiteral("bit_rate")).toInt(), expected->kbps * 1000);
    const qint64 frames = fixtures::decodeWithFfmpeg(path).frames();
    const qint64 least = std::llround(m_seconds * expected->sampleRate);
    QVERIFY2(frames >= least && frames < least + 2048,
             qPrintable(QStringLiteral("%1 frames decoded, at least %2").arg(frames).arg(least)));
    qint64 engineLength = -1;
    QCOMPARE(decodeWithEngine(path, &engineLength).frames(), frames);
    QCOMPARE(engineLength, frames);
}

void WriterRoundTripTest::convertCopiesTheRange()
{
    const QString input = source(44100, 2);
    const QString path = m_dir.filePath(QStringLiteral("range.wav"));
    QByteArray out;
    QByteArray err;
    const int code =
        fixtures::runTool({QStringLiteral("convert"), input, path, QStringLiteral("1000"),
                           QStringLiteral("100000"), QStringLiteral("--wav"),
                           QStringLiteral("44100"), QStringLiteral("2"), QStringLiteral("16")},
                          &out, &err);
    QVERIFY2(code == 0, err.constData());
    QCOMPARE(out, QByteArray("WAV 44,100 Hz; Stereo; 16 bit\n"));
    const Decoded original = decodeWithEngine(input);
    const fixtures::Decoded cut = fixtures::decodeWithFfmpeg(path);
    QCOMPARE(cut.frames(), qint64(99000));
    for (size_t i = 0; i < cut.samples.size(); ++i)
        QVERIFY(std::abs(cut.samples[i] - original.samples[2000 + i]) <= 0.5 / 32768 + 1e-6);

    // An empty or reversed range is refused as the window refuses it, and writes nothing.
    const QString refused = m_dir.filePath(QStringLiteral("refused.wav"));
    for (const QStringList &range : {QStringList{QStringLiteral("5000"), QStringLiteral("5000")},
                                     QStringList{QStringLiteral("5000"), QStringLiteral("1000")},
                                     QStringList{QStringLiteral("5000"), QStringLiteral("5000"),
                                                 QStringLiteral("--lossless")}}) {
        QCOMPARE(fixtures::runTool(QStringList{QStringLiteral("convert"), input, refused} + range,
                                   &out, &err),
                 1);
        QVERIFY2(err.contains("Nothing to save: the End mark must come after the Begin mark."),
                 err.constData());
        QVERIFY(!QFileInfo::exists(refused));
    }
}

void WriterRoundTripTest::flacTakesTheSourcesDepth_data()
{
    QTest::addColumn<QString>("codec"); // of the source
    QTest::addColumn<int>("bits");      // FLAC's, when asked for the source's
    QTest::newRow("16-bit WAV") << "pcm_s16le" << 16;
    QTest::newRow("24-bit WAV") << "pcm_s24le" << 24;
    QTest::newRow("float WAV") << "pcm_f32le" << 24;
    QTest::newRow("8-bit WAV") << "pcm_u8" << 16;
    QTest::newRow("MP3, lossy") << "libmp3lame" << 16;
}

void WriterRoundTripTest::flacTakesTheSourcesDepth()
{
    QFETCH(QString, codec);
    QFETCH(int, bits);
    const QString input = m_dir.filePath(
        QStringLiteral("depth-%1.%2").arg(codec, codec == u"libmp3lame" ? u"mp3" : u"wav"));
    QVERIFY(fixtures::makeTone(input, 1.0, 44100, 2, {QStringLiteral("-c:a"), codec}));
    const QString path = m_dir.filePath(QStringLiteral("depth-%1.flac").arg(codec));
    QByteArray err;
    const int code = fixtures::runTool({QStringLiteral("convert"), input, path, QStringLiteral("0"),
                                        QStringLiteral("20000"), QStringLiteral("--flac"),
                                        QStringLiteral("5"), QStringLiteral("0")},
                                       nullptr, &err);
    QVERIFY2(code == 0, err.constData());
    QCOMPARE(fixtures::probe(path, QStringLiteral("bits_per_raw_sample")).toInt(), bits);
}

void WriterRoundTripTest::musicCrcOfEveryLength_data()
{
    QTest::addColumn<int>("offset"); // of the bytes from an aligned start
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("split"); // where the CRC is carried from one call to the next
    for (const int size : {0, 1, 15, 16, 17, 63, 64, 65, 127, 128, 129, 4096 + 7, 100003})
        for (const int offset : {0, 1, 15})
            QTest::addRow("%d bytes at +%d", size, offset) << offset << size << size / 3;
    QTest::addRow("carried after 64 bytes") << 3 << 1000 << 64;
    QTest::addRow("carried before the last 64") << 0 << 1000 << 936;
}

void WriterRoundTripTest::musicCrcOfEveryLength()
{
    QFETCH(int, offset);
    QFETCH(int, size);
    QFETCH(int, split);
    // Bytes of every value, and runs of 0xFF and 0x00 as MP3 headers and padding have.
    std::vector<uint8_t> bytes(size_t(offset + size));
    uint32_t seed = 12345;
    for (size_t k = 0; k < bytes.size(); ++k) {
        seed = seed * 1664525 + 1013904223;
        bytes[k] = k % 500 < 40 ? uint8_t(k % 500 < 20 ? 0xFF : 0) : uint8_t(seed >> 24);
    }
    const uint8_t *data = bytes.data() + offset;
    // The definition, a bit at a time.
    uint16_t expected = 0;
    for (int k = 0; k < size; ++k) {
        expected ^= data[k];
        for (int bit = 0; bit < 8; ++bit)
            expected =
                (expected & 1) ? uint16_t((expected >> 1) ^ 0xA001) : uint16_t(expected >> 1);
    }
    QCOMPARE(engine::lameCrc(data, size_t(size)), expected);
    QCOMPARE(
        engine::lameCrc(data + split, size_t(size - split), engine::lameCrc(data, size_t(split))),
        expected);
    QCOMPARE(engine::lameCrc(reinterpret_cast<const uint8_t *>("123456789"), 9), 0xBB3D);
}

QTEST_GUILESS_MAIN(WriterRoundTripTest)
#include "WriterRoundTripTest.moc"
