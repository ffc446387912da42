// The four output-format dialogs on their own: what they show of the settings they are
// given, their enabling rules, and what OK hands to the writer and the shared settings.
#include "DialogInput.h"
#include "FakeEngine.h"
#include "FormMp3.h"
#include "FormOGG.h"
#include "FormWAV.h"
#include "FormWMA.h"
#include "engine/factory/AudioFileObject.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

namespace {

template <typename T> T *child(const QWidget &dialog, const char *name)
{
    T *widget = dialog.findChild<T *>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

QComboBox *list(const QWidget &dialog, const char *name)
{
    return child<QComboBox>(dialog, name);
}

/// What a user's pick does: the selection changes and the list says it was activated.
void pick(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    emit list->activated(index);
}

bool enabled(const QWidget &dialog, const char *name)
{
    return child<QWidget>(dialog, name)->isEnabled();
}

struct Writer
{
    fakes::Log log;
    fakes::FakeAudioFile file{QStringLiteral("FileW"), log};
};

settings::OutputSettings startUpSettings()
{
    settings::OutputSettings output;
    settings::SetOggDefaults(output);
    settings::SetWavDefaults(output);
    output.outputKind = 14;
    output.outputSummary = QStringLiteral("unchanged");
    return output;
}

} // namespace

class FormatDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void mp3ShowsUnlistedBitrateAsFirst_data();
    void mp3ShowsUnlistedBitrateAsFirst();
    void mp3RateOutsideListStaysUnchanged();
    void mp3VbrEnabling_data();
    void mp3VbrEnabling();
    void mp3MonoKeepsChannelMode();
    void mp3PresetsComeFromTheEncoder_data();
    void mp3PresetsComeFromTheEncoder();
    void mp3DefaultAfterR3Mix();
    void mp3TypedNumbers_data();
    void mp3TypedNumbers();
    void mp3SummaryIsCleaned_data();
    void mp3SummaryIsCleaned();
    void mp3CancelChangesNothing();

    void oggLowRatesForceStereo_data();
    void oggLowRatesForceStereo();
    void oggQualityModePassesFixedBitrates();
    void oggCheckAtChosenRate_data();
    void oggCheckAtChosenRate();
    void oggStoredBitrateNotInList();
    void oggUncheckingVbrKeepsItsFrame();

    void wavChoiceReachesWriterInOrder();
    void wavUnmatchedValueKeepsLaidOutChoice();

    void wmaOpensOnStoredProfile();
    void wmaQuickChoicesFollowTheList_data();
    void wmaQuickChoicesFollowTheList();
    void wmaQuickChoiceAndOk();
};

void FormatDialogsTest::mp3ShowsUnlistedBitrateAsFirst_data()
{
    QTest::addColumn<bool>("maximum");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("bitrate 40") << false << 40 << "8";
    QTest::newRow("bitrate 80") << false << 80 << "8";
    QTest::newRow("bitrate 320") << false << 320 << "320";
    QTest::newRow("max VBR 40") << true << 40 << "8";
    QTest::newRow("max VBR 112") << true << 112 << "112";
}

