// What the engine makes of an output choice: what each description says, what the check
// answers, the MP3 presets, and which settings a created file really gets.
#include "Fixtures.h"
#include "WriterTestSupport.h"
#include "engine/factory/Initialise.h"

#include "engine/encode/OutputWriters.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace writertest;
using engine::Mp3Settings;

namespace {

QString tag()
{
    return QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_');
}

/// A choice of OGG (kind 0: rate, channels, kbps, min, max, quality or -1), WAV (1: rate,
/// channels, bits) or WMA (2: profile), the way the dialogs make them.
engine::OutputChoice choiceOf(int kind, const QList<int> &v)
{
    engine::OutputChoice choice;
    if (kind == 0) {
        choice.format = engine::OutputFormat::Ogg;
        choice.ogg = {v[0],     v[1], v[2], v[3], v[4], v[5] < 0 ? 300 : v[5], v[3] > 0 || v[4] > 0,
                      v[5] >= 0};
    } else if (kind == 1) {
        choice.format = engine::OutputFormat::Wav;
        choice.wav = {v[0], int16_t(v[1]), v[2]};
    } else {
        choice.format = engine::OutputFormat::Wma;
        choice.wmaProfile = v[0];
    }
    return choice;
}

engine::OutputChoice mp3Choice(const Mp3Settings &settings)
{
    engine::OutputChoice choice;
    choice.mp3 = settings;
    return choice;
}

/// Writes a second of quiet sound to `path` through the writer `output` makes.
engine::Status writeSecond(const QString &path, const engine::OutputChoice &output)
{
    auto writer = engine::createOutputWriter(path, output);
    if (!writer)
        return writer.status();
    if (engine::Status s = writer.value()->setInputFormat(44100, 2); !s)
        return s;
    if (engine::Status s = writer.value()->write(engine::SampleBlock(44100 * 2, 0.1f)); !s)
        return s;
    return writer.value()->finish();
}

} // namespace

class OutputChoiceTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_tone;

private slots:
    void initTestCase();
    void descriptions_data();
    void descriptions();
    void mp3DescriptionReportsWhatIsEncoded_data();
    void mp3DescriptionReportsWhatIsEncoded();
    void wmaDescriptionsAreDistinct();
    void refusedOutputsWriteNothing_data();
    void refusedOutputsWriteNothing();
    void checkOgg_data();
    void checkOgg();
    void oggRefusedByLibvorbisFailsAtCreate();
    void eachFormatHasItsOwnSettings();
    void extensionChoosesTheWriter_data();
    void extensionChoosesTheWriter();
    void presetsSetEveryProperty();
    void presetsEncode_data();
    void presetsEncode();
};

void OutputChoiceTest::initTestCase()
{
    engine::initialise();
    QVERIFY(m_dir.isValid());
    m_tone = m_dir.filePath(QStringLiteral("tone.wav"));
    QVERIFY(fixtures::makeTone(m_tone, 1.5, 44100, 2,
                               {QStringLiteral("-c:a"), QStringLiteral("pcm_f32le")}));
}

