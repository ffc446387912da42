// What a user expects of any desktop program: keys for the commands, a focus that stays where
// it was, a file dropped on the window or named on the command line, and a program that
// remembers the format, the folder and its place between runs.
#include "Fixtures.h"
#include "WindowHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int32_t kRate = 44100;

struct Harness : WindowHarness
{
    explicit Harness(const QString &ini) : WindowHarness(ini)
    {
        for (fakes::FakeAudioFile *file : factory.files)
            file->frames = 60 * kRate;
    }
    QString label(const char *name) const
    {
        return window->findChild<QLabel *>(QString::fromLatin1(name))->text();
    }
    /// Opens a minute of sound through the Open button and goes to 10 s, paused.
    void openAt10s()
    {
        dialogs.openAnswers << QStringLiteral("/music/song.mp3");
        button("CmdOpen")->click();
        for (int i = 0; i < 5; ++i)
            button("CmdFF")->click();
    }
    /// Marks 10 s to 20 s, leaving the sound at 20 s.
    void select()
    {
        openAt10s();
        button("CmdSelStart")->click();
        for (int i = 0; i < 5; ++i)
            button("CmdFF")->click();
        button("CmdSelStop")->click();
    }
};

/// Which of the window's buttons were clicked, by the mouse or by a key.
struct Clicks
{
    QStringList names;

    explicit Clicks(const FormMain &window)
    {
        for (QPushButton *button : window.findChildren<QPushButton *>())
            QObject::connect(button, &QPushButton::clicked, button,
                             [this, button] { names << button->objectName(); });
    }
};

} // namespace

class FormMainTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keys_data();
    void keys();
    void focus();
    void drops_data();
    void drops();
    void commandLine_data();
    void commandLine();
    void remembered_data();
    void remembered();

private:
    QString ini() const { return fixtures::scratchIni(m_dir.path()); }
    QTemporaryDir m_dir;
};

void FormMainTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void FormMainTest::keys_data()
{
    QTest::addColumn<QString>("state"); // nothing, open (at 10 s), selected, cutting
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QStringList>("clicked");
    QTest::addColumn<double>("seconds"); // where the sound is afterwards; -1: not looked at

    const auto row = [](const char *name, const char *state, int key, int modifiers,
                        QStringList clicked, double seconds = -1) {
        QTest::newRow(name) << QString::fromLatin1(state) << key << modifiers << clicked << seconds;
    };
    const int none = Qt::NoModifier;
    const QStringList nothing;
    // Each key clicks its button, whose handler does the rest.
    row("Space plays", "open", Qt::Key_Space, none, {QStringLiteral("CmdPausePlay")});
    row("Ctrl+O opens", "nothing", Qt::Key_O, Qt::ControlModifier, {QStringLiteral("CmdOpen")});
    row("I sets Begin", "open", Qt::Key_I, none, {QStringLiteral("CmdSelStart")});
    row("[ sets Begin", "open", Qt::Key_BracketLeft, none, {QStringLiteral("CmdSelStart")});
    row("O sets End", "open", Qt::Key_O, none, {QStringLiteral("CmdSelStop")});
    row("] sets End", "open", Qt::Key_BracketRight, none, {QStringLiteral("CmdSelStop")});
    row("P previews", "selected", Qt::Key_P, none, {QStringLiteral("CmdPreview")});
    row("Left", "open", Qt::Key_Left, none, {QStringLiteral("CmdB")}, 9.5);
    row("Right", "open", Qt::Key_Right, none, {QStringLiteral("CmdF")}, 10.5);
    row("Shift+Left", "open", Qt::Key_Left, Qt::ShiftModifier, {QStringLiteral("CmdBB")}, 8);
    row("Shift+Right", "open", Qt::Key_Right, Qt::ShiftModifier, {QStringLiteral("CmdFF")}, 12);
    row("Home", "open", Qt::Key_Home, none, nothing, 0);
    row("End", "open", Qt::Key_End, none, nothing, 60);
    row("Ctrl+K cuts", "selected", Qt::Key_K, Qt::ControlModifier, {QStringLiteral("CmdCut")});
    row("F1 helps", "nothing", Qt::Key_F1, none, {QStringLiteral("CmdHelp")});
    // A disabled button: its key does nothing, not even the handler's own refusal.
    row("Space, nothing open", "nothing", Qt::Key_Space, none, nothing);
    row("I, nothing open", "nothing", Qt::Key_I, none, nothing);
    row("Right, nothing open", "nothing", Qt::Key_Right, none, nothing);
    row("Home, nothing open", "nothing", Qt::Key_Home, none, nothing);
    row("P, nothing marked", "open", Qt::Key_P, none, nothing, 10);
    row("Ctrl+K, nothing marked", "open", Qt::Key_K, Qt::ControlModifier, nothing, 10);
    row("Esc, no cut", "open", Qt::Key_Escape, none, nothing, 10);
    // During a cut (started with the Cut button): only the way out works.
    row("Esc cancels", "cutting", Qt::Key_Escape, none,
        {QStringLiteral("CmdCut"), QStringLiteral("CmdCancel")});
    row("Space on Cancel cancels", "cutting", Qt::Key_Space, none,
        {QStringLiteral("CmdCut"), QStringLiteral("CmdCancel")});
    row("Ctrl+O during a cut", "cutting", Qt::Key_O, Qt::ControlModifier,
        {QStringLiteral("CmdCut")});
    row("Right during a cut", "cutting", Qt::Key_Right, none, {QStringLiteral("CmdCut")});
}