void FormatDialogsTest::mp3ShowsUnlistedBitrateAsFirst()
{
    QFETCH(bool, maximum);
    QFETCH(int, stored);
    QFETCH(QString, shown);
    Writer writer;
    engine::Mp3Settings encoder;
    settings::OutputSettings output = startUpSettings();
    (maximum ? encoder.maxVbrBitrate : encoder.bitrate) = stored;
    FormMp3 dialog(encoder, writer.file, output);
    QCOMPARE(list(dialog, maximum ? "ComboVbrBitrate" : "ComboBitrate")->currentText(), shown);
    click(dialog, "CmdOK");
    QCOMPARE(maximum ? encoder.maxVbrBitrate : encoder.bitrate, shown.toInt());
    QCOMPARE(writer.file.mp3, encoder);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void FormatDialogsTest::mp3RateOutsideListStaysUnchanged()
{
    Writer writer;
    engine::Mp3Settings encoder;
    encoder.sampleRate = 12345;
    encoder.bitrate = 64;
    settings::OutputSettings output = startUpSettings();
    FormMp3 dialog(encoder, writer.file, output);
    QCOMPARE(list(dialog, "cmbFrequency")->currentIndex(), -1);
    pick(dialog, "ComboBitrate", QStringLiteral("96"));
    click(dialog, "CmdOK");
    QCOMPARE(encoder.sampleRate, 12345);
    QCOMPARE(encoder.bitrate, 96);
}

void FormatDialogsTest::mp3VbrEnabling_data()
{
    QTest::addColumn<int>("loaded"); ///< the encoder's VBR method when the dialog opens
    QTest::addColumn<int>("picked"); ///< the list entry the user picks, -1 for none
    QTest::addColumn<bool>("vbr");   ///< the VBR frames, their controls and the check boxes
    QTest::addColumn<bool>("quality");
    QTest::addColumn<bool>("abr");
    QTest::newRow("no VBR loaded") << -1 << -1 << false << false << false;
    QTest::newRow("ABR loaded") << 4 << -1 << true << false << true;
    QTest::newRow("MTRH loaded") << 3 << -1 << true << true << false;
    QTest::newRow("ABR picked") << -1 << 5 << true << false << true;
    QTest::newRow("default picked") << 4 << 1 << true << true << false;
    QTest::newRow("no VBR picked") << 4 << 0 << false << false << false;
}

void FormatDialogsTest::mp3VbrEnabling()
{
    QFETCH(int, loaded);
    QFETCH(int, picked);
    QFETCH(bool, vbr);
    QFETCH(bool, quality);
    QFETCH(bool, abr);
    Writer writer;
    engine::Mp3Settings encoder;
    encoder.vbrMethod = loaded;
    settings::OutputSettings output = startUpSettings();
    FormMp3 dialog(encoder, writer.file, output);
    if (picked >= 0)
        pick(list(dialog, "cmbVBRCodingMethod"), picked);
    for (const char *name : {"frmVbrBitrate", "frmVbrAdvanced", "lblVbrBitrate", "ComboVbrBitrate",
                             "chWriteVBRHeader", "chStrictlyEnforceMinBitrate"})
        QVERIFY2(enabled(dialog, name) == vbr, name);
    QCOMPARE(enabled(dialog, "txtVbrQuality"), quality);
    QCOMPARE(enabled(dialog, "txtAbrBitrate"), abr);
    for (const char *name : {"Label1", "Label2", "Label3", "cmbVBRCodingMethod"})
        QVERIFY2(enabled(dialog, name), name);
}

void FormatDialogsTest::mp3MonoKeepsChannelMode()
{
    Writer writer;
    engine::Mp3Settings encoder;
    encoder.channelMode = engine::Mp3Settings::DualChannel;
    settings::OutputSettings output = startUpSettings();
    {
        FormMp3 dialog(encoder, writer.file, output);
        QCOMPARE(list(dialog, "cmbChMode")->currentText(), QStringLiteral("Dual Channels"));
        pick(dialog, "cmbChMode", QStringLiteral("Mono"));
        click(dialog, "CmdOK");
    }
    QCOMPARE(encoder.channels, 1);
    QCOMPARE(encoder.channelMode, int(engine::Mp3Settings::DualChannel));
    FormMp3 reopened(encoder, writer.file, output);
    QCOMPARE(list(reopened, "cmbChMode")->currentText(), QStringLiteral("Mono"));
}

void FormatDialogsTest::mp3PresetsComeFromTheEncoder_data()
{
    QTest::addColumn<int>("preset");
    for (int n = engine::Mp3Settings::Phone; n <= engine::Mp3Settings::R3Mix; ++n)
        QTest::addRow("preset %d", n) << n;
}

void FormatDialogsTest::mp3PresetsComeFromTheEncoder()
{
    QFETCH(int, preset);
    Writer writer;
    engine::Mp3Settings encoder;
    settings::OutputSettings output = startUpSettings();
    FormMp3 dialog(encoder, writer.file, output);
    auto *tabs = child<QTabWidget>(dialog, "TabStrip1");
    tabs->setCurrentIndex(2);
    click(dialog, QByteArray("opPreset_" + QByteArray::number(preset)).constData());
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(child<QWidget>(dialog, "Frame1_0")->isVisibleTo(&dialog));
    QVERIFY(!child<QWidget>(dialog, "Frame1_2")->isVisibleTo(&dialog));
    QCOMPARE(encoder, engine::Mp3Settings()); // nothing reaches the encoder before OK
    click(dialog, "CmdOK");
    engine::Mp3Settings expected;
    expected.applyPreset(preset);
    QCOMPARE(encoder, expected);
}

void FormatDialogsTest::mp3DefaultAfterR3Mix()
{
    Writer writer;
    engine::Mp3Settings encoder;
    encoder.sampleRate = 22050;
    settings::OutputSettings output = startUpSettings();
    FormMp3 dialog(encoder, writer.file, output);
    click(dialog, "opPreset_11");
    QCOMPARE(list(dialog, "cmbVBRCodingMethod")->currentText(), QStringLiteral("New"));
    click(dialog, "opPreset_0");
    QCOMPARE(list(dialog, "cmbFrequency")->currentText(), QStringLiteral("44 100 Hz"));
    QCOMPARE(list(dialog, "cmbChMode")->currentText(), QStringLiteral("Stereo"));
    QCOMPARE(list(dialog, "ComboBitrate")->currentText(), QStringLiteral("96"));
    QCOMPARE(list(dialog, "ComboQuality")->currentText(), QStringLiteral("5"));
    QCOMPARE(list(dialog, "cmbVBRCodingMethod")->currentText(), QStringLiteral("No VBR"));
    // R3Mix's VBR values stay, greyed out.
    engine::Mp3Settings r3mix;
    r3mix.applyPreset(engine::Mp3Settings::R3Mix);
    QCOMPARE(list(dialog, "txtVbrQuality")->currentText(), QString::number(r3mix.vbrQuality));
    QCOMPARE(list(dialog, "ComboVbrBitrate")->currentText(), QString::number(r3mix.maxVbrBitrate));
    QVERIFY(!enabled(dialog, "txtVbrQuality") && !enabled(dialog, "ComboVbrBitrate"));
    click(dialog, "CmdOK");
    QCOMPARE(encoder.vbrMethod, int(engine::Mp3Settings::VbrNone));
    QCOMPARE(encoder.sampleRate, 44100);
    QCOMPARE(encoder.bitrate, 96);
    QCOMPARE(encoder.vbrQuality, r3mix.vbrQuality);
    QCOMPARE(encoder.channelMode, int(engine::Mp3Settings::Stereo));
}

void FormatDialogsTest::mp3TypedNumbers_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("written"); ///< invalid: the encoder keeps its value
    QTest::newRow("12.5 to even 12") << "en_US"
                                     << "12.5" << QVariant(12);
    QTest::newRow("13.5 to even 14") << "en_US"
                                     << "13.5" << QVariant(14);
    QTest::newRow("12.6 up") << "en_US"
                             << " 12.6 " << QVariant(13);
    QTest::newRow("comma decimal") << "de_DE"
                                   << "13,5" << QVariant(14);
    QTest::newRow("empty") << "en_US"
                           << "" << QVariant();
    QTest::newRow("not a number") << "en_US"
                                  << "high" << QVariant();
    QTest::newRow("beyond 16 bits") << "en_US"
                                    << "32768" << QVariant();
    QTest::newRow("16-bit edge") << "en_US"
                                 << "32767" << QVariant(32767);
}