void OutputChoiceTest::descriptions_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<QString>("description");
    // clang-format off
    QTest::newRow("ogg plain") << 0 << QList<int>{44100, 2, 128, 0, 0, -1} << "OGG 44,100 Hz; Stereo; 128 Kbps";
    QTest::newRow("ogg range") << 0 << QList<int>{44100, 2, 128, 128, 128, -1} << "OGG 44,100 Hz; Stereo; 128-128Kbps";
    QTest::newRow("ogg quality 3") << 0 << QList<int>{44100, 2, 128, 0, 0, 300} << "OGG 44,100 Hz; Stereo; Quality - 3.0";
    QTest::newRow("ogg quality 0.25") << 0 << QList<int>{16000, 1, 128, 0, 0, 25} << "OGG 16,000 Hz; Mono; Quality - 0.25";
    QTest::newRow("ogg quality 3.1") << 0 << QList<int>{48000, 2, 128, 0, 0, 310} << "OGG 48,000 Hz; Stereo; Quality - 3.1";
    QTest::newRow("wav start-up") << 1 << QList<int>{44100, 2, 16} << "WAV 44,100 Hz; Stereo; 16 bit";
    QTest::newRow("wav 22050 mono 8") << 1 << QList<int>{22050, 1, 8} << "WAV 22,050 Hz; Mono; 8 bit";
    QTest::newRow("wma 14") << 2 << QList<int>{14} << "WMA 44,100 Hz; Stereo; 64 Kbps";
    QTest::newRow("mp3 start-up") << 3 << QList<int>{} << "MP3 44,100 Hz; Joint Stereo; 128 Kbps";
    QTest::newRow("flac start-up") << 4 << QList<int>{} << "FLAC as the source; the source's bits; level 5";
    QTest::newRow("opus start-up") << 5 << QList<int>{} << "Opus 48,000 Hz; Stereo; 128 Kbps VBR";
    QTest::newRow("m4a start-up") << 6 << QList<int>{} << "M4A 44,100 Hz; Stereo; 192 Kbps";
    // clang-format on
}

void OutputChoiceTest::descriptions()
{
    QFETCH(int, kind);
    QFETCH(QList<int>, values);
    QFETCH(QString, description);
    engine::OutputChoice choice = kind >= 3 ? engine::OutputChoice() : choiceOf(kind, values);
    if (kind > 3)
        choice.format = engine::OutputFormat(kind);
    const engine::Status checked = engine::checkOutput(choice);
    QVERIFY2(checked, qPrintable(checked.description()));
    QCOMPARE(engine::describeOutput(choice), description);
}

void OutputChoiceTest::mp3DescriptionReportsWhatIsEncoded_data()
{
    QTest::addColumn<Mp3Settings>("settings");
    QTest::addColumn<QString>("description");
    auto with = [](auto change) {
        Mp3Settings s;
        change(s);
        return s;
    };
    using S = Mp3Settings;
    // clang-format off
    QTest::newRow("defaults") << S{} << "MP3 44,100 Hz; Joint Stereo; 128 Kbps";
    QTest::newRow("stereo 192") << with([](S &s) { s.channelMode = S::Stereo; s.bitrate = 192; }) << "MP3 44,100 Hz; Stereo; 192 Kbps";
    QTest::newRow("forced joint") << with([](S &s) { s.channelMode = S::ForcedJointStereo; }) << "MP3 44,100 Hz; Forced Joint Stereo; 128 Kbps";
    QTest::newRow("dual") << with([](S &s) { s.channelMode = S::DualChannel; }) << "MP3 44,100 Hz; Dual Channels; 128 Kbps";
    QTest::newRow("8 kHz caps 320 at 64") << with([](S &s) { s.sampleRate = 8000; s.bitrate = 320; }) << "MP3 8,000 Hz; Joint Stereo; 64 Kbps";
    QTest::newRow("100 kbps is no MPEG rate") << with([](S &s) { s.bitrate = 100; }) << "MP3 44,100 Hz; Joint Stereo; 96 Kbps";
    QTest::newRow("8 kbps is below MPEG-1") << with([](S &s) { s.bitrate = 8; }) << "MP3 44,100 Hz; Joint Stereo; 32 Kbps";
    QTest::newRow("vbr new q2") << with([](S &s) { s.vbrMethod = S::VbrNew; s.vbrQuality = 2; }) << "MP3 44,100 Hz; Joint Stereo; quality 2; 128-320 Kbps";
    QTest::newRow("vbr quality 12 reads 9") << with([](S &s) { s.vbrMethod = S::VbrMtrh; s.vbrQuality = 12; s.bitrate = 32; }) << "MP3 44,100 Hz; Joint Stereo; quality 9; 32-320 Kbps";
    QTest::newRow("vbr minimum above maximum") << with([](S &s) { s.vbrMethod = S::VbrOld; s.bitrate = 256; s.maxVbrBitrate = 160; }) << "MP3 44,100 Hz; Joint Stereo; quality 4; 160-160 Kbps";
    QTest::newRow("vbr 22 kHz caps at 160") << with([](S &s) { s.vbrMethod = S::VbrDefault; s.sampleRate = 22050; s.channels = 1; s.bitrate = 8; }) << "MP3 22,050 Hz; Mono; quality 4; 8-160 Kbps";
    QTest::newRow("abr 160") << with([](S &s) { s.vbrMethod = S::VbrAbr; s.abrBitrate = 160; }) << "MP3 44,100 Hz; Joint Stereo; 160 Kbps average";
    QTest::newRow("abr 310 within 128-320") << with([](S &s) { s.vbrMethod = S::VbrAbr; s.abrBitrate = 310; }) << "MP3 44,100 Hz; Joint Stereo; 310 Kbps average";
    QTest::newRow("rate off the list") << with([](S &s) { s.sampleRate = 40000; }) << "MP3 44,100 Hz; Joint Stereo; 128 Kbps";
    // clang-format on
}

