// The settings store, the number conversions and the output summaries: pure logic that the
// start-up, the format choice and the tag transfer build on.
#include "OutputSummary.h"
#include "SettingsStore.h"
#include "TextNumbers.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readSetting_data();
    void readSetting();
    void missingStore();
    void roundingAndLeadingNumbers();
    void summaries_data();
    void summaries();
    void summaryKeepsWmaTextWhenUnreadable();
    void outputRoundTrip_data();
    void outputRoundTrip();
    void cleanOutputSummary_data();
    void cleanOutputSummary();

private:
    QTemporaryDir m_dir;
};

void SettingsTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void SettingsTest::readSetting_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("string") << QVariant(QStringLiteral("2")) << QStringLiteral("2");
    QTest::newRow("string with its NUL")
        << QVariant(QStringLiteral("2") + QChar(u'\0')) << QStringLiteral("2");
    QTest::newRow("single NUL") << QVariant(QString(QChar(u'\0'))) << QString();
    QTest::newRow("NUL first") << QVariant(QString(QChar(u'\0')) + QStringLiteral("3"))
                               << QString();
    QTest::newRow("number") << QVariant(3) << QStringLiteral("3");
    QTest::newRow("negative number") << QVariant(qint64(-7)) << QStringLiteral("-7");
    QTest::newRow("binary") << QVariant(QByteArray("\x01\x02\x03", 3)) << QString();
    QTest::newRow("list") << QVariant(QStringList{QStringLiteral("1")}) << QString();
    QTest::newRow("text") << QVariant(QStringLiteral("abc")) << QStringLiteral("abc");
}

// Through a real file, so that what the store's format keeps of a type is what is tested.
void SettingsTest::readSetting()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, expected);
    const QString file =
        m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".ini"));
    {
        QSettings writer(file, QSettings::IniFormat);
        writer.setValue(QStringLiteral("LastFormat"), stored);
    }
    QSettings reader(file, QSettings::IniFormat);
    const settings::SettingsStore store(reader);
    QCOMPARE(store.ReadSetting(QStringLiteral("LastFormat")), expected);
    QCOMPARE(store.ReadSetting(QStringLiteral("Other")), QString());
}

void SettingsTest::missingStore()
{
    QSettings reader(m_dir.filePath(QStringLiteral("nothing-here.ini")), QSettings::IniFormat);
    const settings::SettingsStore store(reader);
    QCOMPARE(store.ReadSetting(QStringLiteral("LastFormat")), QString());
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("nothing-here.ini"))));
}

void SettingsTest::roundingAndLeadingNumbers()
{
    using settings::leadingNumber;
    using settings::roundHalfEven;
    QCOMPARE(roundHalfEven(2.5), 2.0);
    QCOMPARE(roundHalfEven(3.5), 4.0);
    QCOMPARE(roundHalfEven(-2.5), -2.0);
    QCOMPARE(roundHalfEven(-3.5), -4.0);
    QCOMPARE(roundHalfEven(2.4999), 2.0);
    QCOMPARE(roundHalfEven(-0.6), -1.0);

    QCOMPARE(leadingNumber(QStringLiteral("1999")), 1999.0);
    QCOMPARE(leadingNumber(QStringLiteral("  7/12")), 7.0);
    QCOMPARE(leadingNumber(QStringLiteral("-1")), -1.0);
    QCOMPARE(leadingNumber(QStringLiteral("2.5abc")), 2.5);
    QCOMPARE(leadingNumber(QStringLiteral("1e3x")), 1000.0);
    QCOMPARE(leadingNumber(QStringLiteral("1ex")), 1.0);
    QCOMPARE(leadingNumber(QStringLiteral("abc")), 0.0);
    QCOMPARE(leadingNumber(QString()), 0.0);
    QCOMPARE(leadingNumber(QStringLiteral("-")), 0.0);

    QCOMPARE(settings::roundedInto<int16_t>(32767.4), std::optional<int16_t>(32767));
    QCOMPARE(settings::roundedInto<int16_t>(32767.6), std::optional<int16_t>());
    QCOMPARE(settings::roundedInto<int16_t>(-32768.5), std::optional<int16_t>(-32768));
    QCOMPARE(settings::roundedInto<int32_t>(1e12), std::optional<int32_t>());
}

