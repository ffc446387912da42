// The Cut command in the window, with fake engine objects: the proposed names, the busy
// state, Cancel, the outcome messages and when tags are copied.
#include "WindowHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int32_t kRate = 44100;

struct Harness : WindowHarness
{
    explicit Harness(const QString &ini) : WindowHarness(ini)
    {
        for (fakes::FakeAudioFile *file : factory.files)
            file->frames = 20 * kRate;
    }
    void openAndSelect(const QString &path, double beginSeconds, double endSeconds)
    {
        dialogs.openAnswers << path;
        button("CmdOpen")->click();
        auto *slider = window->findChild<ZivSlider *>(QStringLiteral("slPosition"));
        // The marks are taken where a slider release put the sound (20 s = 1000 units).
        slider->setValue(int32_t(beginSeconds * 50));
        emit slider->MouseUp(1, 0, 0.0f, 0.0f);
        button("CmdSelStart")->click();
        slider->setValue(int32_t(endSeconds * 50));
        emit slider->MouseUp(1, 0, 0.0f, 0.0f);
        button("CmdSelStop")->click();
    }
};

} // namespace

class FormMainTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void nothingSelectedDoesNothing();
    void proposedNames();
    void cutCopiesTheRangeAndReports();
    void busyStateDuringTheJob();
    void cancelKeepsWhatWasWritten();
    void failedJobSaysWhyAndCopiesNoTags();
    void sourceIsNeverTheDestination();
    void wmaPrimesTheWriter();

private:
    QString ini() const
    {
        return m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) +
                              QStringLiteral(".ini"));
    }
    QTemporaryDir m_dir;
};

void FormMainTest::nothingSelectedDoesNothing()
{
    Harness h(ini());
    h.dialogs.openAnswers << QStringLiteral("/m/song.mp3");
    h.button("CmdOpen")->click();
    h.window->onCmdCutClick();
    QVERIFY(h.dialogs.saveRequests.isEmpty());
}

void FormMainTest::proposedNames()
{
    Harness h(ini());
    h.window->selectFormat(2);
    h.openAndSelect(QStringLiteral("/m/a.b/Track.wav"), 1, 3);
    h.dialogs.saveAnswers << QStringLiteral("/out/x.ogg") << QString();
    h.button("CmdCut")->click();
    h.button("CmdCut")->click(); // cancelled dialog: nothing starts
    QCOMPARE(h.dialogs.saveRequests.size(), 2);
    QCOMPARE(h.dialogs.saveRequests[0].proposedName, QStringLiteral("/m/a.b/Track - 1.ogg"));
    QCOMPARE(h.dialogs.saveRequests[0].folder, QStringLiteral("/m/a.b/"));
    QCOMPARE(h.dialogs.saveRequests[1].proposedName, QStringLiteral("/m/a.b/Track - 2.ogg"));
    QCOMPARE(h.dialogs.saveRequests[1].folder, QStringLiteral("/out/"));
    const Dialogs::FileRequest &request = h.dialogs.saveRequests[0];
    QCOMPARE(request.filters.size(), 1);
    QCOMPARE(request.filters[0].description, QStringLiteral("OGG Vorbis files (*.ogg)"));
    QCOMPARE(request.filters[0].patterns, QStringList{QStringLiteral("*.ogg")});
    QCOMPARE(request.defaultSuffix, QStringLiteral("ogg"));
    QVERIFY(request.confirmOverwrite);

    // A source without an extension keeps its folder's dots; another file starts at 1 again.
    h.window->selectFormat(0);
    h.openAndSelect(QStringLiteral("/m/a.b/noext"), 1, 3);
    h.dialogs.saveAnswers << QString();
    h.button("CmdCut")->click();
    QCOMPARE(h.dialogs.saveRequests.last().proposedName, QStringLiteral("/m/a.b/noext - 1.mp3"));
}

void FormMainTest::cutCopiesTheRangeAndReports()
{
    Harness h(ini());
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 2, 12.3);
    h.factory.information->values.title = QStringLiteral("Song");
    h.factory.information->values.year = 1999;
    h.factory.information->values.genre = -1;
    h.dialogs.saveAnswers << QStringLiteral("/out/cut.mp3");
    h.factory.log.calls.clear();
    h.button("CmdCut")->click();

    const QStringList writes = h.factory.log.matching(QStringLiteral("FileW.writeBlock"));
    QCOMPARE(writes.size(), 11);
    // Exactly Begin to End: ten whole seconds and the part of the eleventh up to the mark.
    QCOMPARE(writes.last(), QStringLiteral("FileW.writeBlock(%1)").arg(int(0.3 * kRate) * 2));
    QVERIFY(h.factory.log.calls.contains(QStringLiteral("FileR.seek(88200)")));
    QVERIFY(h.factory.log.calls.contains(QStringLiteral("FileW.close()")));
    QCOMPARE(h.dialogs.messages.size(), 1);
    QCOMPARE(h.dialogs.messages[0].text, QStringLiteral("Saved - /out/cut.mp3"));
    QCOMPARE(h.dialogs.messages[0].title, QStringLiteral("Vorn Audio Cutter"));
    QCOMPARE(h.dialogs.messages[0].icon, Dialogs::Icon::None);
    QCOMPARE(h.window->windowTitle(), QStringLiteral(" Vorn Audio Cutter"));
    const engine::TagValues written =
        h.factory.information->written.at(QStringLiteral("/out/cut.mp3"));
    QCOMPARE(written.title, QStringLiteral("Song"));
    QCOMPARE(written.year, 1999);
    QCOMPARE(written.genre, int16_t(-1));
    QCOMPARE(h.window->cutNumber, 2);

    // Tags off: the information object writes nothing.
    h.window->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    h.factory.information->written.clear();
    h.dialogs.saveAnswers << QStringLiteral("/out/cut2.mp3");
    h.button("CmdCut")->click();
    QVERIFY(h.factory.information->written.empty());
}