void OutputChoiceTest::mp3DescriptionReportsWhatIsEncoded()
{
    QFETCH(Mp3Settings, settings);
    QFETCH(QString, description);
    const QString text = engine::describeOutput(mp3Choice(settings));
    QCOMPARE(text, description);
    // The window adds " VBR", rewrites "kHz" and cuts a final "; " itself.
    QVERIFY(!text.contains(QLatin1String("VBR")) && !text.contains(QLatin1String("kHz")));

    // And it is what the file gets.
    const QString path = m_dir.filePath(QStringLiteral("%1.mp3").arg(tag()));
    QVERIFY(encodeFile(m_tone, path, mp3Choice(settings)));
    const QString rate = text.section(u' ', 1, 1).remove(u',');
    QCOMPARE(fixtures::probe(path, QStringLiteral("sample_rate")), rate);
    if (settings.vbrMethod == Mp3Settings::VbrNone)
        QCOMPARE(fixtures::probe(path, QStringLiteral("bit_rate")).toInt() / 1000,
                 text.section(QLatin1String("; "), 2).section(u' ', 0, 0).toInt());
}

void OutputChoiceTest::wmaDescriptionsAreDistinct()
{
    QSet<QString> seen;
    for (int profile = 1; profile <= engine::kWmaProfileCount; ++profile) {
        const QString text = engine::describeOutput(choiceOf(2, {profile}));
        QVERIFY2(text.startsWith(QLatin1String("WMA ")) && !text.contains(u'\n'), qPrintable(text));
        QVERIFY2(!seen.contains(text), qPrintable(text));
        seen.insert(text);
    }
}

void OutputChoiceTest::refusedOutputsWriteNothing_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<int>>("values");
    // clang-format off
    QTest::newRow("wma 0") << 2 << QList<int>{0};
    QTest::newRow("wma 48") << 2 << QList<int>{48};
    QTest::newRow("wav 0 Hz") << 1 << QList<int>{0, 2, 16};
    QTest::newRow("wav 96 kHz") << 1 << QList<int>{96000, 2, 16};
    QTest::newRow("wav 24 bit") << 1 << QList<int>{44100, 2, 24};
    QTest::newRow("wav 3 channels") << 1 << QList<int>{44100, 3, 16};
    QTest::newRow("ogg 0 channels") << 0 << QList<int>{44100, 0, 128, 0, 0, -1};
    QTest::newRow("ogg quality 11") << 0 << QList<int>{44100, 2, 128, 0, 0, 1100};
    QTest::newRow("flac 32 bit") << 4 << QList<int>{32};
    QTest::newRow("opus mono 320") << 5 << QList<int>{320};
    QTest::newRow("m4a 500 kbps") << 6 << QList<int>{500};
    // clang-format on
}

