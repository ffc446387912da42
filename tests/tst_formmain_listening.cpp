// Opening, playback, preview, positioning and selection in the main window, driven through
// its controls and the fake player's events.
#include "WindowHarness.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int32_t kRate = 44100;

struct Harness : WindowHarness
{
    using WindowHarness::WindowHarness;
    QString label(const char *name) const
    {
        return window->findChild<QLabel *>(QString::fromLatin1(name))->text();
    }
    // The player's events reach the window queued, as from the player's thread.
    void timer(int32_t samples)
    {
        emit player().Timer(samples, 0, 0);
        QCoreApplication::processEvents();
    }
    void endPlay()
    {
        emit player().EndPlay();
        QCoreApplication::processEvents();
    }
    void blockEvents()
    {
        emit player().RequestOnLoadArray();
        emit player().EndArrayPlay();
        QCoreApplication::processEvents();
    }
    /// Opens a source of `seconds` through the Open button.
    void open(double seconds, const QString &path = QStringLiteral("/music/a.b/song.mp3"))
    {
        audioFile().frames = int32_t(seconds * kRate);
        dialogs.openAnswers << path;
        button("CmdOpen")->click();
    }
};

} // namespace

class FormMainTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void openPreparesPausedAtStart();
    void openDialogRequest();
    void totalTimeRounding_data();
    void totalTimeRounding();
    void openFailuresSayWhy_data();
    void openFailuresSayWhy();
    void cancelledDialogIsSilentAndResets();
    void silentPlayerShowsPanel();
    void playPauseResume();
    void timerAtAndPastTheEnd();
    void endPlayReturnsToStart();
    void heldSliderKeepsValue();
    void previewStopsAtFirstTickPastEnd();
    void resetEndsPreview();
    void nudgesClamp();
    void releaseAtTheEnd();
    void selection();

private:
    QString ini() const
    {
        return m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) +
                              QStringLiteral(".ini"));
    }
    QTemporaryDir m_dir;
};

void FormMainTest::openPreparesPausedAtStart()
{
    Harness h(ini());
    h.open(180);
    FormMain &w = *h.window;
    QCOMPARE(w.flgOpen, settings::kTrue);
    QCOMPARE(w.flgPaused, settings::kTrue);
    QCOMPARE(h.button("CmdPausePlay")->text(), QStringLiteral("Play"));
    QCOMPARE(w.smallStepSamples, 22050.0);
    QCOMPARE(w.largeStepSamples, 88200.0);
    QCOMPARE(w.totalSamples, 180.0 * kRate);
    QCOMPARE(w.blockSamples, kRate / 5);
    QCOMPARE(w.cutNumber, 1);
    QCOMPARE(h.label("LabelTime"), QStringLiteral("00:03:00"));
    QCOMPARE(h.label("LabelFileName"), QStringLiteral("/music/a.b/song.mp3"));
    // The description without commas and without its final ";".
    QCOMPARE(h.label("LabelFormatSource"),
             QStringLiteral("MPEG Layer 3; 44100 Hz; 128 Kbps; Stereo"));
    QCOMPARE(w.lastFolder, QStringLiteral("/music/a.b/"));
    QVERIFY(h.slider()->isEnabled());
    for (const char *name :
         {"CmdPausePlay", "CmdSelStart", "CmdSelStop", "CmdB", "CmdBB", "CmdF", "CmdFF"})
        QVERIFY2(h.button(name)->isEnabled(), name);
    QVERIFY(!h.button("CmdPreview")->isEnabled());
    QVERIFY(!h.button("CmdCut")->isEnabled());
    // One block queued, then output paused: the first block is not played twice later.
    QCOMPARE(h.factory.log.matching(QStringLiteral("AudioPlayer.queueBlock")).size(), 1);
    QVERIFY(!h.player().running);
    QCOMPARE(h.panel(1), QString());
}

void FormMainTest::openDialogRequest()
{
    Harness h(ini());
    h.open(10);
    h.open(10, QString()); // cancelled
    QCOMPARE(h.dialogs.openRequests.size(), 2);
    const Dialogs::FileRequest &first = h.dialogs.openRequests[0];
    QCOMPARE(first.folder, QString());
    QCOMPARE(first.selectedFilter, 0);
    QStringList descriptions;
    for (const auto &f : first.filters)
        descriptions << f.description;
    QCOMPARE(descriptions,
             (QStringList{QStringLiteral("All supported files (*.wma;*.mp3;*.wav;*.ogg)"),
                          QStringLiteral("Windows Media Audio files (*.wma)"),
                          QStringLiteral("MPEG Audio files (*.mp3)"),
                          QStringLiteral("OGG Vorbis files (*.ogg)"),
                          QStringLiteral("Wave files (*.wav)")}));
    QVERIFY(first.filters[0].patterns.contains(QStringLiteral("*.ogg")));
    QVERIFY(first.filters[0].patterns.contains(QStringLiteral("*.MP3")));
    QCOMPARE(h.dialogs.openRequests[1].folder, QStringLiteral("/music/a.b/"));
}

