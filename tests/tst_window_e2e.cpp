// The main window over the real engine (the sound server of the test run, or the silent
// output without one): listening and marking with real timing, and cuts into real files.
#include "EngineFactory.h"
#include "FakeDialogs.h"
#include "Fixtures.h"
#include "FormMain.h"
#include "SettingsStore.h"
#include "TimeText.h"
#include "ZivSlider.h"

#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class FormMainTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void playPauseNudgeAndMark();

private:
    QTemporaryDir m_dir;
    QString m_source;
};

void FormMainTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_source = m_dir.filePath(QStringLiteral("ten seconds.mp3"));
    QVERIFY(fixtures::makeTone(m_source, 10.0, 44100, 2,
                               {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}));
}

void FormMainTest::playPauseNudgeAndMark()
{
    engine::DefaultEngineFactory factory;
    FakeDialogs dialogs;
    settings::OutputSettings output;
    QSettings stored(m_dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    const settings::SettingsStore store(stored);
    FormMain window(factory, dialogs, store, output);
    auto button = [&](const char *name) {
        return window.findChild<QPushButton *>(QString::fromLatin1(name));
    };

    dialogs.openAnswers << m_source;
    button("CmdOpen")->click();
    QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.value(0).text));
    QCOMPARE(window.flgOpen, settings::kTrue);
    QCOMPARE(window.totalSamples, 441000.0);

    button("CmdPausePlay")->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.currentSample >= 44100, 5000);
    const int32_t played = window.AudioPlayer->playedSamples().value();
    button("CmdPausePlay")->click();
    // Paused: the play position is what the player had played, and the marks take it exactly.
    QVERIFY(window.playOrigin >= played);
    QVERIFY(window.playOrigin < played + 44100 / 2);
    QCOMPARE(window.currentSample, double(window.playOrigin));
    const int32_t begin = window.playOrigin;
    button("CmdSelStart")->click();
    QCOMPARE(window.selBeginSample, double(begin));
    const auto ms = [&](int32_t frames) {
        return window.AudioPlayer->samplesToMilliseconds(frames).value();
    };
    QCOMPARE(window.ui().panel(2), QStringLiteral("Begin: ") + positionText(ms(begin)));

    button("CmdFF")->click();
    button("CmdFF")->click();
    QCOMPARE(window.playOrigin, begin + 2 * 88200);
    QCOMPARE(window.currentSample, double(begin + 2 * 88200));
    // The reader stands there: the next block is the audio from that frame on.
    engine::SampleBlock block;
    QVERIFY(window.AudioFile->readBlock(10, block));
    engine::AudioFile &check = *window.FileR;
    QVERIFY(check.openForReading(m_source));
    QVERIFY(check.seek(begin + 2 * 88200));
    engine::SampleBlock expected;
    QVERIFY(check.readBlock(10, expected));
    QVERIFY(block == expected);
    check.close();
    QVERIFY(window.AudioFile->seek(window.playOrigin));

    button("CmdSelStop")->click();
    QCOMPARE(window.selEndSample, double(begin + 2 * 88200));
    QCOMPARE(window.ui().panel(3), QStringLiteral("End: ") + positionText(ms(begin + 176400)));
    QCOMPARE(window.ui().panel(4), QStringLiteral("Current: ") + positionText(ms(begin + 176400)));
    QVERIFY(button("CmdPreview")->isEnabled());

    // The preview plays the part and stops on its own within a timer period past the End.
    button("CmdPreview")->click();
    QCOMPARE(button("CmdPreview")->text(), QStringLiteral("Stop"));
    QTRY_COMPARE_WITH_TIMEOUT(button("CmdPreview")->text(), QStringLiteral("Preview"), 8000);
    QVERIFY(window.currentSample >= window.selEndSample);
    QVERIFY(window.currentSample < window.selEndSample + 44100 / 5);
}

QTEST_MAIN(FormMainTest)
#include "tst_window_e2e.moc"
