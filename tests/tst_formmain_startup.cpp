// The main window's start-up and reset, against fake engine objects and a scratch settings
// file.
#include "Fixtures.h"
#include "WindowHarness.h"
#include "ZivSlider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

/// A window started over a settings file that holds `lastFormat` (none when invalid).
struct Harness : WindowHarness
{
    Harness(const QString &iniFile, const QVariant &lastFormat)
        : WindowHarness(iniFile, lastFormat.isValid()
                                     ? QVariantMap{{QStringLiteral("LastFormat"), lastFormat}}
                                     : QVariantMap{})
    {}
};

const char *const kTransport[] = {"CmdPausePlay", "CmdSelStart", "CmdSelStop",
                                  "CmdPreview",   "CmdCut",      "CmdB",
                                  "CmdBB",        "CmdF",        "CmdFF"};

} // namespace

class FormMainStartupTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void controlsAndCaptions();
    void engineObjectsInOrder();
    void lastFormat_data();
    void lastFormat();
    void wmaSummaryIsTheWritersText();
    void refusedIndexKeepsSelection();
    void check1FollowsTheBox();
    void resetWindowState();

private:
    QString iniFile() const { return fixtures::scratchIni(m_dir.path()); }
    QTemporaryDir m_dir;
};

void FormMainStartupTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void FormMainStartupTest::controlsAndCaptions()
{
    Harness h(iniFile(), QVariant());
    QCOMPARE(h.window->windowTitle(), QStringLiteral("Vorn Audio Cutter"));
    const struct
    {
        const char *name;
        const char *caption;
        const char *toolTip;
    } buttons[] = {
        // Each tool tip names the button's keys.
        {"CmdOpen", "Open", "Open a audio file (Ctrl+O)"},
        {"CmdCancel", "Cancel", "Stop saving (Esc)"},
        {"CmdPausePlay", "Play", "Play or pause (Space)"},
        {"CmdPreview", "Preview", "Play selected part (P)"},
        {"CmdSelStart", "Set Begin", "Select begin (I or [)"},
        {"CmdSelStop", "Set End ", "Select end (O or ])"},
        {"CmdBB", "", "Backward 2 seconds (Shift+Left)"},
        {"CmdB", "", "Backward 0.5 seconds (Left)"},
        {"CmdF", "", "Forward 0.5 seconds (Right)"},
        {"CmdFF", "", "Forward 2 seconds (Shift+Right)"},
        {"CmdCut", "Cut  ", "Save selected part (Ctrl+K)"},
        {"CmdHelp", "Help", "Show the help (F1)"},
        {"CmdAbout", "About", ""},
        {"CmdSet", "Config", ""},
    };
    for (const auto &b : buttons) {
        auto *button = h.child<QPushButton>(b.name);
        QVERIFY2(button, b.name);
        QCOMPARE(button->text(), QString::fromLatin1(b.caption));
        QCOMPARE(button->toolTip(), QString::fromLatin1(b.toolTip));
    }
    for (const char *name : {"CmdBB", "CmdB", "CmdF", "CmdFF"})
        QVERIFY2(!h.child<QPushButton>(name)->icon().isNull(), name);
    QVERIFY(h.child<QPushButton>("CmdCancel")->isHidden());
    QVERIFY(!h.child<QPushButton>("CmdOpen")->isHidden());
    for (const char *name : kTransport)
        QVERIFY2(!h.child<QPushButton>(name)->isEnabled(), name);

    auto *slider = h.child<ZivSlider>("slPosition");
    QVERIFY(slider);
    QVERIFY(!slider->isEnabled());
    QCOMPARE(slider->BackColor(), ZivSlider::OleColor(0x00F0F0F0));
    QCOMPARE(slider->Max(), 1000);

    auto *combo = h.child<QComboBox>("ComboFormat");
    QCOMPARE(combo->count(), 7);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    QCOMPARE(items,
             (QStringList{QStringLiteral("MP3"), QStringLiteral("WMA"), QStringLiteral("OGG"),
                          QStringLiteral("WAV"), QStringLiteral("FLAC"), QStringLiteral("Opus"),
                          QStringLiteral("M4A")}));
    QVERIFY(h.child<QCheckBox>("Check1")->isChecked());
    QVERIFY(h.window->cutter().output().copyTags);
    for (const char *name :
         {"FrameInput", "FrameOutput", "Label1", "Label2", "Label3", "Label4", "LabelFileName",
          "LabelFormatSource", "LabelTime", "LabelFomartStr", "ProgressConvert", "StatusBar1"})
        QVERIFY2(h.window->findChild<QWidget *>(QString::fromLatin1(name)), name);
    QCOMPARE(h.child<QLabel>("LabelFileName")->text(), QString());
    QCOMPARE(h.child<QLabel>("LabelFormatSource")->text(), QString());
    QCOMPARE(h.child<QLabel>("LabelTime")->text(), QStringLiteral("00:00:00"));
    QCOMPARE(h.window->ui().panel(1), QString());
    QCOMPARE(h.window->ui().panel(2), QStringLiteral("Begin: 00:00:00"));
    QCOMPARE(h.window->ui().panel(3), QStringLiteral("End: 00:00:00"));
    QCOMPARE(h.window->ui().panel(4), QStringLiteral("Current: 00:00:00"));
    QVERIFY(h.window->cutter().state().appFolder.endsWith(QDir::separator()));
    QCOMPARE(h.window->cutter().state().lastFolder, QString());
}