void FormMainTest::busyStateDuringTheJob()
{
    Harness h(ini());
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 1, 3);
    h.dialogs.saveAnswers << QStringLiteral("/out/cut.mp3");
    QStringList seen;
    bool checked = false;
    // Look at the window from inside the job, the first time it breathes.
    QTimer::singleShot(0, h.window.get(), [&] {
        checked = true;
        QCOMPARE(h.window->windowTitle(), QStringLiteral(" Processing, please wait..."));
        for (const char *name :
             {"CmdOpen", "CmdPausePlay", "CmdSelStart", "CmdSelStop", "CmdPreview", "CmdCut"})
            if (h.button(name)->isVisible() || !h.button(name)->isHidden())
                seen << QString::fromLatin1(name);
        for (const char *name : {"CmdHelp", "CmdAbout", "CmdSet", "CmdB", "CmdF", "CmdBB", "CmdFF"})
            if (h.button(name)->isEnabled())
                seen << QString::fromLatin1(name);
        if (h.window->findChild<QComboBox *>(QStringLiteral("ComboFormat"))->isEnabled() ||
            h.window->findChild<QCheckBox *>(QStringLiteral("Check1"))->isEnabled())
            seen << QStringLiteral("format controls");
        if (h.button("CmdCancel")->isHidden())
            seen << QStringLiteral("CmdCancel hidden");
    });
    h.button("CmdCut")->click();
    QVERIFY(checked);
    QCOMPARE(seen, QStringList());
    // All undone.
    QVERIFY(h.button("CmdCancel")->isHidden());
    for (const char *name : {"CmdOpen", "CmdCut", "CmdHelp", "CmdSet", "CmdFF"})
        QVERIFY2(!h.button(name)->isHidden() && h.button(name)->isEnabled(), name);
    QCOMPARE(h.window->flgConvert, settings::kFalse);
}

void FormMainTest::cancelKeepsWhatWasWritten()
{
    Harness h(ini());
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 1, 15);
    h.dialogs.saveAnswers << QStringLiteral("/out/cut.mp3");
    QTimer::singleShot(0, h.window.get(), [&] { h.button("CmdCancel")->click(); });
    h.button("CmdCut")->click();
    QCOMPARE(h.factory.log.matching(QStringLiteral("FileW.writeBlock")).size(), 1);
    QVERIFY(h.factory.log.calls.contains(QStringLiteral("FileW.close()")));
    QVERIFY(!h.factory.log.calls.contains(QStringLiteral("FileW.discard()")));
    QCOMPARE(h.dialogs.messages.last().text, QStringLiteral("Saved - /out/cut.mp3"));
    // Tags go onto the file the cancelled cut made.
    QVERIFY(h.factory.information->written.count(QStringLiteral("/out/cut.mp3")));
}

void FormMainTest::failedJobSaysWhyAndCopiesNoTags()
{
    Harness h(ini());
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 1, 3);
    h.factory.files[1]->openFails = true; // FileR
    h.dialogs.saveAnswers << QStringLiteral("/out/cut.mp3");
    h.button("CmdCut")->click();
    QCOMPARE(h.dialogs.messages.size(), 1);
    QCOMPARE(h.dialogs.messages[0].title, QStringLiteral("Error"));
    QCOMPARE(h.dialogs.messages[0].icon, Dialogs::Icon::Critical);
    QCOMPARE(h.dialogs.messages[0].text.section(QStringLiteral("\r\n"), 0, 0),
             QStringLiteral("Error - "));
    QVERIFY(h.dialogs.messages[0].text.contains(QStringLiteral("Cannot open '/m/song.mp3'")));
    QVERIFY(h.factory.log.calls.contains(QStringLiteral("FileW.discard()")));
    QVERIFY(h.factory.information->written.empty());
    QCOMPARE(h.window->cutNumber, 2);
    QVERIFY(!h.button("CmdCut")->isHidden());
}

void FormMainTest::sourceIsNeverTheDestination()
{
    Harness h(ini());
    const QString source = m_dir.filePath(QStringLiteral("song.mp3"));
    QFile(source).open(QIODevice::WriteOnly);
    h.openAndSelect(source, 1, 3);
    h.dialogs.saveAnswers << m_dir.filePath(QStringLiteral("./song.mp3"))
                          << m_dir.filePath(QStringLiteral("other.mp3"));
    h.button("CmdCut")->click();
    QCOMPARE(h.dialogs.saveRequests.size(), 2);
    QCOMPARE(h.dialogs.messages[0].text,
             QStringLiteral("The destination must not be the source file."));
    QCOMPARE(h.dialogs.messages[0].title, QStringLiteral("Error"));
    QCOMPARE(h.dialogs.messages[1].text,
             QStringLiteral("Saved - ") + m_dir.filePath(QStringLiteral("other.mp3")));
}

void FormMainTest::wmaPrimesTheWriter()
{
    Harness h(ini());
    h.window->selectFormat(1);
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 1, 3);
    h.dialogs.saveAnswers << QStringLiteral("/out/cut.wma");
    h.button("CmdCut")->click();
    const QStringList creates = h.factory.log.matching(QStringLiteral("FileW.createForWriting"));
    QCOMPARE(creates, (QStringList{QStringLiteral("FileW.createForWriting(/out/cut.wma$.wav)"),
                                   QStringLiteral("FileW.createForWriting(/out/cut.wma)")}));
}

QTEST_MAIN(FormMainTest)
#include "tst_formmain_cut.moc"
