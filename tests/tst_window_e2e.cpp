// The main window over the real engine (the sound server of the test run, or the silent
// output without one): listening and marking with real timing, and cuts into real files.
#include "FakeDialogs.h"
#include "Fixtures.h"
#include "FormMain.h"
#include "SettingsStore.h"
#include "TimeText.h"
#include "WaveformStrip.h"
#include "ZivSlider.h"
#include "engine/factory/AudioFileObject.h"
#include "engine/factory/DefaultEngineFactory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class FormMainTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void playPauseNudgeAndMark();
    void cutsIntoEveryFormatWithTags_data();
    void cutsIntoEveryFormatWithTags();
    void failedCutSaysWhy();
    void pauseHoldsAndTheEndLeadsToTheStart();
    void badFilesOpenCleanlyOrSayWhy();
    void anotherFileReplacesTheWaveform();
    void cutAllCopiesEveryPart();
    void shapingFromTheWindow();

private:
    QTemporaryDir m_dir;
    QString m_source;
    QString m_tagged;
};

void FormMainTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_source = m_dir.filePath(QStringLiteral("ten seconds.mp3"));
    QVERIFY(fixtures::makeTone(m_source, 10.0, 44100, 2,
                               {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}));
    m_tagged = m_dir.filePath(QStringLiteral("tagged.ogg"));
    QVERIFY(fixtures::makeTone(
        m_tagged, 10.0, 44100, 2,
        {QStringLiteral("-c:a"), QStringLiteral("libvorbis"), QStringLiteral("-metadata"),
         QStringLiteral("title=Söng"), QStringLiteral("-metadata"), QStringLiteral("artist=Ártist"),
         QStringLiteral("-metadata"), QStringLiteral("album=Album"), QStringLiteral("-metadata"),
         QStringLiteral("genre=Rock"), QStringLiteral("-metadata"), QStringLiteral("date=1999"),
         QStringLiteral("-metadata"), QStringLiteral("tracknumber=7"), QStringLiteral("-metadata"),
         QStringLiteral("comment=A comment")}));
}

namespace {

/// The real engine, with a look at the audio file objects it hands the window (in creation
/// order: destination, job source, play source), so a test can check where a reader stands.
struct ObservedFactory : engine::DefaultEngineFactory
{
    std::vector<engine::FileReading *> files;
    std::unique_ptr<engine::AudioFile> createAudioFile() override
    {
        auto file = engine::DefaultEngineFactory::createAudioFile();
        files.push_back(file.get());
        return file;
    }
};

struct Window
{
    ObservedFactory factory;
    FakeDialogs dialogs;
    QSettings stored;
    settings::SettingsStore store{stored};
    FormMain window{factory, dialogs, store};

    explicit Window(const QString &ini) : stored(ini, QSettings::IniFormat) {}
    QPushButton *button(const char *name)
    {
        return window.findChild<QPushButton *>(QString::fromLatin1(name));
    }
    /// Opens `source` and marks Begin and End by releasing the slider at those units.
    void openAndMark(const QString &source, int32_t begin, int32_t end)
    {
        dialogs.openAnswers << source;
        button("CmdOpen")->click();
        mark(begin, end);
    }
    void mark(int32_t begin, int32_t end)
    {
        auto *slider = window.findChild<ZivSlider *>(QStringLiteral("slPosition"));
        slider->setValue(begin);
        emit slider->MouseUp(1, 0, 0.0f, 0.0f);
        button("CmdSelStart")->click();
        slider->setValue(end);
        emit slider->MouseUp(1, 0, 0.0f, 0.0f);
        button("CmdSelStop")->click();
    }
};

} // namespace

void FormMainTest::cutsIntoEveryFormatWithTags_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("codec");
    QTest::newRow("mp3") << 0 << QStringLiteral("mp3");
    QTest::newRow("wma") << 1 << QStringLiteral("wmav2");
    QTest::newRow("ogg") << 2 << QStringLiteral("vorbis");
    QTest::newRow("wav") << 3 << QStringLiteral("pcm_s16le");
    // A ringtone: M4A under the name phones look for, its tags as MP4 atoms.
    QTest::newRow("m4r") << 6 << QStringLiteral("aac");
}

