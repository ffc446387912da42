// Opening, playback, preview, positioning and selection in the main window, driven through
// its controls and the fake player's events.
#include "WindowHarness.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

namespace {

constexpr int32_t kRate = 44100;

struct Harness : WindowHarness
{
    using WindowHarness::WindowHarness;
    QString label(const char *name) const
    {
        return window->findChild<QLabel *>(QString::fromLatin1(name))->text();
    }
    // The player raises its events on the window's thread, each handled where it is raised.
    void timer(int32_t samples) { emit player().Timer(samples, 0, 0); }
    void endPlay() { emit player().EndPlay(); }
    void blockEvents()
    {
        emit player().RequestOnLoadArray();
        emit player().EndArrayPlay();
    }
    /// Opens a source of `seconds` through the Open button.
    void open(double seconds, const QString &path = QStringLiteral("/music/a.b/song.mp3"))
    {
        for (fakes::FakeAudioFile *file : factory.files)
            file->frames = int32_t(seconds * kRate);
        dialogs.openAnswers << path;
        button("CmdOpen")->click();
    }
    /// Runs a little script of user actions: "at N" releases the slider at N units, "thumb N"
    /// only moves it there (as while dragging), "F" and "FF" nudge forward, "play", "pause",
    /// "begin" and "end" click those buttons.
    void run(const QStringList &steps)
    {
        static const std::map<QString, const char *> buttons = {
            {QStringLiteral("F"), "CmdF"},
            {QStringLiteral("FF"), "CmdFF"},
            {QStringLiteral("play"), "CmdPausePlay"},
            {QStringLiteral("pause"), "CmdPausePlay"},
            {QStringLiteral("begin"), "CmdSelStart"},
            {QStringLiteral("end"), "CmdSelStop"}};
        for (const QString &step : steps) {
            if (step.startsWith(QStringLiteral("at "))) {
                slider()->setValue(step.mid(3).toInt());
                emit slider()->MouseUp(1, 0, 0.0f, 0.0f);
            } else if (step.startsWith(QStringLiteral("thumb "))) {
                slider()->setValue(step.mid(6).toInt());
            } else {
                QVERIFY2(buttons.count(step), qPrintable(step));
                button(buttons.at(step))->click();
            }
        }
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
    void endOfPlayReturnsToStart_data();
    void endOfPlayReturnsToStart();
    void lateEventsChangeNothing_data();
    void lateEventsChangeNothing();
    void heldSliderKeepsValue();
    void previewStopsAtFirstTickPastEnd();
    void resetEndsPreview();
    void nudgesClamp();
    void releaseAtTheEnd();
    void selectionFollowsTheSamples_data();
    void selectionFollowsTheSamples();
    void resetClearsTheSelection();

private:
    /// The window's own account of where it stands, for comparing whole states.
    static QString stance(const Harness &h)
    {
        return QStringLiteral("origin %1, current %2, thumb %3, %4, %5, %6")
            .arg(h.window->cutter().state().playOrigin)
            .arg(h.window->cutter().state().currentSample)
            .arg(h.slider()->Value())
            .arg(h.panel(4), h.button("CmdPausePlay")->text(),
                 h.player().running ? QStringLiteral("running") : QStringLiteral("stopped"));
    }
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
    QVERIFY(w.cutter().state().play != PlayState::NoSource);
    QVERIFY(w.cutter().state().play == PlayState::Paused);
    QCOMPARE(h.button("CmdPausePlay")->text(), QStringLiteral("Play"));
    QCOMPARE(w.cutter().state().smallStepSamples, 22050.0);
    QCOMPARE(w.cutter().state().largeStepSamples, 88200.0);
    QCOMPARE(w.cutter().state().totalSamples, 180.0 * kRate);
    QCOMPARE(w.cutter().state().blockSamples, kRate / 5);
    QCOMPARE(w.cutter().state().cutNumber, 1);
    QCOMPARE(h.label("LabelTime"), QStringLiteral("00:03:00"));
    QCOMPARE(h.label("LabelFileName"), QStringLiteral("/music/a.b/song.mp3"));
    // The description without commas and without its final ";".
    QCOMPARE(h.label("LabelFormatSource"),
             QStringLiteral("MPEG Layer 3; 44100 Hz; 128 Kbps; Stereo"));
    QCOMPARE(w.cutter().state().lastFolder, QStringLiteral("/music/a.b/"));
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
             (QStringList{
                 QStringLiteral("All supported files "
                                "(*.wma;*.mp3;*.wav;*.ogg;*.flac;*.opus;*.m4a;*.oga)"),
                 QStringLiteral("Windows Media Audio files (*.wma)"),
                 QStringLiteral("MPEG Audio files (*.mp3)"),
                 QStringLiteral("OGG Vorbis files (*.ogg)"), QStringLiteral("Wave files (*.wav)"),
                 QStringLiteral("FLAC files (*.flac)"), QStringLiteral("Opus files (*.opus)"),
                 QStringLiteral("M4A files (*.m4a)"), QStringLiteral("Ogg audio files (*.oga)")}));
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
    QVERIFY(h.window->cutter().state().play == PlayState::NoSource);
    QVERIFY(!h.slider()->isEnabled());
    for (const char *name : {"CmdPausePlay", "CmdSelStart", "CmdSelStop", "CmdB", "CmdFF"})
        QVERIFY2(!h.button(name)->isEnabled(), name);
    QCOMPARE(h.label("LabelFormatSource"), QString());
    // A folder whose file could not be used is not where the next dialog starts.
    QCOMPARE(h.window->cutter().state().lastFolder, QString());
}

void FormMainTest::cancelledDialogIsSilentAndResets()
{
    Harness h(ini());
    h.open(10);
    QVERIFY(h.window->cutter().state().play != PlayState::NoSource);
    h.open(10, QString());
    QVERIFY(h.dialogs.messages.isEmpty());
    QVERIFY(h.window->cutter().state().play == PlayState::NoSource);
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
    QCOMPARE(w.cutter().state().currentSample, 22050.0);
    QCOMPARE(h.slider()->Value(), 50);
    QCOMPARE(h.panel(4), QStringLiteral("Current: 00:00:00.5"));
    // Pausing takes the played count into playOrigin, and the marks follow it exactly.
    h.player().played = 30000;
    h.button("CmdPausePlay")->click();
    QCOMPARE(w.cutter().state().playOrigin, 30000);
    QCOMPARE(w.cutter().state().currentSample, 30000.0);
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

void FormMainTest::endOfPlayReturnsToStart_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::newRow("tick at the end") << QStringList{QStringLiteral("tick 10")};
    QTest::newRow("tick past the end") << QStringList{QStringLiteral("tick 12")};
    QTest::newRow("end of play") << QStringList{QStringLiteral("tick 5"),
                                                QStringLiteral("EndPlay")};
    QTest::newRow("last tick, then end of play")
        << QStringList{QStringLiteral("tick 10"), QStringLiteral("EndPlay")};
}

// However playback ends, the stored position, the thumb and "Current: " agree on the start,
// and what is marked and cut afterwards is what the panels say.
void FormMainTest::endOfPlayReturnsToStart()
{
    QFETCH(QStringList, events);
    Harness h(ini());
    h.open(10);
    FormMain &w = *h.window;
    h.run({QStringLiteral("play")});
    for (const QString &event : events) {
        if (event == QStringLiteral("EndPlay"))
            h.endPlay();
        else
            h.timer(int32_t(event.section(u' ', 1).toDouble() * kRate));
    }
    QCOMPARE(stance(h), QStringLiteral("origin 0, current 0, thumb 0, Current: 00:00:00, Play, "
                                       "stopped"));
    QVERIFY(w.cutter().state().play == PlayState::Paused);
    QVERIFY(w.cutter().state().play != PlayState::NoSource);
    QCOMPARE(h.audioFile().position, 0);
    // The next Play starts from the beginning again.
    h.run({QStringLiteral("play")});
    QCOMPARE(h.player().queue.at(0).at(0), 0.0f);
    h.run({QStringLiteral("pause")});

    h.run({QStringLiteral("begin"), QStringLiteral("FF"), QStringLiteral("end")});
    QCOMPARE(h.panel(2), QStringLiteral("Begin: 00:00:00"));
    QCOMPARE(h.panel(3), QStringLiteral("End: 00:00:02"));
    QCOMPARE(h.slider()->SelStart(), 0);
    QCOMPARE(h.slider()->SelLength(), 200);
    QVERIFY(h.button("CmdCut")->isEnabled());
    h.dialogs.saveAnswers << QStringLiteral("/out/cut.mp3");
    h.factory.log.calls.clear();
    h.button("CmdCut")->click();
    QCOMPARE(h.dialogs.messages.value(0).text, QStringLiteral("Saved - /out/cut.mp3"));
    QCOMPARE(h.factory.log.matching(QStringLiteral("FileW.writeBlock")),
             (QStringList{QStringLiteral("FileW.writeBlock(%1)").arg(kRate * 2),
                          QStringLiteral("FileW.writeBlock(%1)").arg(kRate * 2)}));
}

void FormMainTest::lateEventsChangeNothing_data()
{
    QTest::addColumn<QString>("event");
    QTest::newRow("tick raised before the pause") << QStringLiteral("tick 29");
    QTest::newRow("tick whose count passes the end") << QStringLiteral("tick 35");
    QTest::newRow("end of play") << QStringLiteral("EndPlay");
    QTest::newRow("block wanted") << QStringLiteral("block");
}

// Events of a run that a click has paused arrive too late to count: the window stays paused
// where it was paused, with output stopped and the reader where resuming will put it.
void FormMainTest::lateEventsChangeNothing()
{
    QFETCH(QString, event);
    Harness h(ini());
    h.open(60);
    h.run({QStringLiteral("play")});
    h.timer(29 * kRate);
    h.player().played = 30 * kRate;
    h.run({QStringLiteral("pause")});
    const QString paused = stance(h);
    QCOMPARE(paused, QStringLiteral("origin 1323000, current 1323000, thumb 500, Current: "
                                    "00:00:30, Play, stopped"));
    h.factory.log.calls.clear();

    if (event == QStringLiteral("EndPlay"))
        h.endPlay();
    else if (event == QStringLiteral("block"))
        h.blockEvents();
    else
        h.timer(int32_t(event.section(u' ', 1).toDouble() * kRate));

    QCOMPARE(stance(h), paused);
    QVERIFY(h.window->cutter().state().play == PlayState::Paused);
    QCOMPARE(h.factory.log.calls, QStringList());
    // Set Begin takes the paused position.
    h.run({QStringLiteral("begin")});
    QCOMPARE(h.panel(2), QStringLiteral("Begin: 00:00:30"));
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
    QCOMPARE(h.window->cutter().state().currentSample, double(kRate));
    // Dragging shows the time under the thumb; only the release moves the sound.
    emit h.slider()->MouseMove(1, 0, 12.0f, 5.0f);
    QCOMPARE(h.panel(4), QStringLiteral("Current: 00:00:07"));
    emit h.slider()->MouseUp(1, 0, 12.0f, 5.0f);
    QCOMPARE(h.window->cutter().state().playOrigin, 7 * kRate);
    QVERIFY(!h.window->cutter().state().flgSliderHeld);
    QCOMPARE(h.window->cutter().state().currentSample, 7.0 * kRate);
}

void FormMainTest::previewStopsAtFirstTickPastEnd()
{
    Harness h(ini());
    h.open(10);
    FormMain &w = *h.window;
    h.slider()->setValue(100);
    w.cutter().markBegin(kRate);
    h.slider()->setValue(300);
    w.cutter().markEnd(3 * kRate);
    QVERIFY(h.button("CmdPreview")->isEnabled());

    h.button("CmdPreview")->click();
    QCOMPARE(h.button("CmdPreview")->text(), QStringLiteral("Stop"));
    QCOMPARE(h.button("CmdPausePlay")->text(), QStringLiteral("Pause"));
    QCOMPARE(w.cutter().state().playOrigin, kRate);
    QCOMPARE(h.player().queue.at(0).at(0), float(kRate));
    h.timer(2 * kRate - 1);
    QVERIFY(w.cutter().state().play == PlayState::Previewing);
    QVERIFY(h.player().running);
    h.timer(2 * kRate + 2205);
    QVERIFY(w.cutter().state().play != PlayState::Previewing);
    QCOMPARE(h.button("CmdPreview")->text(), QStringLiteral("Preview"));
    // Paused where the preview stopped, and the Play button says what it will do.
    QCOMPARE(stance(h), QStringLiteral("origin 134505, current 134505, thumb 305, Current: "
                                       "00:00:03.05, Play, stopped"));
    QVERIFY(w.cutter().state().play == PlayState::Paused);
    QVERIFY(h.dialogs.messages.isEmpty());
    h.button("CmdPausePlay")->click();
    QCOMPARE(h.player().queue.at(0).at(0), float(3 * kRate + 2205));

    // Stopped early with a second click: paused where the sound was.
    h.button("CmdPreview")->click();
    h.player().played = kRate / 2;
    h.button("CmdPreview")->click();
    QCOMPARE(stance(h), QStringLiteral("origin 66150, current 66150, thumb 150, Current: "
                                       "00:00:01.5, Play, stopped"));
    QCOMPARE(h.button("CmdPreview")->text(), QStringLiteral("Preview"));

    // No selection: Preview does nothing.
    w.cutter().markEnd(w.cutter().state().selBeginSample);
    h.factory.log.calls.clear();
    w.cutter().preview();
    QVERIFY(h.factory.log.calls.isEmpty());
}

void FormMainTest::resetEndsPreview()
{
    Harness h(ini());
    h.open(10);
    h.slider()->setValue(100);
    h.window->cutter().markEnd(kRate);
    h.button("CmdPreview")->click();
    QVERIFY(h.window->cutter().state().play == PlayState::Previewing);
    h.open(10, QStringLiteral("/music/other.mp3"));
    QVERIFY(h.window->cutter().state().play != PlayState::Previewing);
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
    QCOMPARE(w.cutter().state().playOrigin, 0);
    QCOMPARE(h.audioFile().position, 0);
    h.button("CmdFF")->click();
    h.button("CmdF")->click();
    QCOMPARE(w.cutter().state().playOrigin, 2 * kRate + kRate / 2);
    QCOMPARE(w.cutter().state().currentSample, 2.5 * kRate);
    QCOMPARE(h.audioFile().position, 2 * kRate + kRate / 2);
    QCOMPARE(h.slider()->Value(), 250);
    QCOMPARE(h.panel(4), QStringLiteral("Current: 00:00:02.5"));
    for (int i = 0; i < 5; ++i)
        h.button("CmdFF")->click();
    QCOMPARE(w.cutter().state().playOrigin, 10 * kRate);
    QCOMPARE(h.slider()->Value(), 1000);
    h.button("CmdBB")->click();
    QCOMPARE(w.cutter().state().playOrigin, 8 * kRate);
}

void FormMainTest::releaseAtTheEnd()
{
    Harness h(ini());
    h.open(10);
    h.slider()->setValue(1000);
    h.factory.log.calls.clear();
    emit h.slider()->MouseUp(1, 0, 0.0f, 0.0f);
    QCOMPARE(h.window->cutter().state().playOrigin, 10 * kRate);
    QCOMPARE(h.factory.log.calls.mid(0, 2),
             (QStringList{QStringLiteral("AudioPlayer.resetQueue()"),
                          QStringLiteral("AudioFile.seek(440999)")}));
    // A key move repositions like a release; a key that moved nothing leaves the sound alone.
    h.slider()->setValue(490);
    QTest::keyClick(h.slider(), Qt::Key_PageDown);
    QCOMPARE(h.window->cutter().state().playOrigin, 5 * kRate);
    h.slider()->setValue(100);
    QTest::keyClick(h.slider(), Qt::Key_Up);
    QCOMPARE(h.window->cutter().state().playOrigin, 5 * kRate);
    // A click too.
    h.slider()->setValue(250);
    emit h.slider()->Click();
    QCOMPARE(h.window->cutter().state().playOrigin, 2 * kRate + kRate / 2);
    QCOMPARE(h.panel(4), QStringLiteral("Current: 00:00:02.5"));
}

void FormMainTest::selectionFollowsTheSamples_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("panels");
    const auto steps = [](const char *text) { return QString::fromLatin1(text).split(u','); };
    QTest::newRow("begin before end") << 10.0 << steps("at 100,begin,at 400,end") << true << 100
                                      << 300 << QStringLiteral("Begin: 00:00:01 End: 00:00:04");
    QTest::newRow("end first, from the start") << 10.0 << steps("at 300,end") << true << 0 << 300
                                               << QStringLiteral("Begin: 00:00:00 End: 00:00:03");
    QTest::newRow("begin after end") << 10.0 << steps("at 200,end,at 300,begin") << false << 300
                                     << 0 << QStringLiteral("Begin: 00:00:03 End: 00:00:02");
    QTest::newRow("begin equal to end") << 10.0 << steps("at 300,begin,end") << false << 300 << 0
                                        << QStringLiteral("Begin: 00:00:03 End: 00:00:03");
    QTest::newRow("end at the start") << 10.0 << steps("end,at 100,begin") << false << 100 << 0
                                      << QStringLiteral("Begin: 00:00:01 End: 00:00:00");
    QTest::newRow("thumb moved, sound not")
        << 10.0 << steps("at 100,begin,thumb 400,end") << false << 100 << 0
        << QStringLiteral("Begin: 00:00:01 End: 00:00:01");
    // Half a second of a 1000 s file falls in one slider unit: a band of no width, but a part.
    QTest::newRow("within one unit") << 1000.0 << steps("begin,F,end") << true << 0 << 0
                                     << QStringLiteral("Begin: 00:00:00 End: 00:00:00.5");
}

