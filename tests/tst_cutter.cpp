// The window's model without its widgets: one cut at a time whatever arrives during the job's
// breath, sources longer than 2^31 frames, and the part list with "Cut All".
#include "WindowHarness.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

/// The model over fake engine objects, answered dialogs and a scratch settings file.
struct ModelHarness
{
    fakes::FakeEngineFactory factory;
    FakeDialogs dialogs;
    QSettings stored;
    settings::SettingsStore store{stored};
    Cutter cutter{factory, dialogs, store};

    explicit ModelHarness(const QString &ini, bool withPeaks = false)
        : factory(withPeaks), stored(ini, QSettings::IniFormat)
    {}
    const CutterState &state() const { return cutter.state(); }
    void open(int64_t frames, int32_t rate = 44100)
    {
        for (fakes::FakeAudioFile *file : factory.files) {
            file->frames = frames;
            file->rate = rate;
        }
        dialogs.openAnswers << QStringLiteral("/m/long.mp3");
        cutter.open();
    }
    void select(int64_t begin, int64_t end)
    {
        cutter.markBegin(begin);
        cutter.markEnd(end);
    }
};

} // namespace

class CutterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void oneJobAtATime_data();
    void oneJobAtATime();
    void keysDuringTheBreathStartNoSecondJob();
    void sourcesBeyond32BitFrames();
    void partCommands_data();
    void partCommands();
    void cutAll_data();
    void cutAll();
    void partsKeptPerSourceAndCueSheets();
    void edgePreviews_data();
    void edgePreviews();
    void summaryFollowsShapeAndRingtoneLength();

private:
    QString ini() const
    {
        return m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) +
                              QString::fromLatin1(QTest::currentDataTag()) +
                              QStringLiteral(".ini"));
    }
    QTemporaryDir m_dir;
};

using Command = std::function<void(ModelHarness &)>;
Q_DECLARE_METATYPE(Command)
Q_DECLARE_METATYPE(PlayState)

void CutterTest::oneJobAtATime_data()
{
    QTest::addColumn<Command>("during");
    QTest::addColumn<bool>("closes");
    // What a user can do while the first block is written: each must wait for the job.
    QTest::newRow("cancel then cut") << Command([](ModelHarness &h) {
        h.cutter.cancel();
        h.dialogs.saveAnswers << QStringLiteral("/out/second.mp3");
        h.cutter.cut();
    }) << false;
    QTest::newRow("cancel then open") << Command([](ModelHarness &h) {
        h.cutter.cancel();
        h.dialogs.openAnswers << QStringLiteral("/m/other.mp3");
        h.cutter.open();
        h.cutter.openFile(QStringLiteral("/m/other.mp3"));
    }) << false;
    QTest::newRow("cancel then another format") << Command([](ModelHarness &h) {
        h.cutter.cancel();
        QVERIFY(!h.cutter.selectFormat(2));
        h.cutter.editOutput(
            [](const engine::OutputChoice &) -> std::optional<engine::OutputChoice> {
                [] { QFAIL("an option dialog opened"); }();
                return std::nullopt;
            });
    }) << false;
    QTest::newRow("cancel then preview and marks") << Command([](ModelHarness &h) {
        h.cutter.cancel();
        h.cutter.preview();
        h.cutter.TogglePause();
        h.cutter.markBegin(0);
    }) << false;
    QTest::newRow("close then cut") << Command([](ModelHarness &h) {
        QVERIFY(!h.cutter.requestClose());
        h.dialogs.saveAnswers << QStringLiteral("/out/second.mp3");
        h.cutter.cut();
    }) << true;
}