void OutputChoiceTest::refusedOutputsWriteNothing()
{
    QFETCH(int, kind);
    QFETCH(QList<int>, values);
    engine::OutputChoice choice = kind <= 2 ? choiceOf(kind, values) : engine::OutputChoice();
    if (kind == 4) {
        choice.format = engine::OutputFormat::Flac;
        choice.flac.bitsPerSample = values[0];
    } else if (kind == 5) {
        choice.format = engine::OutputFormat::Opus;
        choice.opus.channels = 1;
        choice.opus.bitrate = values[0];
    } else if (kind == 6) {
        choice.format = engine::OutputFormat::M4a;
        choice.m4a.bitrate = values[0];
    }
    const engine::Status refused = engine::checkOutput(choice);
    QVERIFY(!refused);
    QVERIFY(!refused.description().isEmpty());

    const QString folder = m_dir.filePath(QStringLiteral("refused-%1").arg(tag()));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/x.") + choice.extension();
    const auto writer = engine::createOutputWriter(path, choice);
    QVERIFY(!writer);
    QCOMPARE(writer.description(), refused.description());
    QVERIFY(folderContents(folder).isEmpty());
}

void OutputChoiceTest::checkOgg_data()
{
    // Accepted and refused nominal bit rates measured from libvorbis 1.3.7 (the dialog's
    // list values at the edges of each range).
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("kbps");
    QTest::addColumn<int>("minKbps");
    QTest::addColumn<int>("maxKbps");
    QTest::addColumn<bool>("accepted");
    // clang-format off
    QTest::newRow("8k mono 8") << 8000 << 1 << 8 << 0 << 0 << true;
    QTest::newRow("8k mono 32") << 8000 << 1 << 32 << 0 << 0 << true;
    QTest::newRow("8k mono 48") << 8000 << 1 << 48 << 0 << 0 << false;
    QTest::newRow("8k stereo 8") << 8000 << 2 << 8 << 0 << 0 << false;
    QTest::newRow("8k stereo 16") << 8000 << 2 << 16 << 0 << 0 << true;
    QTest::newRow("16k stereo 192") << 16000 << 2 << 192 << 0 << 0 << true;
    QTest::newRow("16k stereo 224") << 16000 << 2 << 224 << 0 << 0 << false;
    QTest::newRow("22k stereo 24") << 22050 << 2 << 24 << 0 << 0 << false;
    QTest::newRow("22k stereo 160") << 22050 << 2 << 160 << 0 << 0 << true;
    QTest::newRow("22k stereo 192") << 22050 << 2 << 192 << 0 << 0 << false;
    QTest::newRow("44k mono 24") << 44100 << 1 << 24 << 0 << 0 << false;
    QTest::newRow("44k mono 224") << 44100 << 1 << 224 << 0 << 0 << true;
    QTest::newRow("44k mono 256") << 44100 << 1 << 256 << 0 << 0 << false;
    QTest::newRow("44k stereo 32") << 44100 << 2 << 32 << 0 << 0 << false;
    QTest::newRow("44k stereo 48") << 44100 << 2 << 48 << 0 << 0 << true;
    QTest::newRow("44k stereo 320") << 44100 << 2 << 320 << 0 << 0 << true;
    QTest::newRow("48k stereo 500") << 48000 << 2 << 500 << 0 << 0 << true;
    QTest::newRow("44k stereo 96-160") << 44100 << 2 << 128 << 96 << 160 << true;
    QTest::newRow("44k stereo 128-128") << 44100 << 2 << 128 << 128 << 128 << true;
    QTest::newRow("16k stereo 320-320") << 16000 << 2 << 320 << 320 << 320 << false;
    QTest::newRow("no bit rate at all") << 44100 << 2 << 0 << 0 << 0 << false;
    // clang-format on
}

void OutputChoiceTest::checkOgg()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, kbps);
    QFETCH(int, minKbps);
    QFETCH(int, maxKbps);
    QFETCH(bool, accepted);
    const engine::OutputChoice choice = choiceOf(0, {rate, channels, kbps, minKbps, maxKbps, -1});
    QCOMPARE(engine::checkOutput(choice).ok(), accepted);
    if (!accepted)
        return;
    // An accepted combination really encodes.
    const QString path = m_dir.filePath(QStringLiteral("check-%1.ogg").arg(tag()));
    const engine::Status encoded = encodeFile(m_tone, path, choice);
    QVERIFY2(encoded, qPrintable(encoded.description()));
    QCOMPARE(fixtures::probe(path, QStringLiteral("sample_rate")).toInt(), rate);
}

