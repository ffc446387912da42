// The player driven the way the main window drives it: one block per block event, pause by
// stopping output, reposition by resetting the queue. Every case runs on the default device
// (a real sound server, skipped when there is none) and on the silent output. Timing bounds
// are deliberately loose: they catch a player that stalls, races ahead or repeats blocks, not
// a few milliseconds of scheduling. What needs no sound server is in tst_playback_queue.
#include "engine/play/QtAudioPlayer.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QThread>
#include <QtTest>

#include <memory>

using engine::QtAudioPlayer;

namespace {

constexpr int kRate = 44100;
constexpr float kLeft = 0.5f;    // levels 16384 …
constexpr float kRight = -0.25f; // … and 8192 in the player's 0..32767 scale

struct Heard
{
    enum Kind
    {
        Timer,
        Request,
        Finished,
        End
    } kind;
    qint64 wallMs;
    int32_t samples = 0;
    int32_t left = 0;
    int32_t right = 0;
};

/// The window's playback handling over a synthetic stereo source of `frames` frames.
class WindowModel : public QObject
{
public:
    WindowModel(engine::AudioPlayer &player, int64_t frames) : m_player(player), total(frames)
    {
        connect(&player, &engine::AudioPlayer::Timer, this,
                [this](int32_t s, int32_t l, int32_t r) {
                    record(Heard::Timer, s, l, r);
                    if (pauseAtEnd && playOrigin + s >= total)
                        togglePause();
                });
        connect(&player, &engine::AudioPlayer::RequestOnLoadArray, this, [this] {
            record(Heard::Request);
            feedBlock();
        });
        connect(&player, &engine::AudioPlayer::EndArrayPlay, this, [this] {
            record(Heard::Finished);
            feedBlock();
        });
        connect(&player, &engine::AudioPlayer::EndPlay, this, [this] {
            record(Heard::End);
            QVERIFY(m_player.stopOutput());
            playOrigin = 0;
            paused = true;
            position = 0;
        });
    }

    void open()
    {
        QVERIFY(m_player.setPlayerFormat(kRate, 2));
        blockFrames = m_player.blockSizeForMilliseconds(200).value();
        QVERIFY(m_player.startOutput());
        isOpen = true;
        feedBlock();
        paused = false;
        togglePause();
    }
    void togglePause()
    {
        if (!paused) {
            paused = true;
            playOrigin += m_player.playedSamples().value();
            QVERIFY(m_player.stopOutput());
            return;
        }
        paused = false;
        QVERIFY(m_player.startOutput());
        beginRun();
        position = playOrigin;
        feedBlock();
    }
    void reposition(int64_t frame)
    {
        QVERIFY(m_player.resetQueue());
        beginRun();
        position = frame;
        playOrigin = frame;
        feedBlock();
        feedBlock();
    }
    void feedBlock()
    {
        const int64_t n = std::min<int64_t>(blockFrames, total - position);
        if (!isOpen || n < 1)
            return;
        engine::SampleBlock block(static_cast<size_t>(n) * 2);
        for (size_t i = 0; i < block.size(); i += 2) {
            block[i] = kLeft;
            block[i + 1] = kRight;
        }
        QVERIFY(m_player.queueBlock(block));
        position += n;
        ++blocksQueued;
        framesQueued += n;
    }
    /// Events of the current run; a run starts with output and again at a reposition.
    void beginRun()
    {
        events.clear();
        blocksQueued = 0;
        framesQueued = 0;
        clock.start();
    }
    int count(Heard::Kind kind) const
    {
        return int(std::count_if(events.begin(), events.end(),
                                 [kind](const Heard &e) { return e.kind == kind; }));
    }
    const Heard *last(Heard::Kind kind) const
    {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->kind == kind)
                return &*it;
        return nullptr;
    }
    int32_t lastTimerSamples() const
    {
        return last(Heard::Timer) ? last(Heard::Timer)->samples : -1;
    }