void FormMainStartupTest::engineObjectsInOrder()
{
    Harness h(iniFile(), QVariant());
    const QStringList creation = h.factory.log.matching(QStringLiteral("create "));
    QCOMPARE(
        creation,
        (QStringList{QStringLiteral("create AudioInformation"), QStringLiteral("create FileR"),
                     QStringLiteral("create AudioFile"), QStringLiteral("create AudioPlayer")}));
    // Nothing stored: the defaults, MP3 at 128 kbit/s and WMA profile 14 among them.
    const engine::OutputChoice &output = h.window->cutter().output();
    QCOMPARE(output, engine::OutputChoice());
    QCOMPARE(output.mp3.bitrate, 128);
    QCOMPARE(output.wmaProfile, 14);
    // The engine's description, cleaned: "kHz" -> "Hz", the final "; " gone.
    QCOMPARE(h.child<QLabel>("LabelFomartStr")->text(),
             QStringLiteral("MPEG Layer-3, 44 Hz, 128 kbps, Stereo"));
}

void FormMainStartupTest::lastFormat_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("summary");

    const QString mp3 = QStringLiteral("MPEG Layer-3, 44 Hz, 128 kbps, Stereo");
    QTest::newRow("none") << QVariant() << 0 << QStringLiteral("MP3") << mp3;
    QTest::newRow("string 2") << QVariant(QStringLiteral("2")) << 2 << QStringLiteral("OGG")
                              << QStringLiteral("OGG 44,100 Hz; Stereo; 128 Kbps");
    QTest::newRow("string 2 with NUL")
        << QVariant(QStringLiteral("2") + QChar(u'\0')) << 2 << QStringLiteral("OGG")
        << QStringLiteral("OGG 44,100 Hz; Stereo; 128 Kbps");
    QTest::newRow("number 3") << QVariant(3) << 3 << QStringLiteral("WAV")
                              << QStringLiteral("WAV 44,100 Hz; Stereo; 16 bit");
    QTest::newRow("string 1") << QVariant(QStringLiteral("1")) << 1 << QStringLiteral("WMA")
                              << QStringLiteral("WMA profile 14 44 kHz");
    QTest::newRow("2.5 rounds to even")
        << QVariant(QStringLiteral("2.5")) << 2 << QStringLiteral("OGG")
        << QStringLiteral("OGG 44,100 Hz; Stereo; 128 Kbps");
    QTest::newRow("binary") << QVariant(QByteArray("\x02", 1)) << 0 << QStringLiteral("MP3") << mp3;
    QTest::newRow("single NUL") << QVariant(QString(QChar(u'\0'))) << 0 << QStringLiteral("MP3")
                                << mp3;
    QTest::newRow("9") << QVariant(QStringLiteral("9")) << 0 << QStringLiteral("MP3") << mp3;
    QTest::newRow("-1") << QVariant(QStringLiteral("-1")) << 0 << QStringLiteral("MP3") << mp3;
    QTest::newRow("abc") << QVariant(QStringLiteral("abc")) << 0 << QStringLiteral("MP3") << mp3;
}