void FormMainTest::keys()
{
    QFETCH(QString, state);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QStringList, clicked);
    QFETCH(double, seconds);

    Harness h(ini());
    QVERIFY(h.showActive());
    if (state == QStringLiteral("open"))
        h.openAt10s();
    else if (state != QStringLiteral("nothing"))
        h.select();
    const int messages = h.dialogs.messages.size();
    const int opens = h.dialogs.openRequests.size();
    const Clicks clicks(*h.window);

    if (state == QStringLiteral("cutting")) {
        h.dialogs.saveAnswers << m_dir.filePath(QStringLiteral("cut.mp3"));
        bool typed = false;
        // The job lets the window take its events; the key comes in the first of them.
        QTimer::singleShot(0, h.window.get(), [&] {
            typed = true;
            QCOMPARE(h.window->focusWidget(), h.button("CmdCancel"));
            h.type(key, modifiers);
        });
        h.button("CmdCut")->click();
        QVERIFY(typed);
        const bool cancelled = clicked.contains(QStringLiteral("CmdCancel"));
        // Ten one-second blocks when the cut runs to its end.
        QCOMPARE(h.factory.log.matching(QStringLiteral("FileW.writeBlock")).size(),
                 cancelled ? 1 : 10);
        QCOMPARE(h.dialogs.openRequests.size(), opens);
    } else {
        h.type(key, modifiers);
        QCOMPARE(h.dialogs.messages.size(), messages);
    }
    // The Cut button's click is heard when its handler, the whole cut, has returned.
    QStringList heard = clicks.names;
    heard.sort();
    clicked.sort();
    QCOMPARE(heard, clicked);
    if (seconds >= 0)
        QCOMPARE(h.window->cutter().state().playOrigin, int32_t(seconds * kRate));
    // The handlers ran, not just the signals.
    if (clicked == QStringList{QStringLiteral("CmdPausePlay")})
        QVERIFY(h.player().running);
    if (clicked == QStringList{QStringLiteral("CmdOpen")})
        QCOMPARE(h.dialogs.openRequests.size(), opens + 1);
    if (clicked == QStringList{QStringLiteral("CmdCut")} && state == QStringLiteral("selected"))
        QCOMPARE(h.dialogs.saveRequests.size(), 1);
}

