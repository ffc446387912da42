// Help and About: the help page found beside the program or in its share folder, the About
// box made anew at each opening, and its logo leading to the help page.
#include "FakeDialogs.h"
#include "FakeEngine.h"
#include "FormAbout.h"
#include "FormMain.h"
#include "HelpWindow.h"
#include "ProgramFiles.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class FormMainTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void aboutIsModalAndNewEachTime();
    void logoOpensTheHelp();
    void helpPageShownWhenPresent();
    void helpFoundInShareFolder();

private:
    std::unique_ptr<FormMain> makeWindow()
    {
        m_stored = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("s.ini")),
                                               QSettings::IniFormat);
        m_store = std::make_unique<settings::SettingsStore>(*m_stored);
        return std::make_unique<FormMain>(m_factory, m_dialogs, *m_store);
    }
    QTemporaryDir m_dir;
    fakes::FakeEngineFactory m_factory;
    FakeDialogs m_dialogs;
    std::unique_ptr<QSettings> m_stored;
    std::unique_ptr<settings::SettingsStore> m_store;
};

void FormMainTest::aboutIsModalAndNewEachTime()
{
    auto window = makeWindow();
    QList<QPointer<QWidget>> seen;
    QStringList texts;
    auto closeWithOk = [&] {
        auto *about = qobject_cast<FormAbout *>(QApplication::activeModalWidget());
        QVERIFY(about);
        seen << about;
        QCOMPARE(about->windowTitle(), QStringLiteral("About"));
        for (const char *name : {"Label1", "Label2", "Label3"})
            texts << about->findChild<QLabel *>(QString::fromLatin1(name))->text();
        QVERIFY(!about->findChild<QLabel *>(QStringLiteral("Picture1"))->pixmap().isNull());
        about->findChild<QPushButton *>(QStringLiteral("CmdOK"))->click();
    };
    QTimer::singleShot(0, this, closeWithOk);
    window->findChild<QPushButton *>(QStringLiteral("CmdAbout"))->click();
    QCOMPARE(seen.size(), 1);
    QVERIFY(seen[0].isNull()); // gone once closed
    QCOMPARE(texts.mid(0, 2),
             (QStringList{QStringLiteral("Vorn Audio Cutter"), QStringLiteral("Version 3.0")}));
    QVERIFY(!texts[2].isEmpty());
    QTimer::singleShot(0, this, closeWithOk);
    window->findChild<QPushButton *>(QStringLiteral("CmdAbout"))->click();
    QCOMPARE(seen.size(), 2);
}

// The logo closes the box and shows the program's own help, usable at once: no box is left
// in front of it.
void FormMainTest::logoOpensTheHelp()
{
    auto window = makeWindow();
    QTemporaryDir program;
    window->cutter().setAppFolder(withTrailingSeparator(program.path()));
    QFile page(program.filePath(QStringLiteral("help.html")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<html><body><h1>Help</h1></body></html>");
    page.close();
    bool clicked = false;
    QTimer::singleShot(0, this, [&] {
        auto *about = qobject_cast<FormAbout *>(QApplication::activeModalWidget());
        QVERIFY(about);
        auto *logo = about->findChild<QLabel *>(QStringLiteral("Picture1"));
        QVERIFY(!logo->toolTip().contains(QStringLiteral("://")));
        QTest::mouseClick(logo, Qt::LeftButton);
        clicked = true;
    });
    window->findChild<QPushButton *>(QStringLiteral("CmdAbout"))->click();
    QVERIFY(clicked);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(window->helpWindow());
    QVERIFY(window->helpWindow()->isVisible());
    QCOMPARE(QFileInfo(window->helpWindow()->source()).canonicalFilePath(),
             QFileInfo(page.fileName()).canonicalFilePath());
}

void FormMainTest::helpPageShownWhenPresent()
{
    auto window = makeWindow();
    QTemporaryDir program;
    window->cutter().setAppFolder(withTrailingSeparator(program.path()));
    window->findChild<QPushButton *>(QStringLiteral("CmdHelp"))->click();
    QVERIFY(!window->helpWindow());
    QVERIFY(m_dialogs.messages.isEmpty());

    QFile page(program.filePath(QStringLiteral("help.html")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<html><body><h1>Help</h1></body></html>");
    page.close();
    window->findChild<QPushButton *>(QStringLiteral("CmdHelp"))->click();
    QVERIFY(window->helpWindow());
    QVERIFY(window->helpWindow()->isVisible());
    QCOMPARE(QFileInfo(window->helpWindow()->source()).canonicalFilePath(),
             QFileInfo(page.fileName()).canonicalFilePath());
}

void FormMainTest::helpFoundInShareFolder()
{
    QTemporaryDir prefix;
    QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
    QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("share/vorn-audio-cutter")));
    const QString installed = prefix.filePath(QStringLiteral("share/vorn-audio-cutter/help.html"));
    QFile(installed).open(QIODevice::WriteOnly);
    const QString bin = withTrailingSeparator(prefix.filePath(QStringLiteral("bin")));
    QCOMPARE(findProgramFile(bin, QStringLiteral("help.html")), QDir::cleanPath(installed));
    // Beside the program wins.
    QFile(bin + QStringLiteral("help.html")).open(QIODevice::WriteOnly);
    QCOMPARE(findProgramFile(bin, QStringLiteral("help.html")), bin + QStringLiteral("help.html"));
    QCOMPARE(findProgramFile(bin, QStringLiteral("nothing.html")), QString());
    QCOMPARE(withTrailingSeparator(QStringLiteral("/a/b")), QStringLiteral("/a/b/"));
    QCOMPARE(withTrailingSeparator(QStringLiteral("/a/b/")), QStringLiteral("/a/b/"));
}

QTEST_MAIN(FormMainTest)
#include "tst_help_about.moc"