void FormMainTest::totalTimeRounding_data()
{
    QTest::addColumn<double>("seconds");
    QTest::newRow("89.5") << 89.5;
    QTest::newRow("90.5") << 90.5;
}

void FormMainTest::totalTimeRounding()
{
    QFETCH(double, seconds);
    Harness h(ini());
    h.open(seconds);
    QCOMPARE(h.label("LabelTime"), QStringLiteral("00:01:30"));
}

void FormMainTest::openFailuresSayWhy_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("information unreadable") << QStringLiteral("information");
    QTest::newRow("empty description") << QStringLiteral("description");
    QTest::newRow("open fails") << QStringLiteral("open");
    QTest::newRow("no frames") << QStringLiteral("empty");
}

// Each way a chosen file can turn out unusable gives one "Error" box naming the file, and
// the window is reset, not left half-enabled.
void FormMainTest::openFailuresSayWhy()
{
    QFETCH(QString, failure);
    Harness h(ini());
    h.factory.information->readFails = failure == QStringLiteral("information");
    if (failure == QStringLiteral("description"))
        h.factory.information->description.clear();
    h.audioFile().openFails = failure == QStringLiteral("open");
    h.open(failure == QStringLiteral("empty") ? 0 : 10);

    QCOMPARE(h.dialogs.messages.size(), 1);
    const auto &message = h.dialogs.messages.first();
    QCOMPARE(message.title, QStringLiteral("Error"));
    QCOMPARE(message.icon, Dialogs::Icon::Critical);
    QVERIFY2(message.text.startsWith(QStringLiteral("Cannot open 'song.mp3': ")),
             qPrintable(message.text));
    QVERIFY(!message.text.contains(QStringLiteral("Cannot open '/music")));
    QCOMPARE(h.window->flgOpen, settings::kFalse);
    QVERIFY(!h.slider()->isEnabled());
    for (const char *name : {"CmdPausePlay", "CmdSelStart", "CmdSelStop", "CmdB", "CmdFF"})
        QVERIFY2(!h.button(name)->isEnabled(), name);
    QCOMPARE(h.label("LabelFormatSource"), QString());
    // The folder is remembered all the same, for the next try.
    QCOMPARE(h.window->lastFolder, QStringLiteral("/music/a.b/"));
}

void FormMainTest::cancelledDialogIsSilentAndResets()
{
    Harness h(ini());
    h.open(10);
    QCOMPARE(h.window->flgOpen, settings::kTrue);
    h.open(10, QString());
    QVERIFY(h.dialogs.messages.isEmpty());
    QCOMPARE(h.window->flgOpen, settings::kFalse);
    QVERIFY(!h.audioFile().isOpen);
    QVERIFY(!h.slider()->isEnabled());
}

void FormMainTest::silentPlayerShowsPanel()
{
    Harness h(ini());
    h.player().silent = true;
    h.open(10);
    QCOMPARE(h.panel(1), QStringLiteral("No sound output device"));
    h.open(10, QString());
    QCOMPARE(h.panel(1), QString());
}

void FormMainTest::playPauseResume()
{
    Harness h(ini());
    h.open(10);
    FormMain &w = *h.window;
    h.button("CmdPausePlay")->click();
    QCOMPARE(h.button("CmdPausePlay")->text(), QStringLiteral("Pause"));
    QVERIFY(h.player().running);
    QCOMPARE(h.audioFile().position, kRate / 5); // seeked to 0, one block read
    h.timer(22050);
    QCOMPARE(w.currentSample, 22050.0);
    QCOMPARE(h.slider()->Value(), 50);
    QCOMPARE(h.panel(4), QStringLiteral("Current: 00:00:00.5"));
    // Pausing takes the played count into playOrigin, and the marks follow it exactly.
    h.player().played = 30000;
    h.button("CmdPausePlay")->click();
    QCOMPARE(w.playOrigin, 30000);
    QCOMPARE(w.currentSample, 30000.0);
    QCOMPARE(h.panel(4), QStringLiteral("Current: 00:00:00.68"));
    QVERIFY(!h.player().running);
    h.factory.log.calls.clear();
    h.button("CmdPausePlay")->click();
    QCOMPARE(h.factory.log.calls.mid(0, 3),
             (QStringList{QStringLiteral("AudioPlayer.startOutput()"),
                          QStringLiteral("AudioFile.seek(30000)"),
                          QStringLiteral("AudioFile.readBlock(8820)")}));
    QCOMPARE(h.player().queue.size(), size_t(1));
    QCOMPARE(h.player().queue[0][0], 30000.0f);
    // One block per block event.
    h.blockEvents();
    QCOMPARE(h.player().queue.size(), size_t(3));
}