// Tab goes from Open to the slider and on along the screen; the slider shows when it has the
// focus; after a cut the focus is where it was before; a key let go on the slider moves the
// sound only when it moved the thumb.
void FormMainTest::focus()
{
    Harness h(ini());
    QVERIFY(h.showActive());
    h.select();
    ZivSlider *slider = h.slider();
    QCOMPARE(slider->accessibleName(), QStringLiteral("Position"));

    h.button("CmdOpen")->setFocus();
    QStringList order{QStringLiteral("CmdOpen")};
    for (int i = 0; i < 40; ++i) {
        h.type(Qt::Key_Tab);
        const QString name = h.window->focusWidget()->objectName();
        if (name == QStringLiteral("CmdOpen"))
            break;
        order << name;
    }
    QCOMPARE(order, QString::fromLatin1("CmdOpen slPosition CmdPausePlay CmdPreview CmdPlayBegin "
                                        "CmdPlayEnd chLoop CmdBB CmdB CmdF CmdFF CmdSelStart "
                                        "CmdSelStop CmdCut CmdHelp CmdAbout ComboFormat CmdSet "
                                        "spinFadeIn spinFadeOut ComboNormalise chGainTags "
                                        "CheckKeepEncoding Check1 Parts CmdAddPart CmdSplitHere "
                                        "CmdImportCue")
                        .split(u' '));

    slider->setFocus();
    const QImage focused = slider->grab().toImage();
    h.button("CmdOpen")->setFocus();
    QVERIFY(slider->grab().toImage() != focused);

    // A cut by key after "Set End" leaves the focus there, not on what follows Cancel.
    h.button("CmdSelStop")->setFocus();
    h.dialogs.saveAnswers << m_dir.filePath(QStringLiteral("focus.mp3"));
    h.type(Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(h.dialogs.messages.last().title, QStringLiteral("Vorn Audio Cutter"));
    QCOMPARE(h.window->focusWidget(), h.button("CmdSelStop"));

    // Only a key that moved the slider moves the sound: Page Down does, Shift alone does not.
    slider->setFocus();
    const int32_t origin = h.window->cutter().state().playOrigin;
    h.type(Qt::Key_Shift);
    QCOMPARE(h.window->cutter().state().playOrigin, origin);
    h.type(Qt::Key_PageDown);
    QCOMPARE(h.window->cutter().state().playOrigin,
             int32_t((slider->Value() / 1000.0) * 60 * kRate));
    QVERIFY(h.window->cutter().state().playOrigin != origin);
}

void FormMainTest::drops_data()
{
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<bool>("duringCut");
    QTest::addColumn<bool>("opened");

    const QString file = QStringLiteral("file:///music/dropped.mp3");
    QTest::newRow("one local file") << QStringList{file} << false << true;
    QTest::newRow("two files") << QStringList{file, QStringLiteral("file:///music/b.mp3")} << false
                               << false;
    QTest::newRow("web address") << QStringList{QStringLiteral("https://example.org/a.mp3")}
                                 << false << false;
    QTest::newRow("folder") << QStringList{QUrl::fromLocalFile(m_dir.path()).toString()} << false
                            << false;
    QTest::newRow("during a cut") << QStringList{file} << true << false;
}

void FormMainTest::drops()
{
    QFETCH(QStringList, urls);
    QFETCH(bool, duringCut);
    QFETCH(bool, opened);

    Harness h(ini());
    QMimeData data;
    QList<QUrl> list;
    for (const QString &url : urls)
        list << QUrl(url);
    data.setUrls(list);
    bool accepted = false;
    const auto drop = [&] {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(h.window.get(), &enter);
        accepted = enter.isAccepted();
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(h.window.get(), &dropped);
    };
    if (duringCut) {
        h.select();
        h.dialogs.saveAnswers << m_dir.filePath(QStringLiteral("drop.mp3"));
        QTimer::singleShot(0, h.window.get(), drop);
        h.button("CmdCut")->click();
    } else {
        drop();
    }
    QCoreApplication::processEvents();
    QCOMPARE(accepted, opened);
    const QStringList reads =
        h.factory.log.matching(QStringLiteral("AudioInformation.readInformation(/music/dropped"));
    QCOMPARE(reads.size(), opened ? 1 : 0);
    if (opened) {
        QCOMPARE(h.label("LabelFileName"), QStringLiteral("/music/dropped.mp3"));
        QVERIFY(h.window->cutter().state().play != PlayState::NoSource);
        QCOMPARE(h.window->cutter().state().lastFolder, QStringLiteral("/music/"));
    }
}

void FormMainTest::commandLine_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("broken");
    QTest::addColumn<QString>("shown"); // in "File name:"; relative to the test's folder

    QTest::newRow("relative name")
        << QStringLiteral("song.mp3") << false << QStringLiteral("song.mp3");
    QTest::newRow("broken file") << QStringLiteral("broken.mp3") << true << QString();
}