void SettingsTest::summaries_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("vbrMethod");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("text");

    QTest::newRow("mp3") << 0 << -1 << QString() << QStringLiteral("MPEG 44100 Hz 128 Kbps");
    QTest::newRow("mp3 vbr default")
        << 0 << 0 << QString() << QStringLiteral("MPEG 44100 Hz 128 Kbps VBR");
    QTest::newRow("mp3 abr") << 0 << 4 << QString() << QStringLiteral("MPEG 44100 Hz 128 Kbps VBR");
    QTest::newRow("wma") << 1 << -1 << QString() << QStringLiteral("WMA profile text");
    QTest::newRow("ogg plain") << 2 << -1 << QString()
                               << QStringLiteral("OGG 44,100 Hz; Stereo; 128 Kbps");
    QTest::newRow("ogg range") << 2 << -1 << QStringLiteral("vbr")
                               << QStringLiteral("OGG 44,100 Hz; Stereo; 128-128Kbps");
    QTest::newRow("ogg quality") << 2 << -1 << QStringLiteral("quality")
                                 << QStringLiteral("OGG 44,100 Hz; Stereo; Quality - 3.0");
    QTest::newRow("ogg quality 25") << 2 << -1 << QStringLiteral("quality 25")
                                    << QStringLiteral("OGG 44,100 Hz; Stereo; Quality - 0.25");
    QTest::newRow("ogg quality 310") << 2 << -1 << QStringLiteral("quality 310")
                                     << QStringLiteral("OGG 44,100 Hz; Stereo; Quality - 3.1");
    QTest::newRow("ogg quality wins over range")
        << 2 << -1 << QStringLiteral("quality vbr")
        << QStringLiteral("OGG 44,100 Hz; Stereo; Quality - 3.0");
    QTest::newRow("ogg 16000 mono") << 2 << -1 << QStringLiteral("ogg small")
                                    << QStringLiteral("OGG 16,000 Hz; Mono; 128 Kbps");
    QTest::newRow("wav") << 3 << -1 << QString() << QStringLiteral("WAV 44,100 Hz; Stereo; 16 bit");
    QTest::newRow("wav 22050 mono 8")
        << 3 << -1 << QStringLiteral("wav small") << QStringLiteral("WAV 22,050 Hz; Mono; 8 bit");
    QTest::newRow("wav rate 0") << 3 << -1 << QStringLiteral("wav zero")
                                << QStringLiteral("WAV  Hz; Stereo; 16 bit");
}

void SettingsTest::summaries()
{
    QFETCH(int, index);
    QFETCH(int, vbrMethod);
    QFETCH(QString, change);
    QFETCH(QString, text);

    engine::OutputChoice output;
    output.format = engine::OutputFormat(index);
    output.mp3.vbrMethod = vbrMethod;
    if (change.contains(QStringLiteral("quality"))) {
        output.ogg.useQuality = true;
        const QString value = change.section(u' ', 1, 1);
        if (!value.isEmpty() && value != QStringLiteral("vbr"))
            output.ogg.quality = value.toInt();
    }
    if (change.contains(QStringLiteral("vbr")))
        output.ogg.vbr = true;
    if (change == QStringLiteral("ogg small")) {
        output.ogg.sampleRate = 16000;
        output.ogg.channels = 1;
    }
    if (change == QStringLiteral("wav small"))
        output.wav = {22050, 1, 8};
    if (change == QStringLiteral("wav zero"))
        output.wav.sampleRate = 0;

    const QString described = index == 1 ? QStringLiteral("WMA profile text")
                                         : QStringLiteral("MPEG 44100 kHz 128 Kbps; ");
    QCOMPARE(cutting::summaryOf(output, described).value_or(QStringLiteral("<kept>")), text);
}

void SettingsTest::summaryKeepsWmaTextWhenUnreadable()
{
    engine::OutputChoice output;
    for (auto format : {engine::OutputFormat::Mp3, engine::OutputFormat::Wma}) {
        output.format = format;
        QVERIFY(!cutting::summaryOf(output, std::nullopt));
    }
    // The window's own texts need nothing from the engine.
    output.format = engine::OutputFormat::Wav;
    QVERIFY(cutting::summaryOf(output, std::nullopt));
}