void FormMainTest::timerAtAndPastTheEnd()
{
    Harness h(ini());
    h.open(10);
    FormMain &w = *h.window;
    h.button("CmdPausePlay")->click();
    h.player().played = 10 * kRate;
    h.timer(10 * kRate);
    QCOMPARE(h.slider()->Value(), 1000);
    QCOMPARE(h.button("CmdPausePlay")->text(), QStringLiteral("Play"));
    QCOMPARE(w.flgPaused, settings::kTrue);
    QCOMPARE(w.playOrigin, 10 * kRate);

    // Past the end: the slider stays at 1000 and the panel shows the total length.
    Harness p(ini());
    p.open(10);
    p.button("CmdPausePlay")->click();
    p.timer(12 * kRate);
    QCOMPARE(p.slider()->Value(), 1000);
    QCOMPARE(p.panel(4), QStringLiteral("Current: 00:00:10"));
    QCOMPARE(p.window->currentSample, 12.0 * kRate);
}

void FormMainTest::endPlayReturnsToStart()
{
    Harness h(ini());
    h.open(10);
    h.button("CmdPausePlay")->click();
    h.timer(5 * kRate);
    h.endPlay();
    QCOMPARE(h.slider()->Value(), 0);
    QCOMPARE(h.window->playOrigin, 0);
    QCOMPARE(h.window->flgPaused, settings::kTrue);
    QCOMPARE(h.button("CmdPausePlay")->text(), QStringLiteral("Play"));
    QCOMPARE(h.audioFile().position, 0);
    QVERIFY(!h.player().running);
    // The next Play starts from the beginning again.
    h.button("CmdPausePlay")->click();
    QCOMPARE(h.player().queue.at(0).at(0), 0.0f);
}

void FormMainTest::heldSliderKeepsValue()
{
    Harness h(ini());
    h.open(10);
    h.button("CmdPausePlay")->click();
    emit h.slider()->MouseDown(1, 0, 10.0f, 5.0f);
    h.slider()->setValue(700);
    h.timer(kRate);
    QCOMPARE(h.slider()->Value(), 700);
    QCOMPARE(h.panel(4), QStringLiteral("Current: 00:00:01"));
    QCOMPARE(h.window->currentSample, double(kRate));
    // Dragging shows the time under the thumb; only the release moves the sound.
    emit h.slider()->MouseMove(1, 0, 12.0f, 5.0f);
    QCOMPARE(h.panel(4), QStringLiteral("Current: 00:00:07"));
    emit h.slider()->MouseUp(1, 0, 12.0f, 5.0f);
    QCOMPARE(h.window->playOrigin, 7 * kRate);
    QCOMPARE(h.window->flgSliderHeld, settings::kFalse);
    QCOMPARE(h.window->currentSample, 7.0 * kRate);
}

void FormMainTest::previewStopsAtFirstTickPastEnd()
{
    Harness h(ini());
    h.open(10);
    FormMain &w = *h.window;
    h.slider()->setValue(100);
    w.currentSample = kRate;
    h.button("CmdSelStart")->click();
    h.slider()->setValue(300);
    w.currentSample = 3 * kRate;
    h.button("CmdSelStop")->click();
    QVERIFY(h.button("CmdPreview")->isEnabled());

    h.button("CmdPreview")->click();
    QCOMPARE(h.button("CmdPreview")->text(), QStringLiteral("Stop"));
    QCOMPARE(h.button("CmdPausePlay")->text(), QStringLiteral("Pause"));
    QCOMPARE(w.playOrigin, kRate);
    QCOMPARE(h.player().queue.at(0).at(0), float(kRate));
    h.timer(2 * kRate - 1);
    QCOMPARE(w.flgPreview, settings::kTrue);
    QVERIFY(h.player().running);
    h.timer(2 * kRate + 2205);
    QCOMPARE(w.flgPreview, settings::kFalse);
    QVERIFY(!h.player().running);
    QCOMPARE(h.button("CmdPreview")->text(), QStringLiteral("Preview"));
    QCOMPARE(h.button("CmdPausePlay")->text(), QStringLiteral("Pause"));
    QVERIFY(h.dialogs.messages.isEmpty());

    // No selection: Preview does nothing.
    h.slider()->setSelLength(0);
    h.factory.log.calls.clear();
    w.onCmdPreviewClick();
    QVERIFY(h.factory.log.calls.isEmpty());
}