void FormMainStartupTest::lastFormat()
{
    QFETCH(QVariant, stored);
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(QString, summary);
    Harness h(iniFile(), stored);
    QCOMPARE(h.child<QComboBox>("ComboFormat")->currentIndex(), index);
    QCOMPARE(QLatin1String(h.window->cutter().output().entry().name), name);
    QCOMPARE(h.child<QLabel>("LabelFomartStr")->text(), summary);
    QVERIFY(h.child<QPushButton>("CmdSet")->isEnabled());
    // Nothing is ever written back.
    h.stored.sync();
    QCOMPARE(h.stored.value(QStringLiteral("LastFormat")), stored);
}

void FormMainStartupTest::wmaSummaryIsTheWritersText()
{
    Harness h(iniFile(), QVariant());
    Cutter &cutter = h.window->cutter();
    const auto edit = [&](auto change) {
        cutter.editOutput([&](engine::OutputChoice output) {
            change(output);
            return std::optional(output);
        });
    };
    edit([](engine::OutputChoice &output) { output.wmaProfile = 35; });
    QVERIFY(cutter.selectFormat(1));
    // The engine's own text, "kHz" included: only the MP3 description is cleaned.
    QCOMPARE(h.child<QLabel>("LabelFomartStr")->text(), QStringLiteral("WMA profile 35 44 kHz"));
    // MP3 shows " VBR" once a VBR method is chosen.
    edit([](engine::OutputChoice &output) { output.mp3.vbrMethod = 0; });
    QVERIFY(cutter.selectFormat(0));
    QVERIFY(h.child<QLabel>("LabelFomartStr")->text().endsWith(QStringLiteral(" VBR")));
}

void FormMainStartupTest::refusedIndexKeepsSelection()
{
    Harness h(iniFile(), QVariant(QStringLiteral("3")));
    QVERIFY(!h.window->cutter().selectFormat(7));
    QVERIFY(!h.window->cutter().selectFormat(-1));
    QCOMPARE(h.child<QComboBox>("ComboFormat")->currentIndex(), 3);
    QCOMPARE(h.window->cutter().output().format, engine::OutputFormat::Wav);
}

void FormMainStartupTest::check1FollowsTheBox()
{
    Harness h(iniFile(), QVariant());
    auto *box = h.child<QCheckBox>("Check1");
    box->click();
    QVERIFY(!h.window->cutter().output().copyTags);
    box->click();
    QVERIFY(h.window->cutter().output().copyTags);
}

void FormMainStartupTest::resetWindowState()
{
    Harness h(iniFile(), QVariant());
    auto *slider = h.child<ZivSlider>("slPosition");
    slider->setEnabled(true);
    slider->setValue(400);
    slider->setSelStart(100);
    slider->setSelLength(300);
    for (const char *name : kTransport)
        h.child<QPushButton>(name)->setEnabled(true);
    h.child<QLabel>("LabelTime")->setText(QStringLiteral("00:03:12"));
    h.window->ui().setPanel(2, QStringLiteral("Begin: 00:00:10"));

    h.window->cutter().ResetWindowState();

    QVERIFY(!slider->isEnabled());
    QCOMPARE(slider->Value(), 0);
    QCOMPARE(slider->SelStart(), 0);
    QCOMPARE(slider->SelLength(), 0);
    for (const char *name : kTransport)
        QVERIFY2(!h.child<QPushButton>(name)->isEnabled(), name);
    QCOMPARE(h.child<QLabel>("LabelTime")->text(), QStringLiteral("00:00:00"));
    QVERIFY(!h.child<QLabel>("LabelTime")->isHidden());
    QCOMPARE(h.window->ui().panel(2), QStringLiteral("Begin: 00:00:00"));
    QCOMPARE(h.child<QPushButton>("CmdPausePlay")->text(), QStringLiteral("Play"));
    QVERIFY(h.factory.log.calls.contains(QStringLiteral("AudioPlayer.stopOutput()")));
    QVERIFY(h.factory.log.calls.contains(QStringLiteral("AudioFile.close()")));
}

QTEST_MAIN(FormMainStartupTest)
#include "tst_formmain_startup.moc"
