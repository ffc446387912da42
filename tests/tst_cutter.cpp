// The window's model without its widgets: one cut at a time whatever arrives during the job's
// breath, and sources longer than 2^31 frames.
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

    explicit ModelHarness(const QString &ini) : stored(ini, QSettings::IniFormat) {}
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

QTEST_MAIN(CutterTest)
#include "tst_cutter.moc"