void FormMainTest::resetEndsPreview()
{
    Harness h(ini());
    h.open(10);
    h.window->currentSample = kRate;
    h.slider()->setValue(100);
    h.button("CmdSelStop")->click();
    h.button("CmdPreview")->click();
    QCOMPARE(h.window->flgPreview, settings::kTrue);
    h.open(10, QStringLiteral("/music/other.mp3"));
    QCOMPARE(h.window->flgPreview, settings::kFalse);
    QCOMPARE(h.button("CmdPreview")->text(), QStringLiteral("Preview"));
    // The new file plays past its first tick.
    h.button("CmdPausePlay")->click();
    h.timer(4410);
    QVERIFY(h.player().running);
}

void FormMainTest::nudgesClamp()
{
    Harness h(ini());
    h.open(10);
    FormMain &w = *h.window;
    h.button("CmdB")->click();
    QCOMPARE(w.playOrigin, 0);
    QCOMPARE(h.audioFile().position, 0);
    h.button("CmdFF")->click();
    h.button("CmdF")->click();
    QCOMPARE(w.playOrigin, 2 * kRate + kRate / 2);
    QCOMPARE(w.currentSample, 2.5 * kRate);
    QCOMPARE(h.audioFile().position, 2 * kRate + kRate / 2);
    QCOMPARE(h.slider()->Value(), 250);
    QCOMPARE(h.panel(4), QStringLiteral("Current: 00:00:02.5"));
    for (int i = 0; i < 5; ++i)
        h.button("CmdFF")->click();
    QCOMPARE(w.playOrigin, 10 * kRate);
    QCOMPARE(h.slider()->Value(), 1000);
    h.button("CmdBB")->click();
    QCOMPARE(w.playOrigin, 8 * kRate);
}

void FormMainTest::releaseAtTheEnd()
{
    Harness h(ini());
    h.open(10);
    h.slider()->setValue(1000);
    h.factory.log.calls.clear();
    emit h.slider()->MouseUp(1, 0, 0.0f, 0.0f);
    QCOMPARE(h.window->playOrigin, 10 * kRate);
    QCOMPARE(h.factory.log.calls.mid(0, 2),
             (QStringList{QStringLiteral("AudioPlayer.resetQueue()"),
                          QStringLiteral("AudioFile.seek(440999)")}));
    // A key move repositions like a release; a click too.
    h.slider()->setValue(500);
    emit h.slider()->KeyUp(39, 0);
    QCOMPARE(h.window->playOrigin, 5 * kRate);
    h.slider()->setValue(250);
    emit h.slider()->Click();
    QCOMPARE(h.window->playOrigin, 2 * kRate + kRate / 2);
    QCOMPARE(h.panel(4), QStringLiteral("Current: 00:00:02.5"));
}

void FormMainTest::selection()
{
    Harness h(ini());
    h.open(10);
    FormMain &w = *h.window;
    // End at 0 means "no end"; Begin then leaves the selection empty.
    h.button("CmdSelStop")->click();
    h.slider()->setValue(100);
    h.button("CmdSelStart")->click();
    QCOMPARE(w.selLength, 0);
    QVERIFY(!h.button("CmdCut")->isEnabled());

    w.currentSample = 4 * kRate;
    h.slider()->setValue(400);
    h.button("CmdSelStop")->click();
    QCOMPARE(h.slider()->SelStart(), 100);
    QCOMPARE(h.slider()->SelLength(), 300);
    QVERIFY(h.button("CmdPreview")->isEnabled());
    QVERIFY(h.button("CmdCut")->isEnabled());
    QCOMPARE(w.selEndSample, 4.0 * kRate);
    QCOMPARE(h.panel(3), QStringLiteral("End: 00:00:04"));

    // Begin after End empties the selection but shows the new start.
    h.slider()->setValue(500);
    h.button("CmdSelStart")->click();
    QCOMPARE(w.selLength, 0);
    QCOMPARE(h.slider()->SelStart(), 500);
    QCOMPARE(h.slider()->SelLength(), 0);
    QVERIFY(!h.button("CmdPreview")->isEnabled());
    QVERIFY(!h.button("CmdCut")->isEnabled());

    // The reset clears the six selection fields and keeps the rest.
    w.ResetWindowState();
    QCOMPARE(w.selBegin, 0);
    QCOMPARE(w.selEnd, 0);
    QCOMPARE(w.selBeginSample, 0.0);
    QCOMPARE(w.selEndSample, 0.0);
    QCOMPARE(w.currentSample, 0.0);
    QCOMPARE(w.cutNumber, 1);
    QCOMPARE(w.smallStepSamples, 22050.0);
    QCOMPARE(w.lastFolder, QStringLiteral("/music/a.b/"));
}

QTEST_MAIN(FormMainTest)
#include "tst_formmain_listening.moc"
