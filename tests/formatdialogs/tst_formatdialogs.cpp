// The four output-format dialogs on their own: what they show of the output they are given,
// their enabling rules, and the output they give back on OK.
#include "DialogInput.h"
#include "FormFLAC.h"
#include "FormM4A.h"
#include "FormMp3.h"
#include "FormOGG.h"
#include "FormOpus.h"
#include "FormWAV.h"
#include "FormWMA.h"
#include "engine/encode/OutputWriters.h"

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

/// An OGG check that lets everything through, as the dialogs' own rules are tested here.
engine::Status accepted(const engine::OutputChoice &)
{
    return engine::Status::success();
}

engine::Result<QString> fakeDescription(const engine::OutputChoice &output)
{
    return QStringLiteral("WMA profile %1 44 kHz").arg(output.wmaProfile);
}

} // namespace

Q_DECLARE_METATYPE(engine::OutputChoice)

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
    void mp3CancelChangesNothing();

    void oggLowRatesForceStereo_data();
    void oggLowRatesForceStereo();
    void oggQualityModePassesFixedBitrates();
    void oggCheckAtChosenRate_data();
    void oggCheckAtChosenRate();
    void oggStoredBitrateNotInList();
    void oggUncheckingVbrKeepsItsFrame();

    void wavChoiceComesBack();
    void wavUnmatchedValueKeepsLaidOutChoice();

    void wmaOpensOnStoredProfile();
    void wmaQuickChoicesFollowTheList_data();
    void wmaQuickChoicesFollowTheList();
    void wmaQuickChoiceAndOk();

    void newFormatsGiveTheirValueBack_data();
    void newFormatsGiveTheirValueBack();
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
    engine::OutputChoice input;
    (maximum ? input.mp3.maxVbrBitrate : input.mp3.bitrate) = stored;
    FormMp3 dialog(input);
    QCOMPARE(list(dialog, maximum ? "ComboVbrBitrate" : "ComboBitrate")->currentText(), shown);
    click(dialog, "CmdOK");
    const engine::Mp3Settings &encoder = dialog.output().mp3;
    QCOMPARE(maximum ? encoder.maxVbrBitrate : encoder.bitrate, shown.toInt());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void FormatDialogsTest::mp3RateOutsideListStaysUnchanged()
{
    engine::OutputChoice input;
    input.mp3.sampleRate = 12345;
    input.mp3.bitrate = 64;
    FormMp3 dialog(input);
    QCOMPARE(list(dialog, "cmbFrequency")->currentIndex(), -1);
    pick(dialog, "ComboBitrate", QStringLiteral("96"));
    click(dialog, "CmdOK");
    QCOMPARE(dialog.output().mp3.sampleRate, 12345);
    QCOMPARE(dialog.output().mp3.bitrate, 96);
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
    engine::OutputChoice input;
    input.mp3.vbrMethod = loaded;
    FormMp3 dialog(input);
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
    engine::OutputChoice output;
    output.mp3.channelMode = engine::Mp3Settings::DualChannel;
    {
        FormMp3 dialog(output);
        QCOMPARE(list(dialog, "cmbChMode")->currentText(), QStringLiteral("Dual Channels"));
        pick(dialog, "cmbChMode", QStringLiteral("Mono"));
        click(dialog, "CmdOK");
        output = dialog.output();
    }
    QCOMPARE(output.mp3.channels, 1);
    QCOMPARE(output.mp3.channelMode, int(engine::Mp3Settings::DualChannel));
    FormMp3 reopened(output);
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
    FormMp3 dialog(engine::OutputChoice{});
    auto *tabs = child<QTabWidget>(dialog, "TabStrip1");
    tabs->setCurrentIndex(2);
    click(dialog, QByteArray("opPreset_" + QByteArray::number(preset)).constData());
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(child<QWidget>(dialog, "Frame1_0")->isVisibleTo(&dialog));
    QVERIFY(!child<QWidget>(dialog, "Frame1_2")->isVisibleTo(&dialog));
    QCOMPARE(dialog.output().mp3, engine::Mp3Settings()); // nothing is taken before OK
    click(dialog, "CmdOK");
    engine::Mp3Settings expected;
    expected.applyPreset(preset);
    QCOMPARE(dialog.output().mp3, expected);
}