void SettingsTest::outputRoundTrip_data()
{
    QTest::addColumn<QVariantMap>("stored"); ///< values written by hand over the stored ones
    QTest::addColumn<bool>("defaults");      ///< the stored ones are not used: defaults instead
    QTest::newRow("as written") << QVariantMap{} << false;
    QTest::newRow("profile 48") << QVariantMap{{QStringLiteral("Wma/Profile"),
                                                QStringLiteral("48")}}
                                << true;
    QTest::newRow("wav 96 kHz") << QVariantMap{{QStringLiteral("Wav/SampleRate"),
                                                QStringLiteral("96000")}}
                                << true;
    QTest::newRow("ogg quality 11")
        << QVariantMap{{QStringLiteral("Ogg/Quality"), QStringLiteral("1100")}} << true;
    QTest::newRow("mp3 vbr method 9")
        << QVariantMap{{QStringLiteral("Mp3/VbrMethod"), QStringLiteral("9")}} << true;
    QTest::newRow("format 7") << QVariantMap{{QStringLiteral("LastFormat"), QStringLiteral("7")}}
                              << true;
    QTest::newRow("flac level 9") << QVariantMap{{QStringLiteral("Flac/Level"),
                                                  QStringLiteral("9")}}
                                  << true;
    QTest::newRow("tags flag of text")
        << QVariantMap{{QStringLiteral("CopyTags"), QStringLiteral("yes")}} << true;
    QTest::newRow("normalise of text")
        << QVariantMap{{QStringLiteral("Normalise"), QStringLiteral("loud")}} << true;
    QTest::newRow("negative fade")
        << QVariantMap{{QStringLiteral("FadeIn"), QStringLiteral("-2")}} << true;
}

// What the store keeps is what it gives back; a stored part that no dialog could show keeps
// that part's default and leaves the rest as stored.
void SettingsTest::outputRoundTrip()
{
    QFETCH(QVariantMap, stored);
    QFETCH(bool, defaults);
    engine::OutputChoice output;
    output.format = engine::OutputFormat::Ogg;
    output.keepEncoding = true;
    output.copyTags = false;
    output.mp3.applyPreset(engine::Mp3Settings::Voice);
    output.wmaProfile = 35;
    output.ogg = {22050, 1, 64, 48, 96, 700, true, false};
    output.wav = {8000, 1, 8};
    output.flac = {96000, 1, 24, 8};
    output.opus = {1, 48, engine::OpusSettings::Cbr, true};
    output.m4a = {22050, 1, 96, true};
    output.shape = {0.5, 2.25, true, -16.0, true};
    const QString file =
        m_dir.filePath(QStringLiteral("output-%1.ini").arg(QLatin1String(QTest::currentDataTag())));
    {
        QSettings writer(file, QSettings::IniFormat);
        settings::SettingsStore(writer).WriteOutput(output);
        for (auto it = stored.begin(); it != stored.end(); ++it)
            writer.setValue(it.key(), it.value());
    }
    QSettings reader(file, QSettings::IniFormat);
    const engine::OutputChoice read = settings::SettingsStore(reader).ReadOutput();
    if (!defaults) {
        QCOMPARE(read, output);
        return;
    }
    const engine::OutputChoice fresh;
    QVERIFY(read != output);
    const QString key = stored.firstKey();
    QCOMPARE(read.format == fresh.format, key == QLatin1String("LastFormat"));
    QCOMPARE(read.copyTags == fresh.copyTags, key == QLatin1String("CopyTags"));
    QCOMPARE(read.mp3 == fresh.mp3, key.startsWith(QLatin1String("Mp3/")));
    QCOMPARE(read.wmaProfile == fresh.wmaProfile, key.startsWith(QLatin1String("Wma/")));
    QCOMPARE(read.ogg == fresh.ogg, key.startsWith(QLatin1String("Ogg/")));
    QCOMPARE(read.wav == fresh.wav, key.startsWith(QLatin1String("Wav/")));
    QCOMPARE(read.flac == fresh.flac, key.startsWith(QLatin1String("Flac/")));
    QCOMPARE(read.opus == fresh.opus, false);
    QCOMPARE(read.m4a == fresh.m4a, false);
    QCOMPARE(read.shape.normaliseLufs == fresh.shape.normaliseLufs,
             key == QLatin1String("Normalise"));
    QCOMPARE(read.shape.fadeInSeconds == fresh.shape.fadeInSeconds, key == QLatin1String("FadeIn"));
    QCOMPARE(read.shape.fadeOutSeconds, output.shape.fadeOutSeconds);
}

void SettingsTest::cleanOutputSummary_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("cleaned");
    QTest::newRow("kHz and final separator") << QStringLiteral("MP3 44 kHz; 128 Kbps; Stereo; ")
                                             << QStringLiteral("MP3 44 Hz; 128 Kbps; Stereo");
    QTest::newRow("every kHz") << QStringLiteral("kHz kHz khz") << QStringLiteral("Hz Hz khz");
    QTest::newRow("other end kept")
        << QStringLiteral("MP3; Stereo;") << QStringLiteral("MP3; Stereo;");
    QTest::newRow("only one separator removed") << QStringLiteral("a; ; ") << QStringLiteral("a; ");
}

void SettingsTest::cleanOutputSummary()
{
    QFETCH(QString, description);
    QFETCH(QString, cleaned);
    QCOMPARE(cutting::cleanOutputSummary(description), cleaned);
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