void OutputChoiceTest::oggRefusedByLibvorbisFailsAtCreate()
{
    // A stored choice is not checked again: the writer refuses it in libvorbis's words.
    QVERIFY(engine::checkOutput(choiceOf(0, {44100, 2, 256, 0, 0, -1})));
    QDir(m_dir.path()).mkdir(QStringLiteral("refused"));
    const QString path = m_dir.filePath(QStringLiteral("refused/x.ogg"));
    const auto created = engine::createOutputWriter(path, choiceOf(0, {16000, 2, 256, 0, 0, -1}));
    QVERIFY(!created);
    QVERIFY2(created.description().contains(path) &&
                 created.description().contains(QLatin1String("libvorbis")),
             qPrintable(created.description()));
    QVERIFY(folderContents(m_dir.filePath(QStringLiteral("refused"))).isEmpty());
}

void OutputChoiceTest::eachFormatHasItsOwnSettings()
{
    engine::OutputChoice choice;
    choice.wav = {22050, 1, 8};
    choice.ogg.sampleRate = 32000;
    choice.ogg.channels = 1;
    choice.ogg.bitrate = 64;
    choice.wmaProfile = 35;
    choice.mp3.sampleRate = 48000;
    choice.mp3.bitrate = 192;
    const struct
    {
        const char *name;
        int rate;
        int channels;
    } expected[] = {{"a.wav", 22050, 1},
                    {"a.ogg", 32000, 1},
                    {"a.wma", 22050, 2},
                    {"a.mp3", 48000, 2},
                    {"b.WAV", 22050, 1}};
    for (const auto &e : expected) {
        const QString path = m_dir.filePath(QString::fromLatin1(e.name));
        // The name decides the format, whichever the choice has.
        QVERIFY2(writeSecond(path, choice), e.name);
        QCOMPARE(fixtures::probe(path, QStringLiteral("sample_rate")).toInt(), e.rate);
        QCOMPARE(fixtures::probe(path, QStringLiteral("channels")).toInt(), e.channels);
    }
}

void OutputChoiceTest::extensionChoosesTheWriter_data()
{
    // A fresh choice: every format has the output the window shows at start-up.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("codec"); // empty: refused
    QTest::addColumn<int>("bitRate");
    // clang-format off
    QTest::newRow("mp3") << "x.mp3" << "mp3" << 128000;
    QTest::newRow("upper case") << "x.OGG" << "vorbis" << 128000;
    QTest::newRow("mixed case") << "x.Wma" << "wmav2" << 64000;
    QTest::newRow("dots in the name") << "a.b.wav" << "pcm_s16le" << 44100 * 2 * 16;
    QTest::newRow("flac") << "x.flac" << "flac" << 0;
    QTest::newRow("opus") << "x.opus" << "opus" << 0;
    QTest::newRow("an m4r ringtone is aac") << "x.m4r" << "aac" << 0;
    QTest::newRow("unknown") << "x.aiff" << "" << 0;
    QTest::newRow("none") << "noextension" << "" << 0;
    QTest::newRow("format name only") << "mp3" << "" << 0;
    // clang-format on
}

void OutputChoiceTest::extensionChoosesTheWriter()
{
    QFETCH(QString, name);
    QFETCH(QString, codec);
    QFETCH(int, bitRate);
    const QString folder = m_dir.filePath(QStringLiteral("ext-%1").arg(tag()));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + u'/' + name;
    const engine::Status written = writeSecond(path, engine::OutputChoice());
    if (codec.isEmpty()) {
        QVERIFY(!written);
        QVERIFY2(written.description().contains(path) &&
                     written.description().contains(QLatin1String(".mp3")),
                 qPrintable(written.description()));
        QVERIFY(folderContents(folder).isEmpty());
        return;
    }
    QVERIFY2(written, qPrintable(written.description()));
    QCOMPARE(fixtures::probe(path, QStringLiteral("codec_name")), codec);
    QCOMPARE(fixtures::probe(path, QStringLiteral("sample_rate")).toInt(),
             codec == QLatin1String("opus") ? 48000 : 44100);
    QCOMPARE(fixtures::probe(path, QStringLiteral("channels")).toInt(), 2);
    if (bitRate > 0)
        QCOMPARE(fixtures::probe(path, QStringLiteral("bit_rate")).toInt(), bitRate);
    QCOMPARE(folderContents(folder), QStringList{name});
}

