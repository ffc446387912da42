// "Config" in the main window: the chosen format's dialog, modal and owned by the window,
// and the summary rebuilt when it closes, whether it was confirmed or cancelled.
#include "DialogInput.h"
#include "FakeDialogs.h"
#include "FakeEngine.h"
#include "Fixtures.h"
#include "FormMain.h"
#include "SettingsStore.h"
#include "engine/factory/DefaultEngineFactory.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

struct Window
{
    FakeDialogs dialogs;
    QSettings stored;
    settings::SettingsStore store{stored};
    std::unique_ptr<FormMain> window;

    Window(engine::EngineFactory &factory, const QString &ini) : stored(ini, QSettings::IniFormat)
    {
        window = std::make_unique<FormMain>(factory, dialogs, store);
    }
    const engine::OutputChoice &output() const { return window->cutter().output(); }
    QString summary() const
    {
        return window->findChild<QLabel *>(QStringLiteral("LabelFomartStr"))->text();
    }
    void chooseFormat(int index) const
    {
        auto *formats = window->findChild<QComboBox *>(QStringLiteral("ComboFormat"));
        formats->setCurrentIndex(index);
        emit formats->activated(index);
    }
    /// Presses "Config" and runs `inDialog` on the dialog it opens; false if none opened.
    bool config(const std::function<void(QDialog &)> &inDialog) const
    {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            opened = true;
            inDialog(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        window->findChild<QPushButton *>(QStringLiteral("CmdSet"))->click();
        return opened;
    }
};

} // namespace

class FormMainConfigTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opensTheChosenFormatsDialog_data();
    void opensTheChosenFormatsDialog();
    void mp3OkRewritesSummary();
    void wavOkRewritesSummary();
    void wmaCancelKeepsTheProfile();
    void oggRefusalIsTheWindowsMessage();

private:
    QString ini() const { return fixtures::scratchIni(m_dir.path()); }
    QTemporaryDir m_dir;
};

void FormMainConfigTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void FormMainConfigTest::opensTheChosenFormatsDialog_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("title");
    QTest::newRow("MP3") << 0 << "FormMp3"
                         << "Mp3 Option";
    QTest::newRow("WMA") << 1 << "FormWMA"
                         << "WMA Option";
    QTest::newRow("OGG") << 2 << "FormOGG"
                         << "OGG Option";
    QTest::newRow("WAV") << 3 << "FormWAV"
                         << "WAV Option";
}

void FormMainConfigTest::opensTheChosenFormatsDialog()
{
    QFETCH(int, format);
    QFETCH(QString, dialog);
    QFETCH(QString, title);
    fakes::FakeEngineFactory factory;
    Window w(factory, ini());
    w.chooseFormat(format);
    QPointer<QDialog> shown;
    QVERIFY(w.config([&](QDialog &d) {
        shown = &d;
        QCOMPARE(d.objectName(), dialog);
        QCOMPARE(d.windowTitle(), title);
        QVERIFY(d.isModal());
        QCOMPARE(d.parentWidget(), static_cast<QWidget *>(w.window.get()));
        auto *ok = d.findChild<QPushButton *>(QStringLiteral("CmdOK"));
        QVERIFY(ok && ok->isDefault());
    }));
    QVERIFY(shown.isNull()); // destroyed when it closed
}

void FormMainConfigTest::mp3OkRewritesSummary()
{
    fakes::FakeEngineFactory factory;
    Window w(factory, ini());
    factory.mp3Description = QStringLiteral("MP3 22 kHz; Mono; 64 Kbps; ");
    QVERIFY(w.config([](QDialog &d) {
        pick(d, "cmbVBRCodingMethod", QStringLiteral("MTRH"));
        click(d, "CmdOK");
    }));
    QCOMPARE(w.output().mp3.vbrMethod, int(engine::Mp3Settings::VbrMtrh));
    QCOMPARE(w.summary(), QStringLiteral("MP3 22 Hz; Mono; 64 Kbps VBR"));
    // Kept for the next run, and what the next cut's writer is made from.
    QCOMPARE(w.store.ReadOutput(), w.output());
    w.window->cutter().setCopyTags(false);
    QCOMPARE(w.store.ReadOutput(), w.output());
}

void FormMainConfigTest::wavOkRewritesSummary()
{
    fakes::FakeEngineFactory factory;
    Window w(factory, ini());
    w.chooseFormat(3);
    QVERIFY(w.config([](QDialog &d) {
        click(d, "F4");
        click(d, "P1");
        click(d, "B1");
        click(d, "CmdOK");
    }));
    QCOMPARE(w.summary(), QStringLiteral("WAV 22,050 Hz; Mono; 8 bit"));
}

void FormMainConfigTest::wmaCancelKeepsTheProfile()
{
    fakes::FakeEngineFactory factory;
    Window w(factory, ini());
    w.chooseFormat(1);
    int listed = 0;
    QVERIFY(w.config([&](QDialog &d) {
        listed = d.findChild<QComboBox *>(QStringLiteral("Combo1"))->count();
        click(d, "Option3");
        click(d, "CmdCancel");
    }));
    QCOMPARE(listed, 47);
    QCOMPARE(w.output().wmaProfile, 14);
    QCOMPARE(w.summary(), QStringLiteral("WMA profile 14 44 kHz"));
}

// The real writer, so that libvorbis refuses; the refusal is the window's message box.
void FormMainConfigTest::oggRefusalIsTheWindowsMessage()
{
    engine::DefaultEngineFactory factory;
    Window w(factory, ini());
    w.chooseFormat(2);
    bool stayedOpen = false;
    QVERIFY(w.config([&](QDialog &d) {
        pick(d, "cmbFrequency", QStringLiteral("16,000 Hz"));
        pick(d, "ComboBitrate", QStringLiteral("256"));
        click(d, "CmdOK");
        stayedOpen = d.isVisible();
        pick(d, "ComboBitrate", QStringLiteral("32"));
        click(d, "CmdOK");
    }));
    QVERIFY(stayedOpen);
    QCOMPARE(w.dialogs.messages.size(), 1);
    QCOMPARE(w.dialogs.messages[0].text, QStringLiteral("Incorrect format"));
    QCOMPARE(w.dialogs.messages[0].title, QStringLiteral("Vorn Audio Cutter"));
    QCOMPARE(w.dialogs.messages[0].icon, Dialogs::Icon::Critical);
    QCOMPARE(w.summary(), QStringLiteral("OGG 16,000 Hz; Stereo; 32 Kbps"));
}

QTEST_MAIN(FormMainConfigTest)
#include "tst_formmain_config.moc"
