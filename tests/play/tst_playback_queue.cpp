// The play queue's bookkeeping without a device: which event the window gets next, how
// blocks become 16-bit PCM, and what a reposition or a stop keeps. The real-time runs on a
// sound server stay in tst_player.
#include "Fixtures.h"
#include "engine/play/OutputDevice.h"
#include "engine/play/PlaybackQueue.h"
#include "engine/play/QtAudioPlayer.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

using engine::PlaybackQueue;
using Event = PlaybackQueue::Event;

namespace {

constexpr int kRate = 44100;

/// A block of `frames` stereo frames at one level per channel.
engine::SampleBlock stereo(int frames, float left = 0.5f, float right = -0.25f)
{
    engine::SampleBlock block(static_cast<size_t>(frames) * 2);
    for (size_t i = 0; i < block.size(); i += 2) {
        block[i] = left;
        block[i + 1] = right;
    }
    return block;
}

/// Every event the queue has to raise now, as letters: T(imer) R(equest) F(inished) E(nd).
/// With `answer`, each R and F is answered at once with a block of that many frames, as the
/// window does; without, they go unanswered.
QString drain(PlaybackQueue &queue, int answer = 0, PlaybackQueue::TimerValues *lastTimer = nullptr)
{
    QString seen;
    for (int i = 0; i < 20; ++i) {
        PlaybackQueue::TimerValues timer;
        switch (queue.nextEvent(&timer)) {
        case Event::None:
            return seen;
        case Event::Timer:
            seen += QLatin1Char('T');
            if (lastTimer)
                *lastTimer = timer;
            break;
        case Event::RequestBlock:
            seen += QLatin1Char('R');
            if (answer > 0)
                queue.append(stereo(answer));
            break;
        case Event::BlockFinished:
            seen += QLatin1Char('F');
            if (answer > 0)
                queue.append(stereo(answer));
            break;
        case Event::EndPlay:
            seen += QLatin1Char('E');
            break;
        }
    }
    return seen + QStringLiteral("...");
}

} // namespace

class PlaybackQueueTest : public QObject
{
    Q_OBJECT

private slots:
    void eventsOfARun()
    {
        PlaybackQueue queue;
        queue.append(stereo(100));
        QCOMPARE(drain(queue), QString()); // nothing before a run starts
        QVERIFY(!queue.wantsAttention());

        queue.beginRun();
        QVERIFY(queue.wantsAttention());
        // Asks until kBlocksAhead blocks are queued or asked for, once each.
        QCOMPARE(drain(queue, 100), QStringLiteral("RR"));
        QCOMPARE(drain(queue), QString());
        QVERIFY(!queue.wantsAttention());

        // A block heard to its end is announced once; the written count bounds the heard one.
        QCOMPARE(queue.take(150).size(), size_t(300));
        queue.setHeard(1000);
        QCOMPARE(queue.heardFrames(), int64_t(150));
        QCOMPARE(drain(queue), QStringLiteral("F"));
        queue.setHeard(150);
        QCOMPARE(drain(queue), QString());

        // The announcement went unanswered: once the rest is heard, a last Timer, then the end.
        QCOMPARE(queue.take(1000).size(), size_t(100));
        queue.setHeard(200);
        PlaybackQueue::TimerValues timer;
        QCOMPARE(drain(queue, 0, &timer), QStringLiteral("FTE"));
        QCOMPARE(timer.frames, int64_t(200));
        QCOMPARE(drain(queue), QString());
        QVERIFY(!queue.wantsAttention());

        // More sound after the end makes a new end to announce.
        queue.append(stereo(10));
        QCOMPARE(queue.take(10).size(), size_t(20));
        queue.setHeard(210);
        QCOMPARE(drain(queue), QStringLiteral("FTE"));
    }