    engine::AudioPlayer &m_player;
    const int64_t total;
    int32_t blockFrames = 0;
    int64_t position = 0;
    int64_t playOrigin = 0;
    bool isOpen = false;
    bool paused = true;
    bool pauseAtEnd = false;
    int blocksQueued = 0;
    int64_t framesQueued = 0;
    QElapsedTimer clock;
    std::vector<Heard> events;

private:
    void record(Heard::Kind kind, int32_t samples = 0, int32_t left = 0, int32_t right = 0)
    {
        events.push_back(Heard{kind, clock.elapsed(), samples, left, right});
    }
};

} // namespace

class PlayerTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QtAudioPlayer> makePlayer()
    {
        QFETCH(bool, device);
        if (device && QMediaDevices::defaultAudioOutput().isNull())
            return nullptr;
        auto player = std::make_unique<QtAudioPlayer>(QtAudioPlayer::Options{!device});
        return player;
    }
    void outputs()
    {
        QTest::addColumn<bool>("device");
        QTest::newRow("device") << true;
        QTest::newRow("silent") << false;
    }
#define MAKE_PLAYER(player)                                                                        \
    auto player = makePlayer();                                                                    \
    if (!player)                                                                                   \
        QSKIP("No sound server is reachable (run under scripts/with-pulseaudio).");

    /// Checks one run that played from `origin` to the end of the source.
    static void checkRunToTheEnd(const WindowModel &window, int64_t origin)
    {
        QCOMPARE(window.count(Heard::End), 1);
        QCOMPARE(window.events.back().kind, Heard::End);
        // The last Timer carries the full count, right before the end.
        const Heard &final = window.events[window.events.size() - 2];
        QCOMPARE(final.kind, Heard::Timer);
        QCOMPARE(final.samples, window.total - origin);
        QCOMPARE(window.framesQueued, window.total - origin);
        // Every queued block is announced once when heard; one request tops up the start.
        QCOMPARE(window.count(Heard::Finished), window.blocksQueued);
        QVERIFY(window.count(Heard::Request) <= engine::PlaybackQueue::kBlocksAhead);
        int32_t previous = 0;
        for (const Heard &e : window.events) {
            if (e.kind != Heard::Timer)
                continue;
            QVERIFY2(e.samples >= previous, "played frames went backwards");
            previous = e.samples;
        }
    }