void FormMainTest::cutsIntoEveryFormatWithTags()
{
    QFETCH(int, format);
    QFETCH(QString, codec);
    Window w(m_dir.filePath(QStringLiteral("cut.ini")));
    QVERIFY(w.window.cutter().selectFormat(format));
    if (format == 6)
        w.window.cutter().editOutput([](engine::OutputChoice output) {
            output.m4a.ringtone = true;
            return std::optional(output);
        });
    w.openAndMark(m_tagged, 100, 350); // 1 s to 3.5 s of 10 s
    const QString dest = m_dir.filePath(QStringLiteral("cut %1.%2")
                                            .arg(QString::fromLatin1(QTest::currentDataTag()),
                                                 QString::fromLatin1(QTest::currentDataTag())));
    w.dialogs.saveAnswers << dest;
    w.button("CmdCut")->click();
    QCOMPARE(w.dialogs.messages.size(), 1);
    QCOMPARE(w.dialogs.messages[0].text, QStringLiteral("Saved - ") + dest);

    QCOMPARE(fixtures::probe(dest, QStringLiteral("codec_name")), codec);
    QCOMPARE(fixtures::probe(dest, QStringLiteral("sample_rate")), QStringLiteral("44100"));
    QCOMPARE(fixtures::probe(dest, QStringLiteral("channels")), QStringLiteral("2"));
    engine::AudioFileObject check;
    QVERIFY(check.openForReading(dest));
    const int32_t frames = check.length().value();
    if (format == 1 || format == 6) {
        // WMA ends on whole frames; FFmpeg decodes AAC's last frame whole.
        QVERIFY(frames >= 2 * 44100 + 22050);
        QVERIFY(frames < 2 * 44100 + 22050 + 2048);
    } else {
        QCOMPARE(frames, 2 * 44100 + 22050);
    }
    const QVariantMap tags = fixtures::probeTags(dest);
    QCOMPARE(tags.value(QStringLiteral("title")).toString(), QStringLiteral("Söng"));
    QCOMPARE(tags.value(QStringLiteral("artist")).toString(), QStringLiteral("Ártist"));
    QCOMPARE(tags.value(QStringLiteral("album")).toString(), QStringLiteral("Album"));
    QCOMPARE(tags.value(QStringLiteral("genre")).toString(), QStringLiteral("Rock"));
    QCOMPARE(tags.value(QStringLiteral("year")).toString().left(4), QStringLiteral("1999"));
    QCOMPARE(tags.value(QStringLiteral("track")).toString().section(u'/', 0, 0),
             QStringLiteral("7"));
    QCOMPARE(tags.value(QStringLiteral("comment")).toString(), QStringLiteral("A comment"));
}

// A cut into a folder that cannot take the file says why, and leaves nothing behind.
void FormMainTest::failedCutSaysWhy()
{
    Window w(m_dir.filePath(QStringLiteral("fail.ini")));
    w.openAndMark(m_source, 100, 300);
    const QString dest = m_source + QStringLiteral("/inside.mp3");
    w.dialogs.saveAnswers << dest;
    w.button("CmdCut")->click();
    QCOMPARE(w.dialogs.messages.size(), 1);
    const QStringList lines = w.dialogs.messages[0].text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.value(0), QStringLiteral("Error - "));
    QVERIFY2(lines.value(1).contains(QStringLiteral("Not a directory")),
             qPrintable(lines.value(1)));
    QCOMPARE(w.dialogs.messages[0].title, QStringLiteral("Error"));
    QVERIFY(!w.button("CmdOpen")->isHidden());
    // The next dialogs start where the source is, not in the folder that failed.
    QCOMPARE(w.window.cutter().state().lastFolder, QFileInfo(m_source).absolutePath() + u'/');
}

