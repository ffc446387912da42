// Each option dialog's OK followed by a real cut: the file written has the settings the
// dialog showed, as the ffprobe program reads them.
#include "ConvertJob.h"
#include "DialogInput.h"
#include "Fixtures.h"
#include "FormMp3.h"
#include "FormOGG.h"
#include "FormWAV.h"
#include "FormWMA.h"
#include "OutputSummary.h"
#include "WriterTestSupport.h"
#include "engine/encode/OutputWriters.h"
#include "engine/factory/AudioFileObject.h"
#include "engine/factory/Initialise.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <vorbis/vorbisenc.h>

namespace {

constexpr int kRate = 44100;

/// The nominal bit rate libvorbis gives quality `quality` (0..1) at this rate and channels.
int vorbisNominal(int rate, int channels, float quality)
{
    vorbis_info info;
    vorbis_info_init(&info);
    const int nominal = vorbis_encode_init_vbr(&info, channels, rate, quality) == 0
                            ? int(info.bitrate_nominal)
                            : -1;
    vorbis_info_clear(&info);
    return nominal;
}

} // namespace

class FormatDialogsCutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mp3_data();
    void mp3();
    void ogg_data();
    void ogg();
    void wav_data();
    void wav();
    void wma_data();
    void wma();

private:
    /// Two seconds of the source into `output`, as the Cut command runs the job.
    QString cut(const engine::OutputChoice &output, const QString &extension);

    QTemporaryDir m_dir;
    QString m_source;
};

void FormatDialogsCutTest::initTestCase()
{
    engine::initialise();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(m_dir.isValid());
    m_source = m_dir.filePath(QStringLiteral("tone.wav"));
    QVERIFY(fixtures::makeTone(m_source, 3.0, kRate, 2,
                               {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")}));
}

QString FormatDialogsCutTest::cut(const engine::OutputChoice &output, const QString &extension)
{
    const QString dest = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) +
                                        QStringLiteral(".") + extension);
    engine::AudioFileObject reader;
    const engine::Status status = cutting::ConvertRange(
        reader, writertest::makerOf(output), m_source, dest, cutting::Range{0, 2 * kRate}, {});
    if (!status) {
        qWarning("%s", qPrintable(status.description()));
        return QString();
    }
    // The summary the window shows for this output says what the file holds.
    engine::OutputChoice shown = output;
    shown.format = engine::outputFormatOf(dest)->format;
    const auto summary = cutting::summaryOf(shown, engine::describeOutput(shown));
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("([\\d,]+) Hz; (Mono)?"))
            .match(summary.value_or(QString()));
    if (!match.hasMatch() ||
        match.captured(1).remove(u',') != fixtures::probe(dest, QStringLiteral("sample_rate")) ||
        (match.captured(2).isEmpty() ? 2 : 1) !=
            fixtures::probe(dest, QStringLiteral("channels")).toInt()) {
        qWarning("the summary \"%s\" is not what was written",
                 qPrintable(summary.value_or(QString())));
        return QString();
    }
    return dest;
}

void FormatDialogsCutTest::mp3_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("channels");
    QTest::addColumn<QString>("bitrate");
    QTest::addColumn<int>("expectedChannels");
    QTest::addColumn<QByteArray>("header"); ///< LAME writes "Info" for CBR and "Xing" for VBR
    QTest::newRow("cbr 22050 mono 64") << "No VBR"
                                       << "22 050 Hz"
                                       << "Mono"
                                       << "64" << 1 << QByteArray("Info");
    QTest::newRow("vbr new 44100 joint") << "New"
                                         << "44 100 Hz"
                                         << "Joint Stereo"
                                         << "32" << 2 << QByteArray("Xing");
    QTest::newRow("abr 32000 stereo") << "ABR"
                                      << "32 000 Hz"
                                      << "Stereo"
                                      << "128" << 2 << QByteArray("Xing");
}

void FormatDialogsCutTest::mp3()
{
    QFETCH(QString, method);
    QFETCH(QString, frequency);
    QFETCH(QString, channels);
    QFETCH(QString, bitrate);
    QFETCH(int, expectedChannels);
    QFETCH(QByteArray, header);
    FormMp3 dialog(engine::OutputChoice{});
    pick(dialog, "cmbFrequency", frequency);
    pick(dialog, "cmbChMode", channels);
    pick(dialog, "ComboBitrate", bitrate);
    pick(dialog, "cmbVBRCodingMethod", method);
    click(dialog, "CmdOK");

    const QString path = cut(dialog.output(), QStringLiteral("mp3"));
    QVERIFY(!path.isEmpty());
    const QString hz = QString(frequency).remove(u' ');
    QCOMPARE(fixtures::probe(path, QStringLiteral("sample_rate")), hz.chopped(2));
    QCOMPARE(fixtures::probe(path, QStringLiteral("channels")).toInt(), expectedChannels);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray firstFrame = file.read(1024);
    QVERIFY2(firstFrame.contains(header), header.constData());
    if (method == QLatin1String("No VBR"))
        QCOMPARE(fixtures::probe(path, QStringLiteral("bit_rate")).toInt(), bitrate.toInt() * 1000);
}

void FormatDialogsCutTest::ogg_data()
{
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("channels");
    QTest::addColumn<QString>("bitrate");
    QTest::addColumn<QString>("mode"); ///< "", "VBR" (96 to 160) or a quality number
    QTest::addColumn<int>("nominal"); ///< as the stream header says; 0: libvorbis's for the quality
    QTest::newRow("16000 stereo 32") << "16,000 Hz"
                                     << "Stereo"
                                     << "32"
                                     << "" << 32000;
    QTest::newRow("32000 mono 64") << "32,000 Hz"
                                   << "Mono"
                                   << "64"
                                   << "" << 64000;
    QTest::newRow("44100 vbr 96-160") << "44,100 Hz"
                                      << "Stereo"
                                      << "128"
                                      << "VBR" << 128000;
    QTest::newRow("44100 quality 1") << "44,100 Hz"
                                     << "Stereo"
                                     << "320"
                                     << "1" << 0;
    QTest::newRow("48000 quality 10") << "48,000 Hz"
                                      << "Mono"
                                      << "8"
                                      << "10" << 0;
}