void FormMainTest::commandLine()
{
    QFETCH(QString, argument);
    QFETCH(bool, broken);
    QFETCH(QString, shown);

    Harness h(ini());
    h.factory.information->readFails = broken;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    h.window->openAfterStart(argument);
    QVERIFY(QDir::setCurrent(before));
    // After start-up: nothing happens before the event loop runs.
    QVERIFY(h.factory.log.matching(QStringLiteral("AudioInformation.readInformation")).isEmpty());
    QCoreApplication::processEvents();

    const QString expected = shown.isEmpty() ? QString() : m_dir.filePath(shown);
    QCOMPARE(h.label("LabelFileName"), expected);
    QCOMPARE(h.slider()->isEnabled(), !broken);
    QCOMPARE(h.dialogs.messages.size(), broken ? 1 : 0);
    if (broken) {
        QVERIFY(
            h.dialogs.messages.front().text.startsWith(QStringLiteral("Cannot open 'broken.mp3'")));
        QCOMPARE(h.dialogs.messages.front().title, QStringLiteral("Error"));
    }
}

void FormMainTest::remembered_data()
{
    QTest::addColumn<bool>("folderKept"); // the folder is still there at the next start
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<bool>("placeKept");

    QTest::newRow("all kept") << true << QPoint(20, 30) << true;
    QTest::newRow("folder gone") << false << QPoint(20, 30) << true;
    // As when the screen it was on has been unplugged.
    QTest::newRow("off every screen") << true << QPoint(100000, 30) << false;
}

void FormMainTest::remembered()
{
    QFETCH(bool, folderKept);
    QFETCH(QPoint, position);
    QFETCH(bool, placeKept);

    const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(folder));
    const QSize size = QGuiApplication::primaryScreen()->availableGeometry().size() / 2;
    const QRect place(position, size);
    {
        Harness first(ini());
        first.dialogs.openAnswers << folder + QStringLiteral("/song.mp3");
        first.button("CmdOpen")->click();
        auto *combo = first.window->findChild<QComboBox *>(QStringLiteral("ComboFormat"));
        combo->setCurrentIndex(2);
        emit combo->activated(2); // as the user's choice of "OGG"
        first.window->setGeometry(place);
        first.window->close();
    }
    if (!folderKept)
        QVERIFY(QDir(folder).removeRecursively());

    Harness next(ini());
    QCOMPARE(next.window->cutter().state().lastFolder,
             folderKept ? folder + QDir::separator() : QString());
    QCOMPARE(next.window->findChild<QComboBox *>(QStringLiteral("ComboFormat"))->currentText(),
             QStringLiteral("OGG"));
    QCOMPARE(next.window->geometry() == place, placeKept);
    // The remembered folder is where the Open dialog starts.
    next.button("CmdOpen")->click();
    QCOMPARE(next.dialogs.openRequests.last().folder, next.window->cutter().state().lastFolder);
}

QTEST_MAIN(FormMainTest)
#include "tst_desktop_habits.moc"