void FormatDialogsTest::mp3TypedNumbers()
{
    QFETCH(QString, locale);
    QFETCH(QString, typed);
    QFETCH(QVariant, written);
    QLocale::setDefault(QLocale(locale));
    Writer writer;
    engine::Mp3Settings encoder;
    encoder.vbrMethod = engine::Mp3Settings::VbrDefault;
    const engine::Mp3Settings before = encoder;
    settings::OutputSettings output = startUpSettings();
    FormMp3 dialog(encoder, writer.file, output);
    pick(dialog, "ComboBitrate", QStringLiteral("64"));
    list(dialog, "txtAbrBitrate")->setEditText(typed);
    // Typed as the user types it, and Enter takes the default button.
    dialog.show();
    child<QTabWidget>(dialog, "TabStrip1")->setCurrentIndex(1);
    QLineEdit *quality = list(dialog, "txtVbrQuality")->lineEdit();
    quality->clear();
    QTest::keyClicks(quality, typed);
    QTest::keyClick(quality, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(int(encoder.vbrQuality), written.isValid() ? written.toInt() : before.vbrQuality);
    QCOMPARE(int(encoder.abrBitrate), written.isValid() ? written.toInt() : before.abrBitrate);
    QCOMPARE(encoder.bitrate, 64); // a failed field skips only itself
}

void FormatDialogsTest::mp3SummaryIsCleaned_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("summary");
    QTest::newRow("kHz and final separator") << "MP3 44 kHz; Stereo; 128 Kbps; "
                                             << "MP3 44 Hz; Stereo; 128 Kbps";
    QTest::newRow("already clean") << "MP3 44,100 Hz; Mono; 64 Kbps"
                                   << "MP3 44,100 Hz; Mono; 64 Kbps";
}