void FormatDialogsCutTest::ogg()
{
    QFETCH(QString, frequency);
    QFETCH(QString, channels);
    QFETCH(QString, bitrate);
    QFETCH(QString, mode);
    QFETCH(int, nominal);
    QStringList messages;
    FormOGG dialog(engine::OutputChoice{}, engine::checkOutput,
                   [&](QWidget *, const QString &text, const QString &) { messages << text; });
    pick(dialog, "cmbFrequency", frequency);
    pick(dialog, "cmbChMode", channels);
    pick(dialog, "ComboBitrate", bitrate);
    if (mode == QLatin1String("VBR")) {
        click(dialog, "chVbr");
        pick(dialog, "ComboMinBitrate", QStringLiteral("96"));
        pick(dialog, "ComboMaxBitrate", QStringLiteral("160"));
    } else if (!mode.isEmpty()) {
        click(dialog, "chQuality");
        pick(dialog, "ComboQuality", mode);
    }
    click(dialog, "CmdOK");
    QCOMPARE(messages, QStringList());

    const QString path = cut(dialog.output(), QStringLiteral("ogg"));
    QVERIFY(!path.isEmpty());
    const int rate = QString(frequency).remove(u',').chopped(3).toInt();
    const int channelCount = channels == QLatin1String("Mono") ? 1 : 2;
    QCOMPARE(fixtures::probe(path, QStringLiteral("sample_rate")).toInt(), rate);
    QCOMPARE(fixtures::probe(path, QStringLiteral("channels")).toInt(), channelCount);
    if (nominal == 0)
        nominal = vorbisNominal(rate, channelCount, mode.toFloat() / 10);
    QCOMPARE(fixtures::probe(path, QStringLiteral("bit_rate")).toInt(), nominal);
}

void FormatDialogsCutTest::wav_data()
{
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QString>("codec");
    QTest::newRow("8000 mono 8 bit")
        << QStringList{QStringLiteral("F1"), QStringLiteral("P1"), QStringLiteral("B1")} << 8000
        << 1 << "pcm_u8";
    QTest::newRow("11025 stereo 16 bit")
        << QStringList{QStringLiteral("F2"), QStringLiteral("P2"), QStringLiteral("B2")} << 11025
        << 2 << "pcm_s16le";
}

void FormatDialogsCutTest::wav()
{
    QFETCH(QStringList, buttons);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(QString, codec);
    FormWAV dialog(engine::OutputChoice{});
    for (const QString &name : buttons)
        click(dialog, name);
    click(dialog, "CmdOK");

    const QString path = cut(dialog.output(), QStringLiteral("wav"));
    QVERIFY(!path.isEmpty());
    QCOMPARE(fixtures::probe(path, QStringLiteral("sample_rate")).toInt(), rate);
    QCOMPARE(fixtures::probe(path, QStringLiteral("channels")).toInt(), channels);
    QCOMPARE(fixtures::probe(path, QStringLiteral("codec_name")), codec);
    QCOMPARE(fixtures::probe(path, QStringLiteral("duration_ts")).toInt(), 2 * rate);
}

void FormatDialogsCutTest::wma_data()
{
    QTest::addColumn<QString>("choice"); ///< a quick choice, or empty to pick `entry`
    QTest::addColumn<int>("entry");
    QTest::newRow("normal quality") << "Option1" << 9;
    QTest::newRow("poor quality") << "Option3" << 34;
    QTest::newRow("entry 40") << "" << 39;
}

void FormatDialogsCutTest::wma()
{
    QFETCH(QString, choice);
    QFETCH(int, entry);
    FormWMA dialog(engine::OutputChoice{}, [](const engine::OutputChoice &output) {
        return engine::Result<QString>(engine::describeOutput(output));
    });
    if (choice.isEmpty())
        pick(dialog, "Combo1", dialog.findChild<QComboBox *>()->itemText(entry));
    else
        click(dialog, choice);
    const QString shown = dialog.findChild<QComboBox *>()->currentText();
    click(dialog, "CmdOK");
    QCOMPARE(dialog.output().wmaProfile, entry + 1);

    // The file is what the entry the user saw says.
    const QRegularExpression pattern(QStringLiteral("([\\d,]+) Hz; (Mono|Stereo); (\\d+) Kbps"));
    const QRegularExpressionMatch match = pattern.match(shown);
    QVERIFY2(match.hasMatch(), qPrintable(shown));
    const QString path = cut(dialog.output(), QStringLiteral("wma"));
    QVERIFY(!path.isEmpty());
    QCOMPARE(fixtures::probe(path, QStringLiteral("codec_name")), QStringLiteral("wmav2"));
    QCOMPARE(fixtures::probe(path, QStringLiteral("sample_rate")), match.captured(1).remove(u','));
    QCOMPARE(fixtures::probe(path, QStringLiteral("channels")).toInt(),
             match.captured(2) == QLatin1String("Mono") ? 1 : 2);
    QCOMPARE(fixtures::probe(path, QStringLiteral("bit_rate")).toInt(),
             match.captured(3).toInt() * 1000);
}

QTEST_MAIN(FormatDialogsCutTest)
#include "tst_formatdialogs_e2e.moc"