void CutterTest::oneJobAtATime()
{
    QFETCH(Command, during);
    QFETCH(bool, closes);
    ModelHarness h(ini());
    h.open(20 * 44100);
    h.select(44100, 15 * 44100);
    h.dialogs.saveAnswers << QStringLiteral("/out/first.mp3");
    QSignalSpy closeWanted(&h.cutter, &Cutter::closeWanted);
    bool cancelledStateSeen = false;
    QTimer::singleShot(0, &h.cutter, [&] {
        during(h);
        // Still busy until the job has returned from its block.
        cancelledStateSeen = h.cutter.isBusy() && h.state().cancelRequested;
    });
    h.cutter.cut();

    QVERIFY(cancelledStateSeen);
    QCOMPARE(h.dialogs.saveRequests.size(), 1);
    QCOMPARE(h.factory.log.matching(QStringLiteral("FileW.createForWriting")),
             QStringList{QStringLiteral("FileW.createForWriting(/out/first.mp3)")});
    QCOMPARE(h.factory.log.matching(QStringLiteral("FileW.writeBlock")).size(), 1);
    QCOMPARE(h.factory.log.matching(QStringLiteral("FileW.close()")).size(), 1);
    QCOMPARE(h.state().sourcePath, QStringLiteral("/m/long.mp3"));
    QCOMPARE(h.cutter.output().format, engine::OutputFormat::Mp3);
    QVERIFY(!h.cutter.isBusy());
    QCOMPARE(h.state().play, PlayState::Paused);
    if (closes) {
        QCOMPARE(closeWanted.size(), 1);
        QVERIFY(h.dialogs.messages.isEmpty());
    } else {
        QCOMPARE(closeWanted.size(), 0);
        QCOMPARE(h.dialogs.messages.size(), 1);
        QCOMPARE(h.dialogs.messages[0].text, QStringLiteral("Saved - /out/first.mp3"));
    }
    // After the job the commands work again.
    h.dialogs.saveAnswers << QStringLiteral("/out/again.mp3");
    h.cutter.cut();
    QCOMPARE(h.dialogs.saveRequests.size(), 2);
}

// The keys of a user who cancels and starts again at once, delivered in one breath of the job.
void CutterTest::keysDuringTheBreathStartNoSecondJob()
{
    WindowHarness h(ini());
    for (fakes::FakeAudioFile *file : h.factory.files)
        file->frames = 20 * 44100;
    h.dialogs.openAnswers << QStringLiteral("/m/song.mp3");
    h.button("CmdOpen")->click();
    h.window->cutter().markBegin(44100);
    h.window->cutter().markEnd(15 * 44100);
    h.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
    h.dialogs.saveAnswers << QStringLiteral("/out/first.mp3") << QStringLiteral("/out/second.mp3");
    bool cancelDisabled = false;
    QTimer::singleShot(0, h.window.get(), [&] {
        QTest::keyClick(h.window.get(), Qt::Key_Escape);
        QTest::keyClick(h.window.get(), Qt::Key_K, Qt::ControlModifier);
        cancelDisabled = !h.button("CmdCancel")->isEnabled() && h.button("CmdCut")->isHidden();
    });
    QTest::keyClick(h.window.get(), Qt::Key_K, Qt::ControlModifier);
    QVERIFY(cancelDisabled);
    QCOMPARE(h.dialogs.saveRequests.size(), 1);
    QCOMPARE(h.dialogs.messages.size(), 1);
    QCOMPARE(h.dialogs.messages[0].text, QStringLiteral("Saved - /out/first.mp3"));
    QVERIFY(h.button("CmdCancel")->isHidden());
    QVERIFY(!h.button("CmdCut")->isHidden() && h.button("CmdCut")->isEnabled());
}

// 3,000,000,000 frames at 48 kHz: 17 h 21 min 40 s, more than a 32-bit frame number holds.
void CutterTest::sourcesBeyond32BitFrames()
{
    constexpr int64_t kFrames = 3'000'000'000;
    constexpr int32_t kRate = 48000;
    ModelHarness h(ini());
    QSignalSpy thumb(&h.cutter, &Cutter::thumbMoved);
    h.open(kFrames, kRate);
    QCOMPARE(h.state().play, PlayState::Paused);
    QCOMPARE(h.state().totalSamples, kFrames);
    QCOMPARE(h.state().totalSeconds, 62500);

    const int64_t lastMinute = kFrames - 60 * kRate;
    h.cutter.pickPosition(lastMinute);
    QCOMPARE(h.state().playOrigin, lastMinute);
    QCOMPARE(thumb.last().at(0).toInt(), 999);
    QVERIFY(h.factory.log.calls.contains(QStringLiteral("AudioFile.seek(%1)").arg(lastMinute)));
    QSignalSpy panels(&h.cutter, &Cutter::panelChanged);
    h.cutter.setBegin();
    h.cutter.RepositionFromSlider(1000, false);
    QCOMPARE(h.state().playOrigin, kFrames);
    h.cutter.setEnd();
    QCOMPARE(h.state().selBeginSample, lastMinute);
    QCOMPARE(h.state().selEndSample, kFrames);
    QCOMPARE(panels.at(0).at(1).toString(), QStringLiteral("Begin: 17:20:40"));
    QCOMPARE(panels.last().at(1).toString(), QStringLiteral("End: 17:21:40"));

    // Playing on from the last minute counts on past 2^31 frames.
    h.cutter.pickPosition(lastMinute);
    h.cutter.TogglePause();
    emit h.factory.player->Timer(30 * kRate, 0, 0);
    QCOMPARE(h.state().currentSample, lastMinute + 30 * kRate);
    h.cutter.TogglePause();

    h.dialogs.saveAnswers << QStringLiteral("/out/last-minute.mp3");
    h.factory.log.calls.clear();
    h.cutter.cut();
    QVERIFY(h.factory.log.calls.contains(QStringLiteral("FileR.seek(%1)").arg(lastMinute)));
    const QStringList writes = h.factory.log.matching(QStringLiteral("FileW.writeBlock"));
    QCOMPARE(writes.size(), 60);
    QCOMPARE(writes.last(), QStringLiteral("FileW.writeBlock(%1)").arg(2 * kRate));
    QCOMPARE(h.dialogs.messages.last().text, QStringLiteral("Saved - /out/last-minute.mp3"));
}