// With real output: a pause holds; playing to the end leaves everything at the start; marks
// set from there are what the panels show, an empty part is refused and a real one is cut.
void FormMainTest::pauseHoldsAndTheEndLeadsToTheStart()
{
    Window w(m_dir.filePath(QStringLiteral("end.ini")));
    auto *slider = w.window.findChild<ZivSlider *>(QStringLiteral("slPosition"));
    auto stance = [&] {
        return QStringLiteral("%1 %2 %3 %4 %5")
            .arg(w.window.cutter().state().playOrigin)
            .arg(w.window.cutter().state().currentSample)
            .arg(slider->Value())
            .arg(w.window.ui().panel(4), w.button("CmdPausePlay")->text());
    };
    w.dialogs.openAnswers << m_source;
    w.button("CmdOpen")->click();
    w.button("CmdPausePlay")->click();
    QTRY_VERIFY_WITH_TIMEOUT(w.window.cutter().state().currentSample >= 44100 / 4, 5000);
    w.button("CmdPausePlay")->click();
    const QString paused = stance();
    const int32_t heard = w.window.cutter().playedSamples().value();
    // Whatever the player still had on its way is handled now; none of it may move the window.
    QTest::qWait(500);
    QCOMPARE(stance(), paused);
    QCOMPARE(w.window.cutter().playedSamples().value(), heard);

    slider->setValue(900);
    emit slider->MouseUp(1, 0, 0.0f, 0.0f);
    w.button("CmdPausePlay")->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.button("CmdPausePlay")->text(), QStringLiteral("Play"), 8000);
    QCOMPARE(stance(), QStringLiteral("0 0 0 Current: 00:00:00 Play"));

    w.button("CmdSelStart")->click();
    w.button("CmdSelStop")->click();
    QVERIFY(!w.button("CmdCut")->isEnabled());
    w.window.cutter().cut();
    QVERIFY(w.dialogs.saveRequests.isEmpty());
    QCOMPARE(w.dialogs.messages.size(), 1);
    QVERIFY(!w.dialogs.messages[0].text.startsWith(QStringLiteral("Saved")));

    w.button("CmdFF")->click();
    w.button("CmdSelStop")->click();
    QCOMPARE(w.window.ui().panel(2), QStringLiteral("Begin: 00:00:00"));
    QCOMPARE(w.window.ui().panel(3), QStringLiteral("End: 00:00:02"));
    QCOMPARE(slider->SelStart(), 0);
    QCOMPARE(slider->SelLength(), 200);
    QVERIFY(w.button("CmdPreview")->isEnabled());
    const QString dest = m_dir.filePath(QStringLiteral("from the start.mp3"));
    w.dialogs.saveAnswers << dest;
    w.button("CmdCut")->click();
    QCOMPARE(w.dialogs.messages.last().text, QStringLiteral("Saved - ") + dest);
    engine::AudioFileObject check;
    QVERIFY(check.openForReading(dest));
    QCOMPARE(check.length().value(), 2 * 44100);
}

void FormMainTest::playPauseNudgeAndMark()
{
    ObservedFactory factory;
    FakeDialogs dialogs;
    QSettings stored(m_dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    settings::SettingsStore store(stored);
    FormMain window(factory, dialogs, store);
    auto button = [&](const char *name) {
        return window.findChild<QPushButton *>(QString::fromLatin1(name));
    };

    dialogs.openAnswers << m_source;
    button("CmdOpen")->click();
    QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.value(0).text));
    QVERIFY(window.cutter().state().play != PlayState::NoSource);
    QCOMPARE(window.cutter().state().totalSamples, 441000.0);

    button("CmdPausePlay")->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.cutter().state().currentSample >= 44100, 5000);
    const int32_t played = window.cutter().playedSamples().value();
    button("CmdPausePlay")->click();
    // Paused: the play position is what the player had played, and the marks take it exactly.
    QVERIFY(window.cutter().state().playOrigin >= played);
    QVERIFY(window.cutter().state().playOrigin < played + 44100 / 2);
    QCOMPARE(window.cutter().state().currentSample, double(window.cutter().state().playOrigin));
    const int32_t begin = window.cutter().state().playOrigin;
    button("CmdSelStart")->click();
    QCOMPARE(window.cutter().state().selBeginSample, double(begin));
    const auto ms = [&](int32_t frames) { return window.cutter().millisecondsOf(frames).value(); };
    QCOMPARE(window.ui().panel(2), QStringLiteral("Begin: ") + positionText(ms(begin)));

    button("CmdFF")->click();
    button("CmdFF")->click();
    QCOMPARE(window.cutter().state().playOrigin, begin + 2 * 88200);
    QCOMPARE(window.cutter().state().currentSample, double(begin + 2 * 88200));
    // The reader stands there: the next block is the audio from that frame on.
    engine::SampleBlock block;
    QVERIFY(factory.files.at(1)->readBlock(10, block));
    engine::FileReading &check = *factory.files.at(0);
    QVERIFY(check.openForReading(m_source));
    QVERIFY(check.seek(begin + 2 * 88200));
    engine::SampleBlock expected;
    QVERIFY(check.readBlock(10, expected));
    QVERIFY(block == expected);
    QVERIFY(check.close());
    QVERIFY(factory.files.at(1)->seek(window.cutter().state().playOrigin));

    button("CmdSelStop")->click();
    QCOMPARE(window.cutter().state().selEndSample, double(begin + 2 * 88200));
    QCOMPARE(window.ui().panel(3), QStringLiteral("End: ") + positionText(ms(begin + 176400)));
    QCOMPARE(window.ui().panel(4), QStringLiteral("Current: ") + positionText(ms(begin + 176400)));
    QVERIFY(button("CmdPreview")->isEnabled());

    // The preview plays the part and stops on its own within a timer period past the End.
    button("CmdPreview")->click();
    QCOMPARE(button("CmdPreview")->text(), QStringLiteral("Stop"));
    QTRY_COMPARE_WITH_TIMEOUT(button("CmdPreview")->text(), QStringLiteral("Preview"), 8000);
    QVERIFY(window.cutter().state().currentSample >= window.cutter().state().selEndSample);
    QVERIFY(window.cutter().state().currentSample <
            window.cutter().state().selEndSample + 44100 / 5);
}