void FormatDialogsTest::mp3DefaultAfterR3Mix()
{
    engine::OutputChoice input;
    input.mp3.sampleRate = 22050;
    FormMp3 dialog(input);
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
    const engine::Mp3Settings &encoder = dialog.output().mp3;
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
    engine::OutputChoice input;
    input.mp3.vbrMethod = engine::Mp3Settings::VbrDefault;
    const engine::Mp3Settings before = input.mp3;
    FormMp3 dialog(input);
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
    const engine::Mp3Settings &encoder = dialog.output().mp3;
    QCOMPARE(int(encoder.vbrQuality), written.isValid() ? written.toInt() : before.vbrQuality);
    QCOMPARE(int(encoder.abrBitrate), written.isValid() ? written.toInt() : before.abrBitrate);
    QCOMPARE(encoder.bitrate, 64); // a failed field skips only itself
}

void FormatDialogsTest::mp3CancelChangesNothing()
{
    FormMp3 dialog(engine::OutputChoice{});
    dialog.show();
    click(dialog, "opPreset_1");
    pick(dialog, "cmbVBRCodingMethod", QStringLiteral("ABR"));
    list(dialog, "txtAbrBitrate")->setEditText(QStringLiteral("200"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.output(), engine::OutputChoice());
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
    engine::OutputChoice input;
    input.ogg.channels = 1;
    FormOGG dialog(input, accepted);
    QComboBox *channels = list(dialog, "cmbChMode");
    QCOMPARE(channels->currentText(), QStringLiteral("Mono"));
    pick(dialog, "cmbFrequency", rate);
    QCOMPARE(channels->isEnabled(), channelsOpen);
    QCOMPARE(channels->currentText(), QLatin1String(channelsOpen ? "Mono" : "Stereo"));
    click(dialog, "CmdOK");
    QCOMPARE(dialog.output().ogg.sampleRate, QString(rate).remove(u',').chopped(3).toInt());
    QCOMPARE(dialog.output().ogg.channels, channelsOpen ? 1 : 2);
}

void FormatDialogsTest::oggQualityModePassesFixedBitrates()
{
    engine::OutputChoice input;
    input.ogg.useQuality = true;
    input.ogg.vbr = true;
    input.ogg.bitrate = 320;
    input.ogg.minBitrate = 8;
    QList<engine::OggSettings> checked;
    FormOGG dialog(input, [&](const engine::OutputChoice &output) {
        checked << output.ogg;
        return engine::Status::success();
    });
    for (const char *name : {"chVbr", "frmVbr", "ComboBitrate", "ComboMinBitrate",
                             "ComboMaxBitrate", "lblBitrate", "lblMinBitrate", "lblMaxBitrate"})
        QVERIFY2(!enabled(dialog, name), name);
    QVERIFY(enabled(dialog, "frmQuality") && enabled(dialog, "ComboQuality"));
    QCOMPARE(list(dialog, "ComboQuality")->currentText(), QStringLiteral("3"));
    pick(dialog, "ComboQuality", QStringLiteral("10"));
    click(dialog, "CmdOK");
    const engine::OggSettings &ogg = dialog.output().ogg;
    QCOMPARE(checked, QList<engine::OggSettings>{ogg});
    QCOMPARE(ogg.quality, 1000);
    QCOMPARE(ogg.bitrate, 320);
    QVERIFY(ogg.useQuality);
    QVERIFY(ogg.vbr);
    // What the encoder is asked for: the quality, with the fixed bit rates of quality mode.
    engine::OutputChoice encoded = dialog.output();
    encoded.format = engine::OutputFormat::Ogg;
    QCOMPARE(engine::describeOutput(encoded),
             QStringLiteral("OGG 44,100 Hz; Stereo; Quality - 10.0"));
}

void FormatDialogsTest::oggCheckAtChosenRate_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<bool>("vbr");
    QTest::addColumn<QList<int>>("bitrates"); ///< bitrate, and minimum and maximum for VBR
    QTest::addColumn<QString>("selected");    ///< the engine's description; empty: refused
    QTest::newRow("16 kHz stereo 256 refused") << "16,000 Hz" << false << QList<int>{256} << "";
    QTest::newRow("16 kHz stereo 32 accepted")
        << "16,000 Hz" << false << QList<int>{32} << "OGG 16,000 Hz; Stereo; 32 Kbps";
    QTest::newRow("44.1 kHz stereo 32 refused") << "44,100 Hz" << false << QList<int>{32} << "";
    QTest::newRow("VBR 16 kHz 256 refused")
        << "16,000 Hz" << true << QList<int>{256, 224, 320} << "";
    QTest::newRow("VBR 44.1 kHz accepted")
        << "44,100 Hz" << true << QList<int>{128, 96, 160} << "OGG 44,100 Hz; Stereo; 96-160Kbps";
}