namespace {

constexpr int64_t kSecond = 44100;

/// A part list as "begin-end" in seconds, the selected row marked with '*'.
QString partsText(const CutterState &state)
{
    QStringList texts;
    for (size_t i = 0; i < state.parts.parts.size(); ++i) {
        const engine::Part &part = state.parts.parts[i];
        texts << QStringLiteral("%1-%2%3")
                     .arg(double(part.begin) / kSecond)
                     .arg(double(part.end) / kSecond)
                     .arg(int(i) == state.selectedPart ? QStringLiteral("*") : QString());
    }
    return texts.join(u' ');
}

void positionAt(ModelHarness &h, double seconds)
{
    h.cutter.RepositionToSample(int64_t(seconds * kSecond), false);
}

} // namespace

void CutterTest::partCommands_data()
{
    QTest::addColumn<Command>("commands");
    QTest::addColumn<QString>("parts");
    // The marks after the commands, seconds.
    QTest::addColumn<double>("begin");
    QTest::addColumn<double>("end");
    const auto add = [](double begin, double end) {
        return [begin, end](ModelHarness &h) {
            h.select(int64_t(begin * kSecond), int64_t(end * kSecond));
            h.cutter.addPart();
        };
    };
    QTest::newRow("add selects the new part")
        << Command(add(1, 5)) << QStringLiteral("1-5*") << 1.0 << 5.0;
    QTest::newRow("no part of an empty selection") << Command(add(5, 1)) << QString() << 5.0 << 1.0;
    QTest::newRow("split the whole file at the position") << Command([](ModelHarness &h) {
        positionAt(h, 8);
        h.cutter.splitHere();
    }) << QStringLiteral("0-8 8-20*") << 8.0 << 20.0;
    QTest::newRow("split the selected part, its title on both halves")
        << Command([add](ModelHarness &h) {
               add(1, 5)(h);
               add(10, 15)(h);
               h.cutter.setPartTitle(0, QStringLiteral("Intro"));
               h.cutter.selectPart(0);
               positionAt(h, 3);
               h.cutter.splitHere();
               QCOMPARE(h.state().parts.parts[1].title, QStringLiteral("Intro"));
           })
        << QStringLiteral("1-3 3-5* 10-15") << 3.0 << 5.0;
    QTest::newRow("split between parts does nothing") << Command([add](ModelHarness &h) {
        add(1, 5)(h);
        positionAt(h, 8);
        h.cutter.splitHere();
    }) << QStringLiteral("1-5*") << 1.0 << 5.0;
    QTest::newRow("remove keeps the marks") << Command([add](ModelHarness &h) {
        add(1, 5)(h);
        add(6, 9)(h);
        h.cutter.selectPart(0);
        h.cutter.removePart();
    }) << QStringLiteral("6-9") << 1.0 << 5.0;
    QTest::newRow("marks edit the selected part") << Command([add](ModelHarness &h) {
        add(1, 5)(h);
        add(6, 9)(h);
        h.cutter.selectPart(0);
        h.cutter.markEnd(4 * kSecond);
    }) << QStringLiteral("1-4* 6-9") << 1.0 << 4.0;
    QTest::newRow("after deselecting the marks are the plain selection")
        << Command([add](ModelHarness &h) {
               add(1, 5)(h);
               h.cutter.selectPart(-1);
               h.cutter.markEnd(7 * kSecond);
           })
        << QStringLiteral("1-5") << 1.0 << 7.0;
    QTest::newRow("trim silence of the selected part") << Command([add](ModelHarness &h) {
        add(0, 20)(h);
        h.factory.pauses = {
            {0, 2 * kSecond}, {9 * kSecond, 11 * kSecond}, {18 * kSecond, 20 * kSecond}};
        h.cutter.trimSilence();
    }) << QStringLiteral("2-18*") << 2.0 << 18.0;
}