// The sample marks decide: the band, the panels, the buttons and the cut all follow them.
void FormMainTest::selectionFollowsTheSamples()
{
    QFETCH(double, seconds);
    QFETCH(QStringList, steps);
    QFETCH(bool, valid);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, panels);
    Harness h(ini());
    h.open(seconds);
    h.run(steps);
    QCOMPARE(h.panel(2) + u' ' + h.panel(3), panels);
    QCOMPARE(h.slider()->SelStart(), selStart);
    QCOMPARE(h.slider()->SelLength(), selLength);
    QCOMPARE(h.button("CmdPreview")->isEnabled(), valid);
    QCOMPARE(h.button("CmdCut")->isEnabled(), valid);

    h.dialogs.saveAnswers << QStringLiteral("/out/cut.mp3");
    h.factory.log.calls.clear();
    h.window->cutter().cut();
    if (valid) {
        QCOMPARE(h.dialogs.messages.value(0).text, QStringLiteral("Saved - /out/cut.mp3"));
        QVERIFY(!h.factory.log.matching(QStringLiteral("FileW.writeBlock")).isEmpty());
        return;
    }
    // Refused before any dialog: nothing is written, nothing is called saved.
    QVERIFY(h.dialogs.saveRequests.isEmpty());
    QCOMPARE(h.dialogs.messages.size(), 1);
    QCOMPARE(h.dialogs.messages[0].text,
             QStringLiteral("Nothing to save: the End mark must come after the Begin mark."));
    QVERIFY(h.factory.log.matching(QStringLiteral("FileW")).isEmpty());
    h.window->cutter().preview();
    QVERIFY(h.factory.log.calls.isEmpty());
}

void FormMainTest::resetClearsTheSelection()
{
    Harness h(ini());
    h.open(10);
    FormMain &w = *h.window;
    h.run({QStringLiteral("at 100"), QStringLiteral("begin"), QStringLiteral("at 400"),
           QStringLiteral("end")});
    // The reset clears the six selection fields and keeps the rest.
    w.cutter().ResetWindowState();
    QCOMPARE(w.cutter().state().selBegin, 0);
    QCOMPARE(w.cutter().state().selEnd, 0);
    QCOMPARE(w.cutter().state().selLength, 0);
    QCOMPARE(w.cutter().state().selBeginSample, 0.0);
    QCOMPARE(w.cutter().state().selEndSample, 0.0);
    QCOMPARE(w.cutter().state().currentSample, 0.0);
    QCOMPARE(w.cutter().state().cutNumber, 1);
    QCOMPARE(w.cutter().state().smallStepSamples, 22050.0);
    QCOMPARE(w.cutter().state().lastFolder, QStringLiteral("/music/a.b/"));
}

QTEST_MAIN(FormMainTest)
#include "tst_formmain_listening.moc"