void FormatDialogsTest::mp3SummaryIsCleaned()
{
    QFETCH(QString, description);
    QFETCH(QString, summary);
    Writer writer;
    writer.file.description = description;
    engine::Mp3Settings encoder;
    settings::OutputSettings output = startUpSettings();
    FormMp3 dialog(encoder, writer.file, output);
    click(dialog, "CmdOK");
    QCOMPARE(writer.log.calls, QStringList{QStringLiteral("FileW.selectMp3Output()")});
    QCOMPARE(output.outputSummary, summary);
}

void FormatDialogsTest::mp3CancelChangesNothing()
{
    Writer writer;
    engine::Mp3Settings encoder;
    settings::OutputSettings output = startUpSettings();
    FormMp3 dialog(encoder, writer.file, output);
    dialog.show();
    click(dialog, "opPreset_1");
    pick(dialog, "cmbVBRCodingMethod", QStringLiteral("ABR"));
    list(dialog, "txtAbrBitrate")->setEditText(QStringLiteral("200"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(encoder, engine::Mp3Settings());
    QVERIFY(writer.log.calls.isEmpty());
    QCOMPARE(output.outputSummary, QStringLiteral("unchanged"));
}

void FormatDialogsTest::oggLowRatesForceStereo_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<bool>("channelsOpen");
    QTest::newRow("16,000") << "16,000 Hz" << false;
    QTest::newRow("22,050") << "22,050 Hz" << false;
    QTest::newRow("24,000") << "24,000 Hz" << false;
    QTest::newRow("32,000") << "32,000 Hz" << true;
    QTest::newRow("48,000") << "48,000 Hz" << true;
}

void FormatDialogsTest::oggLowRatesForceStereo()
{
    QFETCH(QString, rate);
    QFETCH(bool, channelsOpen);
    Writer writer;
    settings::OutputSettings output = startUpSettings();
    output.oggChannelsText = QStringLiteral("Mono");
    FormOGG dialog(writer.file, output);
    QComboBox *channels = list(dialog, "cmbChMode");
    QCOMPARE(channels->currentText(), QStringLiteral("Mono"));
    pick(dialog, "cmbFrequency", rate);
    QCOMPARE(channels->isEnabled(), channelsOpen);
    QCOMPARE(channels->currentText(), QLatin1String(channelsOpen ? "Mono" : "Stereo"));
    click(dialog, "CmdOK");
    QCOMPARE(output.oggRateText, rate);
    QCOMPARE(output.oggChannelsText, channels->currentText());
}

void FormatDialogsTest::oggQualityModePassesFixedBitrates()
{
    Writer writer;
    settings::OutputSettings output = startUpSettings();
    output.flgOggQuality = true;
    output.flgOggVbr = true;
    output.oggBitrate = 320;
    output.oggMinBitrate = 8;
    FormOGG dialog(writer.file, output);
    for (const char *name : {"chVbr", "frmVbr", "ComboBitrate", "ComboMinBitrate",
                             "ComboMaxBitrate", "lblBitrate", "lblMinBitrate", "lblMaxBitrate"})
        QVERIFY2(!enabled(dialog, name), name);
    QVERIFY(enabled(dialog, "frmQuality") && enabled(dialog, "ComboQuality"));
    QCOMPARE(list(dialog, "ComboQuality")->currentText(), QStringLiteral("3"));
    pick(dialog, "ComboQuality", QStringLiteral("10"));
    click(dialog, "CmdOK");
    QCOMPARE(writer.log.calls,
             QStringList{QStringLiteral("FileW.selectOggOutput(44100,2,128,0,0,1000)")});
    QCOMPARE(output.oggQuality, 1000);
    QCOMPARE(output.oggBitrate, 320);
    QVERIFY(output.flgOggQuality);
    QVERIFY(output.flgOggVbr);
}

void FormatDialogsTest::oggCheckAtChosenRate_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<bool>("vbr");
    QTest::addColumn<QList<int>>("bitrates"); ///< bitrate, and minimum and maximum for VBR
    QTest::addColumn<QString>("selected");    ///< the writer's description; empty: refused
    QTest::newRow("16 kHz stereo 256 refused") << "16,000 Hz" << false << QList<int>{256} << "";
    QTest::newRow("16 kHz stereo 32 accepted")
        << "16,000 Hz" << false << QList<int>{32} << "OGG 16,000 Hz; Stereo; 32 Kbps";
    QTest::newRow("44.1 kHz stereo 32 refused") << "44,100 Hz" << false << QList<int>{32} << "";
    QTest::newRow("VBR 16 kHz 256 refused")
        << "16,000 Hz" << true << QList<int>{256, 224, 320} << "";
    QTest::newRow("VBR 44.1 kHz accepted")
        << "44,100 Hz" << true << QList<int>{128, 96, 160} << "OGG 44,100 Hz; Stereo; 96-160Kbps";
}