private slots:
    void realTime_data()
    {
        outputs();
    }
    void realTime()
    {
        MAKE_PLAYER(player);
        const int64_t frames = 3 * kRate;
        WindowModel window(*player, frames);
        window.open();
        QFETCH(bool, device);
        QCOMPARE(player->isSilent(), !device);
        window.togglePause();
        QTRY_VERIFY_WITH_TIMEOUT(window.count(Heard::End) > 0, 15000);
        const qint64 took = window.last(Heard::End)->wallMs;
        QTest::qWait(300); // a second EndPlay would show here
        checkRunToTheEnd(window, 0);
        QVERIFY2(took > 2500 && took < 4500, qPrintable(QString::number(took)));

        int timers = 0;
        int32_t left = 0;
        int32_t right = 0;
        for (const Heard &e : window.events) {
            if (e.kind != Heard::Timer)
                continue;
            ++timers;
            const qint64 heardMs = qint64(e.samples) * 1000 / kRate;
            QVERIFY2(std::abs(heardMs - e.wallMs) < 400,
                     qPrintable(QStringLiteral("%1 ms heard at %2 ms").arg(heardMs).arg(e.wallMs)));
            left = std::max(left, e.left);
            right = std::max(right, e.right);
        }
        QVERIFY2(timers >= 30 && timers <= 90, qPrintable(QString::number(timers)));
        QCOMPARE(left, 16384);
        QCOMPARE(right, 8192);
    }

    void pauseAndResume_data()
    {
        outputs();
    }
    void pauseAndResume()
    {
        MAKE_PLAYER(player);
        WindowModel window(*player, 2 * kRate);
        window.open();
        window.togglePause();
        QTRY_VERIFY_WITH_TIMEOUT(window.lastTimerSamples() > kRate / 2, 5000);
        window.togglePause();
        const int32_t frozen = player->playedSamples().value();
        const size_t seen = window.events.size();
        QTest::qWait(300);
        QCOMPARE(window.events.size(), seen); // nothing while output is stopped
        QCOMPARE(player->playedSamples().value(), frozen);
        QVERIFY(window.playOrigin > kRate / 2 && window.playOrigin < window.total);

        const int64_t origin = window.playOrigin;
        window.togglePause();
        QTRY_VERIFY_WITH_TIMEOUT(window.count(Heard::End) > 0, 10000);
        QTest::qWait(200);
        checkRunToTheEnd(window, origin);
    }

    void resetWhileStopped_data()
    {
        outputs();
    }
    void resetWhileStopped()
    {
        MAKE_PLAYER(player);
        WindowModel window(*player, 2 * kRate);
        window.open();
        // Releasing the slider while paused queues two blocks that the next start drops.
        window.reposition(window.total / 2);
        window.togglePause();
        QTRY_VERIFY_WITH_TIMEOUT(window.count(Heard::End) > 0, 10000);
        QTest::qWait(200);
        checkRunToTheEnd(window, window.total / 2);
    }

    void resetWhileRunning_data()
    {
        outputs();
    }
    void resetWhileRunning()
    {
        MAKE_PLAYER(player);
        WindowModel window(*player, 3 * kRate);
        window.open();
        window.togglePause();
        QTRY_VERIFY_WITH_TIMEOUT(window.lastTimerSamples() > kRate / 2, 5000);
        const int64_t target = 2 * kRate;
        window.reposition(target);
        QTRY_VERIFY_WITH_TIMEOUT(window.count(Heard::End) > 0, 10000);
        QTest::qWait(200);
        // Counting restarts with the reposition, so origin + played is what is heard.
        checkRunToTheEnd(window, target);
        const auto firstTimer = std::find_if(window.events.begin(), window.events.end(),
                                             [](const Heard &e) { return e.kind == Heard::Timer; });
        QVERIFY(firstTimer->samples < kRate / 4);
    }

    void playAtTheEnd_data()
    {
        outputs();
    }
    void playAtTheEnd()
    {
        MAKE_PLAYER(player);
        WindowModel window(*player, kRate);
        window.open();
        window.reposition(window.total);
        window.togglePause();
        QTRY_VERIFY_WITH_TIMEOUT(window.count(Heard::End) > 0, 3000);
        QTest::qWait(300);
        QCOMPARE(window.count(Heard::End), 1);
        QCOMPARE(window.lastTimerSamples(), 0);
        QCOMPARE(window.blocksQueued, 0);
    }

    void noEndPlayOnceStopped_data()
    {
        outputs();
    }
    void noEndPlayOnceStopped()
    {
        MAKE_PLAYER(player);
        WindowModel window(*player, kRate);
        window.pauseAtEnd = true; // as the window's Timer handler does at the end
        window.open();
        window.togglePause();
        QTRY_VERIFY_WITH_TIMEOUT(window.paused, 5000);
        QTest::qWait(400);
        QCOMPARE(window.count(Heard::End), 0);
        QCOMPARE(window.playOrigin, window.total);
    }

    void busyWindow_data()
    {
        outputs();
    }
    void busyWindow()
    {
        MAKE_PLAYER(player);
        WindowModel window(*player, 2 * kRate);
        window.open();
        window.togglePause();
        QTRY_VERIFY_WITH_TIMEOUT(window.lastTimerSamples() > kRate / 4, 5000);
        // The window thread does not look at its events for a while, as during a repaint.
        const int32_t before = player->playedSamples().value();
        QThread::msleep(300);
        const int32_t after = player->playedSamples().value();
        QVERIFY2(after - before > kRate * 200 / 1000,
                 qPrintable(QStringLiteral("%1 frames in 300 ms").arg(after - before)));
        QTRY_VERIFY_WITH_TIMEOUT(window.count(Heard::End) > 0, 10000);
        checkRunToTheEnd(window, 0);
    }
};

QTEST_GUILESS_MAIN(PlayerTest)
#include "tst_player.moc"