void CutterTest::partCommands()
{
    QFETCH(Command, commands);
    QFETCH(QString, parts);
    QFETCH(double, begin);
    QFETCH(double, end);
    ModelHarness h(ini(), true);
    h.open(20 * kSecond);
    commands(h);
    QCOMPARE(partsText(h.state()), parts);
    QCOMPARE(double(h.state().selBeginSample) / kSecond, begin);
    QCOMPARE(double(h.state().selEndSample) / kSecond, end);
}

void CutterTest::cutAll_data()
{
    QTest::addColumn<Command>("setUp");
    QTest::addColumn<Command>("during");
    QTest::addColumn<int>("writers");
    QTest::addColumn<QString>("outcome");
    const Command nothing = [](ModelHarness &) {};
    QTest::newRow("saved") << nothing << nothing << 3 << QStringLiteral("Saved 3 files to %1");
    QTest::newRow("cancelled in the first part")
        << nothing << Command([](ModelHarness &h) { h.cutter.cancel(); }) << 1
        << QStringLiteral("Cancelled: 0 of 3 files saved to %1");
    // Inside the job's breath nothing starts a second job or changes the list.
    QTest::newRow("commands during the job wait") << nothing << Command([](ModelHarness &h) {
        h.cutter.cutAll();
        h.cutter.cut();
        h.cutter.addPart();
        h.cutter.splitHere();
        h.cutter.selectPart(-1);
        h.cutter.importCue();
    }) << 3 << QStringLiteral("Saved 3 files to %1");
    QTest::newRow("a write fails")
        << Command([](ModelHarness &h) { h.factory.writesBeforeFailure = 6; }) << nothing << 2
        << QStringLiteral("Error - ");
}