// Against the real writer: libvorbis decides what can be encoded.
void FormatDialogsTest::oggCheckAtChosenRate()
{
    QFETCH(QString, rate);
    QFETCH(bool, vbr);
    QFETCH(QList<int>, bitrates);
    QFETCH(QString, selected);
    engine::AudioFileObject writer;
    const QString before = writer.formatDescription().value();
    settings::OutputSettings output = startUpSettings();
    const settings::OutputSettings unchanged = output;
    QStringList messages;
    QWidget *messageParent = nullptr;
    FormOGG dialog(writer, output, [&](QWidget *parent, const QString &text, const QString &title) {
        messageParent = parent;
        messages << text + QStringLiteral(" | ") + title;
    });
    pick(dialog, "cmbFrequency", rate);
    pick(dialog, "ComboBitrate", QString::number(bitrates[0]));
    if (vbr) {
        click(dialog, "chVbr");
        pick(dialog, "ComboMinBitrate", QString::number(bitrates[1]));
        pick(dialog, "ComboMaxBitrate", QString::number(bitrates[2]));
    }
    click(dialog, "CmdOK");
    if (selected.isEmpty()) {
        QCOMPARE(messages, QStringList{QStringLiteral("Incorrect format | Vorn Audio Cutter")});
        QCOMPARE(messageParent, &dialog);
        QCOMPARE(dialog.result(), int(QDialog::Rejected)); // still open, nothing stored
        QCOMPARE(output.oggRateText, unchanged.oggRateText);
        QCOMPARE(output.oggBitrate, unchanged.oggBitrate);
        QCOMPARE(output.flgOggVbr, unchanged.flgOggVbr);
        QCOMPARE(writer.formatDescription().value(), before);
        return;
    }
    QVERIFY(messages.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(writer.formatDescription().value(), selected);
    QCOMPARE(output.oggRateText, rate);
    QCOMPARE(output.oggBitrate, bitrates[0]);
    QCOMPARE(output.flgOggVbr, vbr);
}

void FormatDialogsTest::oggStoredBitrateNotInList()
{
    Writer writer;
    settings::OutputSettings output = startUpSettings();
    output.oggBitrate = 40;
    FormOGG dialog(writer.file, output);
    QCOMPARE(list(dialog, "ComboBitrate")->currentText(), QStringLiteral("8"));
    click(dialog, "CmdOK");
    QCOMPARE(writer.log.calls,
             QStringList{QStringLiteral("FileW.selectOggOutput(44100,2,8,0,0,-1)")});
    QCOMPARE(output.oggBitrate, 8);
}

void FormatDialogsTest::oggUncheckingVbrKeepsItsFrame()
{
    Writer writer;
    settings::OutputSettings output = startUpSettings();
    FormOGG dialog(writer.file, output);
    const char *inner[] = {"ComboMinBitrate", "ComboMaxBitrate", "lblMinBitrate", "lblMaxBitrate"};
    for (const char *name : inner)
        QVERIFY2(!enabled(dialog, name), name);
    click(dialog, "chVbr");
    for (const char *name : inner)
        QVERIFY2(enabled(dialog, name), name);
    click(dialog, "chVbr");
    QVERIFY(enabled(dialog, "frmVbr"));
    for (const char *name : inner)
        QVERIFY2(!enabled(dialog, name), name);
    click(dialog, "CmdCancel");
    QVERIFY(writer.log.calls.isEmpty());
    QVERIFY(!output.flgOggVbr);
}

void FormatDialogsTest::wavChoiceReachesWriterInOrder()
{
    Writer writer;
    settings::OutputSettings output = startUpSettings();
    FormWAV dialog(writer.file, output);
    for (const char *name : {"F1", "P1", "B1"})
        click(dialog, name);
    click(dialog, "CmdOK");
    QCOMPARE(writer.log.calls, QStringList{QStringLiteral("FileW.selectWavOutput(8000,1,8)")});
    QCOMPARE(output.wavRate, 8000);
    QCOMPARE(output.wavChannels, int16_t(1));
    QCOMPARE(output.wavBits, 8);

    FormWAV reopened(writer.file, output);
    for (const char *name : {"F1", "P1", "B1"})
        QVERIFY2(child<QRadioButton>(reopened, name)->isChecked(), name);
}

void FormatDialogsTest::wavUnmatchedValueKeepsLaidOutChoice()
{
    Writer writer;
    settings::OutputSettings output = startUpSettings();
    output.wavRate = 12345;
    output.wavChannels = 1;
    output.wavBits = 24;
    FormWAV dialog(writer.file, output);
    for (const char *name : {"F7", "P1", "B2"})
        QVERIFY2(child<QRadioButton>(dialog, name)->isChecked(), name);
    click(dialog, "CmdOK");
    QCOMPARE(writer.log.calls, QStringList{QStringLiteral("FileW.selectWavOutput(44100,1,16)")});
}

void FormatDialogsTest::wmaOpensOnStoredProfile()
{
    Writer writer;
    settings::OutputSettings output = startUpSettings();
    FormWMA dialog(writer.file, output);
    QComboBox *profiles = list(dialog, "Combo1");
    QCOMPARE(profiles->count(), 47);
    QStringList selections;
    for (int i = 0; i < profiles->count(); ++i) {
        QCOMPARE(profiles->itemText(i), QStringLiteral("WMA profile %1 44 kHz").arg(i + 1));
        selections << QStringLiteral("FileW.selectWmaProfile(%1)").arg(i + 1);
    }
    QCOMPARE(writer.log.calls, selections);
    QCOMPARE(profiles->currentIndex(), 13);
    QCOMPARE(child<QRadioButton>(dialog, "Option2")->text(),
             QStringLiteral("Good quality. Small size."));
    QVERIFY(child<QRadioButton>(dialog, "Option2")->isChecked());
    click(dialog, "CmdCancel");
    QCOMPARE(output.outputKind, 14);
}

void FormatDialogsTest::wmaQuickChoicesFollowTheList_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("checked"); ///< empty: none of the three
    QTest::newRow("tenth") << 9 << "Option1";
    QTest::newRow("fourteenth") << 13 << "Option2";
    QTest::newRow("thirty-fifth") << 34 << "Option3";
    QTest::newRow("first") << 0 << "";
    QTest::newRow("fifteenth") << 14 << "";
    QTest::newRow("last") << 46 << "";
}

void FormatDialogsTest::wmaQuickChoicesFollowTheList()
{
    QFETCH(int, entry);
    QFETCH(QString, checked);
    Writer writer;
    settings::OutputSettings output = startUpSettings();
    FormWMA dialog(writer.file, output);
    pick(list(dialog, "Combo1"), entry);
    for (const char *name : {"Option1", "Option2", "Option3"})
        QCOMPARE(child<QRadioButton>(dialog, name)->isChecked(), checked == QLatin1String(name));
}

void FormatDialogsTest::wmaQuickChoiceAndOk()
{
    Writer writer;
    settings::OutputSettings output = startUpSettings();
    output.outputKind = 20;
    FormWMA dialog(writer.file, output);
    QCOMPARE(list(dialog, "Combo1")->currentIndex(), 19);
    click(dialog, "Option3");
    QCOMPARE(list(dialog, "Combo1")->currentIndex(), 34);
    writer.log.calls.clear();
    click(dialog, "CmdOK");
    QCOMPARE(output.outputKind, 35);
    QCOMPARE(writer.log.calls, QStringList{QStringLiteral("FileW.selectWmaProfile(35)")});
}

QTEST_MAIN(FormatDialogsTest)
#include "tst_formatdialogs.moc"