void OutputChoiceTest::presetsSetEveryProperty()
{
    Mp3Settings plain;
    Mp3Settings odd;
    odd.sampleRate = 12345;
    odd.channels = 1;
    odd.channelMode = Mp3Settings::DualChannel;
    odd.bitrate = 999;
    odd.quality = 0;
    odd.vbrMethod = Mp3Settings::VbrAbr;
    odd.maxVbrBitrate = 8;
    odd.vbrQuality = 9;
    odd.abrBitrate = 300;
    odd.writeVbrHeader = false;
    odd.strictMinimum = true;
    const QList<int> bitrates = {8, 16, 24, 32, 48, 56, 64, 96, 112, 128, 160, 192, 224, 256, 320};
    const QList<int> rates = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    QSet<QString> distinct;
    for (int preset = Mp3Settings::Phone; preset <= Mp3Settings::R3Mix; ++preset) {
        Mp3Settings a = plain;
        Mp3Settings b = odd;
        QVERIFY(a.applyPreset(preset) && b.applyPreset(preset));
        // Whatever the starting point, a preset leaves the same values: it sets them all.
        QVERIFY2(a == b, qPrintable(QString::number(preset)));
        // Only values the MP3 dialog can show.
        QVERIFY(rates.contains(a.sampleRate));
        QVERIFY(a.channels == 1 || a.channels == 2);
        QVERIFY(a.channelMode >= 1 && a.channelMode <= 4);
        QVERIFY(bitrates.contains(a.bitrate) && bitrates.contains(a.maxVbrBitrate));
        QVERIFY(a.quality >= 0 && a.quality <= 9 && a.vbrQuality >= 0 && a.vbrQuality <= 9);
        QVERIFY(a.vbrMethod >= -1 && a.vbrMethod <= 4);
        QVERIFY(a.abrBitrate >= 10 && a.abrBitrate <= 310);
        distinct.insert(QStringLiteral("%1/%2/%3/%4")
                            .arg(a.sampleRate)
                            .arg(a.channels)
                            .arg(a.bitrate)
                            .arg(a.vbrMethod));
    }
    QCOMPARE(distinct.size(), 11);
    for (int refused : {0, 12, -1}) {
        Mp3Settings s = odd;
        QVERIFY(!s.applyPreset(refused));
        QVERIFY(s == odd);
    }
}

void OutputChoiceTest::presetsEncode_data()
{
    QTest::addColumn<int>("preset");
    for (int p = Mp3Settings::Phone; p <= Mp3Settings::R3Mix; ++p)
        QTest::addRow("%d", p) << p;
}

void OutputChoiceTest::presetsEncode()
{
    QFETCH(int, preset);
    Mp3Settings settings;
    QVERIFY(settings.applyPreset(preset));
    const QString path = m_dir.filePath(QStringLiteral("preset-%1.mp3").arg(preset));
    const engine::Status encoded = encodeFile(m_tone, path, mp3Choice(settings));
    QVERIFY2(encoded, qPrintable(encoded.description()));
    QCOMPARE(fixtures::probe(path, QStringLiteral("sample_rate")).toInt(), settings.sampleRate);
    QCOMPARE(fixtures::probe(path, QStringLiteral("channels")).toInt(), settings.channels);
    if (settings.vbrMethod == Mp3Settings::VbrNone)
        QCOMPARE(fixtures::probe(path, QStringLiteral("bit_rate")).toInt(),
                 settings.bitrate * 1000);
    const qint64 expected = std::llround(1.5 * settings.sampleRate);
    QVERIFY(std::abs(decodeWithEngine(path).frames() - expected) <= 1);
}

QTEST_GUILESS_MAIN(OutputChoiceTest)
#include "OutputChoiceTest.moc"