void CutterTest::cutAll()
{
    QFETCH(Command, setUp);
    QFETCH(Command, during);
    QFETCH(int, writers);
    QFETCH(QString, outcome);
    ModelHarness h(ini());
    h.open(20 * kSecond);
    for (const auto &[begin, end] : {std::pair{0, 4}, {4, 9}, {12, 20}}) {
        h.select(begin * kSecond, end * kSecond);
        h.cutter.addPart();
    }
    h.cutter.setPartTitle(0, QStringLiteral("Eins"));
    h.cutter.setPartTitle(1, QStringLiteral("Zwei/Drei"));
    h.cutter.setPartTitle(2, QStringLiteral("Für dich"));
    setUp(h);
    const QString folder =
        m_dir.filePath(QStringLiteral("parts-") + QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(folder));
    h.dialogs.folderAnswers << folder;
    h.dialogs.templateAnswers << QStringLiteral("{n} {title}");
    QTimer::singleShot(0, &h.cutter, [&] { during(h); });
    h.cutter.cutAll();

    QCOMPARE(h.dialogs.folderStarts.size(), 1);
    QCOMPARE(h.dialogs.shownNames.value(0),
             QStringList({QStringLiteral("1 Eins.mp3"), QStringLiteral("2 Zwei_Drei.mp3"),
                          QStringLiteral("3 Für dich.mp3")}));
    const QStringList created = h.factory.log.matching(QStringLiteral("FileW.createForWriting"));
    QCOMPARE(created.size(), writers);
    QVERIFY(created[0].contains(QDir(folder).filePath(QStringLiteral("1 Eins.mp3"))));
    QCOMPARE(h.dialogs.messages.size(), 1);
    QVERIFY2(h.dialogs.messages[0].text.startsWith(outcome.arg(folder)),
             qPrintable(h.dialogs.messages[0].text));
    QCOMPARE(h.store.ReadSetting(QStringLiteral("PartTemplate")), QStringLiteral("{n} {title}"));
    QVERIFY(!h.cutter.isBusy());
    QCOMPARE(h.state().parts.parts.size(), size_t(3));

    // Files there already: one question for all of them, and No goes back to the folder.
    QFile existing(QDir(folder).filePath(QStringLiteral("3 Für dich.mp3")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    h.factory.log.calls.clear();
    h.dialogs.folderAnswers << folder;
    h.dialogs.templateAnswers << QString();
    h.cutter.cutAll();
    QCOMPARE(h.dialogs.questions, QStringList{QStringLiteral("Replace 1 existing file?")});
    QCOMPARE(h.dialogs.folderStarts.size(), 3);
    QVERIFY(h.factory.log.matching(QStringLiteral("FileW.createForWriting")).isEmpty());
}

void CutterTest::partsKeptPerSourceAndCueSheets()
{
    ModelHarness h(ini());
    h.open(20 * kSecond);
    h.select(kSecond, 5 * kSecond);
    h.cutter.addPart();
    h.cutter.setPartTitle(0, QStringLiteral("Erste"));

    // Another source shows its own parts; the first one's come back with it.
    const QString album = m_dir.filePath(QStringLiteral("album.flac"));
    QFile sheet(m_dir.filePath(QStringLiteral("album.cue")));
    QVERIFY(sheet.open(QIODevice::WriteOnly));
    sheet.close();
    h.factory.cueParts.parts = {{0, 6 * kSecond, QStringLiteral("A"), {}},
                                {6 * kSecond, 14 * kSecond, QStringLiteral("B"), {}},
                                {14 * kSecond, 20 * kSecond, QStringLiteral("C"), {}}};
    QSignalSpy panels(&h.cutter, &Cutter::panelChanged);
    h.cutter.openFile(album);
    QVERIFY(h.state().parts.parts.empty());
    // A sheet beside the source is offered, not loaded.
    QVERIFY(panels.last().at(1).toString().contains(
        QStringLiteral("Cue sheet found: 3 tracks. Press Ctrl+I to load it.")));
    h.dialogs.openAnswers << sheet.fileName();
    h.cutter.importCue();
    QCOMPARE(partsText(h.state()), QStringLiteral("0-6 6-14 14-20"));
    QCOMPARE(h.state().parts.parts[2].title, QStringLiteral("C"));
    // A second import asks before it replaces the list; No keeps it.
    h.cutter.selectPart(1);
    h.cutter.removePart();
    h.dialogs.openAnswers << sheet.fileName();
    h.cutter.importCue();
    QCOMPARE(h.dialogs.questions,
             QStringList{
                 QStringLiteral("Replace the 2 parts in the list with the cue sheet's tracks?")});
    QCOMPARE(partsText(h.state()), QStringLiteral("0-6 14-20"));

    h.cutter.openFile(QStringLiteral("/m/long.mp3"));
    QCOMPARE(partsText(h.state()), QStringLiteral("1-5"));
    QCOMPARE(h.state().parts.parts[0].title, QStringLiteral("Erste"));
    h.cutter.openFile(album);
    QCOMPARE(partsText(h.state()), QStringLiteral("0-6 14-20"));

    // Only the 20 sources used last keep their lists.
    for (int i = 0; i < settings::SettingsStore::kRecentPartLists; ++i)
        h.store.WriteParts(QStringLiteral("/m/%1.mp3").arg(i), {{{0, 10, {}, {}}}, {}, {}});
    QVERIFY(h.store.ReadParts(album).parts.empty());
    QCOMPARE(h.store.ReadParts(QStringLiteral("/m/0.mp3")).parts.size(), size_t(1));
}

void CutterTest::edgePreviews_data()
{
    QTest::addColumn<QString>("edgeSeconds"); // as stored; empty: none stored
    QTest::addColumn<Command>("listen");
    QTest::addColumn<double>("from");       // where the run starts, seconds
    QTest::addColumn<double>("queuedUpTo"); // the end of the last block queued
    QTest::addColumn<double>("tick");       // what the player then reports heard, seconds
    QTest::addColumn<bool>("endPlay");      // ... and then that everything was heard
    QTest::addColumn<PlayState>("after");
    QTest::addColumn<double>("origin"); // where the sound stands then
    const auto end = Command([](ModelHarness &h) { h.cutter.playEnd(); });
    QTest::newRow("play end stops exactly at End")
        << QString() << end << 8.0 << 10.0 << 2.0 << true << PlayState::Paused << 10.0;
    QTest::newRow("play end with its own length")
        << QStringLiteral("0.5") << end << 9.5 << 10.0 << 0.5 << true << PlayState::Paused << 10.0;
    QTest::newRow("play begin: two seconds from Begin")
        << QString() << Command([](ModelHarness &h) { h.cutter.playBegin(); }) << 5.0 << 20.0 << 2.1
        << false << PlayState::Paused << 7.1;
    QTest::newRow("a looped preview starts again at Begin")
        << QString() << Command([](ModelHarness &h) {
               h.cutter.setLoop(true);
               h.cutter.preview();
           })
        << 5.0 << 20.0 << 5.05 << false << PlayState::Previewing << 5.0;
    QTest::newRow("an edge preview does not loop") << QString() << Command([](ModelHarness &h) {
        h.cutter.setLoop(true);
        h.cutter.playBegin();
    }) << 5.0 << 20.0 << 2.1 << false << PlayState::Paused
                                                   << 7.1;
    QTest::newRow("a stored length that is none keeps two seconds")
        << QStringLiteral("-3") << end << 8.0 << 10.0 << 2.0 << true << PlayState::Paused << 10.0;
}

void CutterTest::edgePreviews()
{
    QFETCH(QString, edgeSeconds);
    QFETCH(Command, listen);
    QFETCH(double, from);
    QFETCH(double, queuedUpTo);
    QFETCH(double, tick);
    QFETCH(bool, endPlay);
    QFETCH(PlayState, after);
    QFETCH(double, origin);
    if (!edgeSeconds.isEmpty()) {
        QSettings preset(ini(), QSettings::IniFormat);
        preset.setValue(QStringLiteral("EdgeSeconds"), edgeSeconds);
    }
    ModelHarness h(ini());
    h.open(20 * kSecond);
    h.select(5 * kSecond, 10 * kSecond);
    h.factory.log.calls.clear();
    listen(h);
    QCOMPARE(h.factory.log.matching(QStringLiteral("AudioFile.seek")).value(0),
             QStringLiteral("AudioFile.seek(%1)").arg(int64_t(from * kSecond)));
    QCOMPARE(h.state().play, PlayState::Previewing);
    // The player asks for blocks until none comes: a capped run's last one ends at End.
    fakes::FakePlayer &player = *h.factory.player;
    for (int i = 0; i < 200; ++i)
        emit player.RequestOnLoadArray();
    QVERIFY(!player.queue.empty());
    QCOMPARE(double(player.queue.back().back()) + 1, queuedUpTo * kSecond);
    h.factory.log.calls.clear();
    emit player.Timer(int64_t(tick * kSecond), 0, 0);
    if (endPlay)
        emit player.EndPlay();
    QCOMPARE(h.state().play, after);
    QCOMPARE(double(h.state().playOrigin) / kSecond, origin);
    if (after == PlayState::Previewing) // it started again where the part begins
        QVERIFY(
            h.factory.log.calls.contains(QStringLiteral("AudioFile.seek(%1)").arg(5 * kSecond)));
}

// The summary names the shaping, says when keeping the encoding must give way to it, and warns
// of a ringtone longer than phones take as the selection grows past 40 s and back.
void CutterTest::summaryFollowsShapeAndRingtoneLength()
{
    ModelHarness h(ini());
    h.open(60 * kSecond);
    QVERIFY(h.cutter.selectFormat(int(engine::OutputFormat::M4a)));
    h.cutter.editOutput([](engine::OutputChoice output) {
        output.m4a.ringtone = true;
        output.keepEncoding = true;
        return std::optional(output);
    });
    const QString warning = QStringLiteral(" (longer than 40 s: phones may refuse it)");
    h.select(0, 30 * kSecond);
    QCOMPARE(h.state().summaryLine,
             h.factory.copier->description + QStringLiteral(", no re-encoding"));
    h.cutter.markEnd(45 * kSecond);
    QVERIFY2(h.state().summaryLine.endsWith(warning), qPrintable(h.state().summaryLine));
    engine::ShapeSettings shape;
    shape.fadeOutSeconds = 2;
    shape.normaliseLufs = -16;
    h.cutter.setShape(shape);
    QCOMPARE(h.state().summaryLine,
             QStringLiteral("M4A; fade 0.0 s / 2.0 s; to -16 LUFS (re-encoded: fades and loudness "
                            "change the sound)") +
                 warning);
    QVERIFY(!h.state().copies);
    h.cutter.markEnd(40 * kSecond);
    QVERIFY(!h.state().summaryLine.endsWith(warning));
    QCOMPARE(h.store.ReadOutput().shape, shape);
}

QTEST_MAIN(CutterTest)
#include "tst_cutter.moc"