    void pcmAndLevels_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<engine::SampleBlock>("block");
        QTest::addColumn<std::vector<int16_t>>("pcm");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        // Out-of-range samples are clipped, not wrapped; levels are peaks of what was heard.
        QTest::newRow("stereo") << 2 << engine::SampleBlock{1.5f, -2.0f, 0.5f, -0.25f}
                                << std::vector<int16_t>{32767, -32767, 16384, -8192} << 32767
                                << 32767;
        QTest::newRow("mono") << 1 << engine::SampleBlock{0.5f, -0.25f}
                              << std::vector<int16_t>{16384, -8192} << 16384 << 16384;
        // A trailing partial frame is not played.
        QTest::newRow("partial frame") << 2 << engine::SampleBlock{0.25f, 0.5f, 1.0f}
                                       << std::vector<int16_t>{8192, 16384} << 8192 << 16384;
    }
    void pcmAndLevels()
    {
        QFETCH(int, channels);
        QFETCH(engine::SampleBlock, block);
        QFETCH(std::vector<int16_t>, pcm);
        QFETCH(int, left);
        QFETCH(int, right);
        PlaybackQueue queue;
        queue.setChannels(channels);
        queue.beginRun();
        queue.append(block);
        queue.append(engine::SampleBlock(size_t(4 * channels), 0.0f)); // keeps the run going
        const auto frames = int64_t(pcm.size()) / channels;
        QCOMPARE(queue.take(frames), pcm);
        QCOMPARE(queue.writtenFrames(), frames);

        queue.markTimerDue();
        PlaybackQueue::TimerValues timer;
        QCOMPARE(drain(queue, 0, &timer), QStringLiteral("T"));
        QCOMPARE(timer.levelLeft, 0); // written is not heard
        queue.setHeard(frames);
        queue.markTimerDue();
        QCOMPARE(drain(queue, 0, &timer), QStringLiteral("FT"));
        QCOMPARE(timer.frames, frames);
        QCOMPARE(timer.levelLeft, left);
        QCOMPARE(timer.levelRight, right);
        queue.markTimerDue();
        QCOMPARE(drain(queue, 0, &timer), QStringLiteral("T"));
        QCOMPARE(timer.levelLeft, 0); // peaks start again after each Timer
        QCOMPARE(timer.levelRight, 0);
    }

    void restartStopAndDrop()
    {
        PlaybackQueue queue;
        queue.beginRun();
        QCOMPARE(drain(queue, 100), QStringLiteral("RR"));
        QCOMPARE(queue.take(150).size(), size_t(300));
        queue.setHeard(120);
        QCOMPARE(drain(queue), QStringLiteral("F"));

        // A reposition: what was not heard is dropped and counting starts from 0.
        queue.restartRun();
        QCOMPARE(queue.heardFrames(), int64_t(0));
        QCOMPARE(queue.writtenFrames(), int64_t(0));
        QVERIFY(queue.take(100).empty());
        // Nothing queued and a request unanswered is the end of the run.
        QCOMPARE(drain(queue), QStringLiteral("RTE"));
        queue.restartRun();
        QCOMPARE(drain(queue, 50), QStringLiteral("RR"));
        QCOMPARE(queue.take(20).size(), size_t(40));
        queue.setHeard(20);

        // Blocks queued while output is stopped are dropped; what was written stays counted.
        queue.dropQueued();
        QVERIFY(queue.take(100).empty());
        QCOMPARE(queue.writtenFrames(), int64_t(20));

        // A stop keeps the heard count for the window's position and raises nothing more.
        queue.endRun();
        QCOMPARE(queue.heardFrames(), int64_t(20));
        queue.markTimerDue();
        QCOMPARE(drain(queue), QString());
        queue.setHeard(5);
        QCOMPARE(queue.heardFrames(), int64_t(20));
    }

    // Moved from tst_player: these need no sound server.
    void formatArithmetic_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("block");
        QTest::addColumn<int>("framesForOneSecond");
        QTest::newRow("44100 stereo") << 44100 << 2 << 8820 << 44100;
        QTest::newRow("22050 mono") << 22050 << 1 << 4410 << 22050;
        QTest::newRow("8000 mono") << 8000 << 1 << 1600 << 8000;
        QTest::newRow("11025 stereo") << 11025 << 2 << 2205 << 11025;
    }
    void formatArithmetic()
    {
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, block);
        QFETCH(int, framesForOneSecond);
        engine::QtAudioPlayer player(engine::QtAudioPlayer::Options{true});
        QVERIFY(!player.blockSizeForMilliseconds(200));
        QVERIFY(!player.samplesToMilliseconds(100));
        QVERIFY(!player.startOutput());
        QVERIFY(player.setPlayerFormat(rate, channels));
        QCOMPARE(player.blockSizeForMilliseconds(200).value(), block);
        QCOMPARE(player.samplesToMilliseconds(framesForOneSecond).value(), 1000);
        QCOMPARE(player.samplesToMilliseconds(3 * 60 * framesForOneSecond).value(), 180000);
        QVERIFY(!player.setPlayerFormat(0, 2));
        QVERIFY(!player.setPlayerFormat(44100, 0));
    }

    void silentPacing()
    {
        int64_t now = 1'000'000'000;
        engine::SilentOutput out(1000, [&now] { return now; });
        const std::vector<int16_t> pcm(200);
        QCOMPARE(out.write(pcm.data(), 200), 100); // holds 100 ms
        now += 30'000'000;
        QCOMPARE(out.framesBuffered(), 70);
        QCOMPARE(out.framesFree(), 30);
        now += 500'000'000; // ran dry long ago: the idle time is not credited
        QCOMPARE(out.framesBuffered(), 0);
        QCOMPARE(out.write(pcm.data(), 50), 50);
        now += 20'000'000;
        QCOMPARE(out.framesBuffered(), 30);
    }

    // The real path without a server: Qt finds no device and the player falls back.
    void noSoundServer()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tone.wav"));
        QVERIFY(fixtures::makeTone(path, 1.0, kRate, 2, {}));
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_SERVER"),
                   QStringLiteral("unix:") + dir.filePath(QStringLiteral("no-server")));
        tool.setProcessEnvironment(env);
        QElapsedTimer wall;
        wall.start();
        tool.start(qEnvironmentVariable("VORN_ENGINE_TOOL"),
                   {QStringLiteral("play"), path, QStringLiteral("1")});
        QVERIFY(tool.waitForFinished(20000));
        QCOMPARE(tool.exitCode(), 0);
        const QByteArray out = tool.readAllStandardOutput();
        const QList<QByteArray> lines = out.split('\n');
        QVERIFY(lines.first().startsWith("silent=yes rate="));
        QVERIFY(out.contains("\nendplay wall_ms="));
        QVERIFY(out.contains(QByteArray(" samples=") + QByteArray::number(kRate) + '\n'));
        QVERIFY(out.count("\ntimer ") >= 10);
        QVERIFY(wall.elapsed() >= 900);
    }
};

QTEST_GUILESS_MAIN(PlaybackQueueTest)
#include "tst_playback_queue.moc"