// Against the real engine: libvorbis decides what can be encoded.
void FormatDialogsTest::oggCheckAtChosenRate()
{
    QFETCH(QString, rate);
    QFETCH(bool, vbr);
    QFETCH(QList<int>, bitrates);
    QFETCH(QString, selected);
    const engine::OutputChoice unchanged;
    QStringList messages;
    QWidget *messageParent = nullptr;
    FormOGG dialog(unchanged, engine::checkOutput,
                   [&](QWidget *parent, const QString &text, const QString &title) {
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
        QCOMPARE(dialog.result(), int(QDialog::Rejected)); // still open, nothing taken
        QCOMPARE(dialog.output(), unchanged);
        return;
    }
    QVERIFY(messages.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    engine::OutputChoice ogg = dialog.output();
    ogg.format = engine::OutputFormat::Ogg;
    QCOMPARE(engine::describeOutput(ogg), selected);
    QCOMPARE(ogg.ogg.bitrate, bitrates[0]);
    QCOMPARE(ogg.ogg.vbr, vbr);
}

void FormatDialogsTest::oggStoredBitrateNotInList()
{
    engine::OutputChoice input;
    input.ogg.bitrate = 40;
    FormOGG dialog(input, accepted);
    QCOMPARE(list(dialog, "ComboBitrate")->currentText(), QStringLiteral("8"));
    click(dialog, "CmdOK");
    QCOMPARE(dialog.output().ogg.bitrate, 8);
}

void FormatDialogsTest::oggUncheckingVbrKeepsItsFrame()
{
    FormOGG dialog(engine::OutputChoice{}, accepted);
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
    QVERIFY(!dialog.output().ogg.vbr);
}

void FormatDialogsTest::wavChoiceComesBack()
{
    FormWAV dialog(engine::OutputChoice{});
    for (const char *name : {"F1", "P1", "B1"})
        click(dialog, name);
    click(dialog, "CmdOK");
    QCOMPARE(dialog.output().wav, (engine::WavSettings{8000, 1, 8}));

    FormWAV reopened(dialog.output());
    for (const char *name : {"F1", "P1", "B1"})
        QVERIFY2(child<QRadioButton>(reopened, name)->isChecked(), name);
}

void FormatDialogsTest::wavUnmatchedValueKeepsLaidOutChoice()
{
    engine::OutputChoice input;
    input.wav = {12345, 1, 24};
    FormWAV dialog(input);
    for (const char *name : {"F7", "P1", "B2"})
        QVERIFY2(child<QRadioButton>(dialog, name)->isChecked(), name);
    click(dialog, "CmdOK");
    QCOMPARE(dialog.output().wav, (engine::WavSettings{44100, 1, 16}));
}

void FormatDialogsTest::wmaOpensOnStoredProfile()
{
    FormWMA dialog(engine::OutputChoice{}, fakeDescription);
    QComboBox *profiles = list(dialog, "Combo1");
    QCOMPARE(profiles->count(), 47);
    for (int i = 0; i < profiles->count(); ++i)
        QCOMPARE(profiles->itemText(i), QStringLiteral("WMA profile %1 44 kHz").arg(i + 1));
    QCOMPARE(profiles->currentIndex(), 13);
    QCOMPARE(child<QRadioButton>(dialog, "Option2")->text(),
             QStringLiteral("Good quality. Small size."));
    QVERIFY(child<QRadioButton>(dialog, "Option2")->isChecked());
    click(dialog, "CmdCancel");
    QCOMPARE(dialog.output().wmaProfile, 14);
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
    FormWMA dialog(engine::OutputChoice{}, fakeDescription);
    pick(list(dialog, "Combo1"), entry);
    for (const char *name : {"Option1", "Option2", "Option3"})
        QCOMPARE(child<QRadioButton>(dialog, name)->isChecked(), checked == QLatin1String(name));
}

void FormatDialogsTest::wmaQuickChoiceAndOk()
{
    engine::OutputChoice input;
    input.wmaProfile = 20;
    FormWMA dialog(input, fakeDescription);
    QCOMPARE(list(dialog, "Combo1")->currentIndex(), 19);
    click(dialog, "Option3");
    QCOMPARE(list(dialog, "Combo1")->currentIndex(), 34);
    click(dialog, "CmdOK");
    QCOMPARE(dialog.output().wmaProfile, 35);
}

using Picks = QList<QPair<QByteArray, QByteArray>>;
Q_DECLARE_METATYPE(Picks)

void FormatDialogsTest::newFormatsGiveTheirValueBack_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<Picks>("picks");
    QTest::addColumn<engine::OutputChoice>("expected");
    engine::OutputChoice flac;
    flac.flac = {48000, 1, 24, 8};
    QTest::newRow("flac") << int(engine::OutputFormat::Flac)
                          << Picks{{"cmbFrequency", "48,000 Hz"},
                                   {"cmbChMode", "Mono"},
                                   {"cmbBits", "24 Bit"},
                                   {"cmbLevel", "8 (smallest)"}}
                          << flac;
    engine::OutputChoice opus;
    opus.opus = {1, 256, engine::OpusSettings::Cbr, true};
    QTest::newRow("opus mono capped at 256") << int(engine::OutputFormat::Opus)
                                             << Picks{{"cmbChMode", "Mono"},
                                                      {"ComboBitrate", "510"},
                                                      {"cmbMode", "CBR"},
                                                      {"chVoice", ""}}
                                             << opus;
    engine::OutputChoice m4a;
    m4a.m4a = {22050, 1, 96, true};
    QTest::newRow("m4a ringtone") << int(engine::OutputFormat::M4a)
                                  << Picks{{"cmbFrequency", "22,050 Hz"},
                                           {"cmbChMode", "Mono"},
                                           {"ComboBitrate", "96"},
                                           {"chRingtone", ""}}
                                  << m4a;
}

// What the user picks comes back on OK, a dialog opened on it shows it again, and Cancel
// gives back what it was opened with.
void FormatDialogsTest::newFormatsGiveTheirValueBack()
{
    QFETCH(int, format);
    QFETCH(Picks, picks);
    QFETCH(engine::OutputChoice, expected);
    const auto open =
        [format](const engine::OutputChoice &output) -> std::unique_ptr<OutputDialog> {
        switch (engine::OutputFormat(format)) {
        case engine::OutputFormat::Flac:
            return std::make_unique<FormFLAC>(output);
        case engine::OutputFormat::Opus:
            return std::make_unique<FormOpus>(output);
        default:
            return std::make_unique<FormM4A>(output);
        }
    };
    const auto apply = [&](OutputDialog &dialog) {
        for (const auto &[name, text] : picks)
            if (text.isEmpty())
                click(dialog, name.constData());
            else
                pick(dialog, name.constData(), QString::fromUtf8(text));
    };
    auto cancelled = open(engine::OutputChoice{});
    apply(*cancelled);
    click(*cancelled, "CmdCancel");
    QCOMPARE(cancelled->output(), engine::OutputChoice());

    auto dialog = open(engine::OutputChoice{});
    apply(*dialog);
    click(*dialog, "CmdOK");
    QCOMPARE(dialog->output(), expected);
    auto reopened = open(dialog->output());
    for (const auto &[name, text] : picks)
        if (!text.isEmpty() && name != "ComboBitrate")
            QCOMPARE(list(*reopened, name.constData())->currentText(), QString::fromUtf8(text));
    click(*reopened, "CmdOK");
    QCOMPARE(reopened->output(), expected);
}

QTEST_MAIN(FormatDialogsTest)
#include "tst_formatdialogs.moc"