// Files that cannot be played, through the window's own open path: each either opens and
// plays, or gives one "Cannot open" box and a reset window, never a half-enabled one. A folder
// of further files (a corpus kept elsewhere) can be named in VORN_EXTRA_BAD_FILES.
void FormMainTest::badFilesOpenCleanlyOrSayWhy()
{
    QFile good(m_source);
    QVERIFY(good.open(QIODevice::ReadOnly));
    const QByteArray mp3 = good.readAll();
    const QList<std::pair<QString, QByteArray>> made = {
        {QStringLiteral("empty.mp3"), QByteArray("")},
        {QStringLiteral("random.wav"), QByteArray(30000, '\x5a')},
        {QStringLiteral("truncated.mp3"), mp3.left(mp3.size() / 3)},
        {QStringLiteral("header.mp3"), mp3.left(200)},
        {QStringLiteral("list.mp3"), QByteArray("#EXTM3U\n#EXTINF:1,x\n/etc/passwd\n")},
        {QStringLiteral("folder.ogg"), QByteArray()},
    };
    QStringList paths;
    for (const auto &[name, content] : made) {
        const QString path = m_dir.filePath(name);
        paths << path;
        if (content.isNull()) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
    }
    if (const QString extra = qEnvironmentVariable("VORN_EXTRA_BAD_FILES"); !extra.isEmpty()) {
        const QDir folder(extra);
        QVERIFY2(folder.exists(), qPrintable(extra));
        for (const QString &name :
             folder.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
            paths << folder.filePath(name);
    }
    for (const QString &path : paths) {
        const QString name = QFileInfo(path).fileName();
        Window w(m_dir.filePath(QStringLiteral("bad.ini")));
        w.dialogs.openAnswers << path;
        w.button("CmdOpen")->click();
        if (w.window.cutter().state().play != PlayState::NoSource) {
            QVERIFY2(w.dialogs.messages.isEmpty(), qPrintable(name));
            QVERIFY2(w.button("CmdPausePlay")->isEnabled(), qPrintable(name));
            w.button("CmdPausePlay")->click();
            QTest::qWait(100);
            continue;
        }
        QVERIFY2(w.dialogs.messages.size() == 1, qPrintable(name));
        QVERIFY2(w.dialogs.messages[0].text.startsWith(QStringLiteral("Cannot open '") + name),
                 qPrintable(w.dialogs.messages[0].text));
        QVERIFY2(!w.button("CmdPausePlay")->isEnabled(), qPrintable(name));
        QVERIFY(!w.window.findChild<ZivSlider *>(QStringLiteral("slPosition"))->isEnabled());
    }
}

void FormMainTest::anotherFileReplacesTheWaveform()
{
    // Loud from its first second to its end, against a silent file with one tone at 10 s.
    const QString loud = m_dir.filePath(QStringLiteral("loud.wav"));
    QVERIFY(fixtures::makeTone(loud, 240.0, 44100, 2,
                               {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")}));
    const QString quiet = m_dir.filePath(QStringLiteral("quiet.wav"));
    QVERIFY(
        fixtures::runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                             QStringLiteral("aevalsrc=0.8*sin(2*PI*440*t)*between(t\\,10\\,11)"
                                            ":s=44100:d=20"),
                             QStringLiteral("-ac"), QStringLiteral("2"), quiet}));
    Window w(m_dir.filePath(QStringLiteral("waveform.ini")));
    w.window.resize(800, w.window.height());
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    auto *strip = w.window.findChild<WaveformStrip *>(QStringLiteral("Waveform"));
    QVERIFY(strip);
    // The second open comes while the first file's peaks are being computed.
    w.dialogs.openAnswers << loud << quiet;
    w.button("CmdOpen")->click();
    w.button("CmdOpen")->click();
    QCOMPARE(strip->length(), int64_t(20 * 44100));
    QTRY_VERIFY_WITH_TIMEOUT(!strip->busy(), 60000);

    // Columns of silence hold a flat line one pixel high per channel; the tone fills its lane.
    const QImage drawn = strip->grab().toImage();
    const QRgb wave = qRgb(52, 70, 104);
    auto drawnIn = [&](double seconds) {
        const int column = strip->columnOfFrame(seconds * 44100);
        int count = 0;
        for (int y = 0; y < drawn.height(); ++y)
            count += drawn.pixel(column, y) == wave;
        return count;
    };
    for (double seconds : {0.5, 3.0, 8.9, 12.1, 16.0, 19.9})
        QVERIFY2(drawnIn(seconds) <= 2, qPrintable(QString::number(seconds)));
    QVERIFY(drawnIn(10.5) > 20);

    // Closing the window while peaks are computed joins their threads (the sanitizers' run
    // shows one left behind).
    w.dialogs.openAnswers << loud;
    w.button("CmdOpen")->click();
    QVERIFY(strip->busy());
}

// Three parts marked as a user marks them, saved with one "Cut All" and copied without
// re-encoding: three MP3 files, each exactly as long as its part.
void FormMainTest::cutAllCopiesEveryPart()
{
    Window w(m_dir.filePath(QStringLiteral("parts.ini")));
    w.window.findChild<QCheckBox *>(QStringLiteral("CheckKeepEncoding"))->setChecked(true);
    w.openAndMark(m_source, 100, 300);
    w.button("CmdAddPart")->click();
    w.mark(300, 550);
    w.button("CmdAddPart")->click();
    w.mark(600, 900);
    w.button("CmdAddPart")->click();
    const CutterState &state = w.window.cutter().state();
    QCOMPARE(state.parts.parts.size(), size_t(3));
    QVERIFY(state.copies);

    const QString folder = m_dir.filePath(QStringLiteral("parts"));
    QVERIFY(QDir().mkpath(folder));
    w.dialogs.folderAnswers << folder;
    w.dialogs.templateAnswers << QStringLiteral("part {n}");
    QVERIFY(w.button("CmdCutAll")->isEnabled());
    w.button("CmdCutAll")->click();
    QCOMPARE(w.dialogs.messages.size(), 1);
    QCOMPARE(w.dialogs.messages[0].text, QStringLiteral("Saved 3 files to ") + folder);
    for (int i = 0; i < 3; ++i) {
        const engine::Part &part = state.parts.parts[size_t(i)];
        const QString file = QDir(folder).filePath(QStringLiteral("part %1.mp3").arg(i + 1));
        engine::AudioFileObject check;
        QVERIFY2(check.openForReading(file).ok(), qPrintable(file));
        QCOMPARE(check.length().value(), part.end - part.begin);
        QCOMPARE(fixtures::probeTags(file).value(QStringLiteral("track")).toString(),
                 QStringLiteral("%1/3").arg(i + 1));
    }
}

// The shaping row as a user sets it: a normalised WAV cut says the loudness it reached, a part
// too short to measure is refused before the save dialog, and a copy gets gain tags that
// match what it measures.
void FormMainTest::shapingFromTheWindow()
{
    const auto loudnessIn = [](const QString &text) {
        const auto match =
            QRegularExpression(QStringLiteral("Loudness: (-?[0-9.]+) LUFS, true peak (-?[0-9.]+)"))
                .match(text);
        return match.hasMatch()
                   ? std::pair{match.captured(1).toDouble(), match.captured(2).toDouble()}
                   : std::pair{0.0, 99.0};
    };
    {
        Window w(m_dir.filePath(QStringLiteral("shape.ini")));
        QVERIFY(w.window.cutter().selectFormat(3));
        w.window.findChild<QComboBox *>(QStringLiteral("ComboNormalise"))->setCurrentIndex(2);
        w.window.findChild<QDoubleSpinBox *>(QStringLiteral("spinFadeIn"))->setValue(1.0);
        QVERIFY(w.window.findChild<QLabel *>(QStringLiteral("LabelFomartStr"))
                    ->text()
                    .endsWith(QStringLiteral("; fade 1.0 s / 0.0 s; to -16 LUFS")));
        w.openAndMark(m_source, 100, 102); // 0.2 s
        w.button("CmdCut")->click();
        QVERIFY(w.dialogs.saveRequests.isEmpty());
        QVERIFY(w.dialogs.messages.value(0).text.startsWith(
            QStringLiteral("The part is shorter than 0.4 s")));
        // A silent part, told by the waveform's peaks before any dialog.
        const QString silent = m_dir.filePath(QStringLiteral("silent.wav"));
        QVERIFY(fixtures::runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"),
                                     QStringLiteral("-i"),
                                     QStringLiteral("anullsrc=r=44100:cl=stereo:d=4"), silent}));
        w.openAndMark(silent, 100, 900);
        QTRY_VERIFY(w.window.cutter().peaks()->peaks() &&
                    w.window.cutter().peaks()->peaks()->finished());
        w.button("CmdCut")->click();
        QVERIFY(w.dialogs.saveRequests.isEmpty());
        QVERIFY(w.dialogs.messages.value(1).text.startsWith(QStringLiteral("The part is silent")));
        w.dialogs.messages.clear();
        w.openAndMark(m_source, 100, 600);
        const QString dest = m_dir.filePath(QStringLiteral("normalised.wav"));
        w.dialogs.saveAnswers << dest;
        w.button("CmdCut")->click();
        const QString outcome = w.dialogs.messages.value(0).text;
        QVERIFY2(outcome.startsWith(QStringLiteral("Saved - ") + dest + u'\n'),
                 qPrintable(outcome));
        const auto [lufs, peak] = loudnessIn(outcome);
        QVERIFY2(std::abs(lufs + 16) <= 0.5 && peak <= -1.0, qPrintable(outcome));
        // What another meter hears in the file agrees.
        const fixtures::Loudness measured = fixtures::measureLoudness(dest);
        QVERIFY2(std::abs(measured.integratedLufs + 16) <= 0.5, qPrintable(outcome));
        QVERIFY(measured.truePeakDbtp <= -1.0 + 0.1);
    }
    {
        Window w(m_dir.filePath(QStringLiteral("gain.ini")));
        QVERIFY(w.window.cutter().selectFormat(0));
        w.window.findChild<QCheckBox *>(QStringLiteral("CheckKeepEncoding"))->setChecked(true);
        w.window.findChild<QCheckBox *>(QStringLiteral("chGainTags"))->setChecked(true);
        w.openAndMark(m_source, 100, 600);
        QVERIFY(w.window.cutter().state().copies);
        const QString dest = m_dir.filePath(QStringLiteral("gain tags.mp3"));
        w.dialogs.saveAnswers << dest;
        w.button("CmdCut")->click();
        const QString outcome = w.dialogs.messages.value(0).text;
        const double lufs = loudnessIn(outcome).first;
        QVERIFY2(lufs < -3 && lufs > -40, qPrintable(outcome));
        const QString gain = fixtures::probeTag(dest, QStringLiteral("REPLAYGAIN_TRACK_GAIN"));
        QVERIFY2(std::abs(gain.section(u' ', 0, 0).toDouble() - (-18 - lufs)) < 0.1,
                 qPrintable(gain));
        const double heard = fixtures::measureLoudness(dest).integratedLufs;
        QVERIFY2(std::abs(gain.section(u' ', 0, 0).toDouble() - (-18 - heard)) <= 0.5,
                 qPrintable(gain));
    }
}

QTEST_MAIN(FormMainTest)
#include "tst_window_e2e.moc"
