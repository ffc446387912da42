// The settings store, the number conversions and the output summaries: pure logic that the
// start-up, the format choice and the tag transfer build on.
#include "OutputSettings.h"
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
    QTest::addColumn<QString>("name");

    QTest::newRow("mp3") << 0 << -1 << QString() << QStringLiteral("MPEG 44100 Hz 128 Kbps")
                         << QStringLiteral("MP3");
    QTest::newRow("mp3 vbr default")
        << 0 << 0 << QString() << QStringLiteral("MPEG 44100 Hz 128 Kbps VBR")
        << QStringLiteral("MP3");
    QTest::newRow("mp3 abr") << 0 << 4 << QString() << QStringLiteral("MPEG 44100 Hz 128 Kbps VBR")
                             << QStringLiteral("MP3");
    QTest::newRow("wma") << 1 << -1 << QString() << QStringLiteral("WMA profile text")
                         << QStringLiteral("WMA");
    QTest::newRow("ogg plain") << 2 << -1 << QString()
                               << QStringLiteral("OGG 44,100 Hz; Stereo; 128 Kbps")
                               << QStringLiteral("OGG");
    QTest::newRow("ogg range") << 2 << -1 << QStringLiteral("vbr")
                               << QStringLiteral("OGG 44,100 Hz; Stereo; 128-128Kbps")
                               << QStringLiteral("OGG");
    QTest::newRow("ogg quality") << 2 << -1 << QStringLiteral("quality")
                                 << QStringLiteral("OGG 44,100 Hz; Stereo; Quality - 3.0")
                                 << QStringLiteral("OGG");
    QTest::newRow("ogg quality 25")
        << 2 << -1 << QStringLiteral("quality 25")
        << QStringLiteral("OGG 44,100 Hz; Stereo; Quality - 0.25") << QStringLiteral("OGG");
    QTest::newRow("ogg quality 310")
        << 2 << -1 << QStringLiteral("quality 310")
        << QStringLiteral("OGG 44,100 Hz; Stereo; Quality - 3.1") << QStringLiteral("OGG");
    QTest::newRow("ogg quality wins over range")
        << 2 << -1 << QStringLiteral("quality vbr")
        << QStringLiteral("OGG 44,100 Hz; Stereo; Quality - 3.0") << QStringLiteral("OGG");
    QTest::newRow("wav") << 3 << -1 << QString() << QStringLiteral("WAV 44,100 Hz; Stereo; 16 bit")
                         << QStringLiteral("WAV");
    QTest::newRow("wav 22050 mono 8")
        << 3 << -1 << QStringLiteral("wav small") << QStringLiteral("WAV 22,050 Hz; Mono; 8 bit")
        << QStringLiteral("WAV");
    QTest::newRow("wav rate 0") << 3 << -1 << QStringLiteral("wav zero")
                                << QStringLiteral("WAV  Hz; Stereo; 16 bit")
                                << QStringLiteral("WAV");
}

void SettingsTest::summaries()
{
    QFETCH(int, index);
    QFETCH(int, vbrMethod);
    QFETCH(QString, change);
    QFETCH(QString, text);
    QFETCH(QString, name);

    settings::OutputSettings s;
    settings::SetOggDefaults(s);
    settings::SetWavDefaults(s);
    s.outputSummary = QStringLiteral("MPEG 44100 Hz 128 Kbps");
    if (change.contains(QStringLiteral("quality"))) {
        s.flgOggQuality = true;
        const QString value = change.section(u' ', 1, 1);
        if (!value.isEmpty() && value != QStringLiteral("vbr"))
            s.oggQuality = value.toInt();
    }
    if (change.contains(QStringLiteral("vbr")))
        s.flgOggVbr = true;
    if (change == QStringLiteral("wav small")) {
        s.wavRate = 22050;
        s.wavChannels = 1;
        s.wavBits = 8;
    }
    if (change == QStringLiteral("wav zero"))
        s.wavRate = 0;

    const auto summary =
        cutting::buildSummary(index, s, vbrMethod, QStringLiteral("WMA profile text"));
    QVERIFY(summary);
    QCOMPARE(summary->text.value_or(QStringLiteral("<kept>")), text);
    QCOMPARE(summary->formatName, name);
}

void SettingsTest::summaryKeepsWmaTextWhenUnreadable()
{
    settings::OutputSettings s;
    const auto summary = cutting::buildSummary(cutting::Wma, s, -1, std::nullopt);
    QVERIFY(summary);
    QVERIFY(!summary->text);
    QCOMPARE(summary->formatName, QStringLiteral("WMA"));
    QVERIFY(!cutting::buildSummary(-1, s, -1, QString()));
    QVERIFY(!cutting::buildSummary(4, s, -1, QString()));
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
