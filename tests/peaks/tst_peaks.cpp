// The waveform's peaks: where the sound is, at every level, while another file is opened, and
// when the disk fails part-way.
#include "FailingSource.h"
#include "Fixtures.h"
#include "engine/factory/Initialise.h"
#include "engine/peaks/BackgroundPeaks.h"
#include "engine/read/OpenReader.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>

using engine::BackgroundPeaks;
using engine::PeakTable;

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 30;

/// Seconds where each channel sounds; silence everywhere else. The second burst of the left
/// channel crosses the middle, where the two threads of the computation meet.
struct Burst
{
    double from;
    double to;
};
const std::vector<Burst> kLeft{{3.0, 4.0}, {14.9, 15.3}, {27.0, 28.0}};
const std::vector<Burst> kRight{{27.0, 28.0}};

bool makeBursts(const QString &path, const QStringList &codec)
{
    const QString source =
        QStringLiteral("aevalsrc=0.8*sin(2*PI*440*t)*(between(t\\,3\\,4)+between(t\\,14.9\\,15.3)"
                       "+between(t\\,27\\,28))|0.5*sin(2*PI*660*t)*between(t\\,27\\,28)"
                       ":s=%1:d=%2")
            .arg(kRate)
            .arg(kSeconds);
    return fixtures::runFfmpeg(
        QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source} +
        codec + QStringList{path});
}

/// Every frame the engine's reader gives, interleaved.
std::vector<float> readAll(const QString &path, int32_t &channels)
{
    auto reader = engine::openAudioReader(path);
    if (!reader)
        return {};
    channels = reader.value()->channelCount();
    std::vector<float> all;
    engine::SampleBlock block;
    while (reader.value()->read(1 << 16, block).ok() && !block.empty())
        all.insert(all.end(), block.begin(), block.end());
    return all;
}

std::shared_ptr<const engine::Peaks> computeAll(BackgroundPeaks &computer, const QString &path)
{
    computer.start(path);
    auto peaks = computer.peaks();
    // Waiting for the threads, not timing them.
    for (int i = 0; i < 60000 && !peaks->finished(); ++i)
        QTest::qSleep(5);
    return peaks;
}

} // namespace

class PeaksTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void burstsLandInTheirColumns_data();
    void burstsLandInTheirColumns();
    void levelsAgreeWithTheFrames_data();
    void levelsAgreeWithTheFrames();
    void anotherFileCancelsTheFirst();
    void readFailureKeepsWhatCame();
    void destroyedMidwayJoins();

private:
    QTemporaryDir m_dir;
    QString m_long;
};

void PeaksTest::initTestCase()
{
    engine::initialise();
    QVERIFY(m_dir.isValid());
    // Three minutes of music-like material: enough peaks for three levels.
    m_long = m_dir.filePath(QStringLiteral("long.wav"));
    QVERIFY(fixtures::makeAttacks(m_long, 180, kRate, 2,
                                  {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")}));
}

void PeaksTest::burstsLandInTheirColumns_data()
{
    QTest::addColumn<QStringList>("codec");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<double>("margin"); // seconds around an edge where either is right
    // The lossless file is exact to a finest peak; an encoder smears an edge a little.
    QTest::newRow("wav") << QStringList{QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")}
                         << QStringLiteral("wav") << 0.01;
    QTest::newRow("mp3") << QStringList{QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}
                         << QStringLiteral("mp3") << 0.06;
    QTest::newRow("ogg") << QStringList{QStringLiteral("-c:a"), QStringLiteral("libvorbis")}
                         << QStringLiteral("ogg") << 0.06;
    QTest::newRow("wma") << QStringList{QStringLiteral("-c:a"), QStringLiteral("wmav2")}
                         << QStringLiteral("wma") << 0.08;
}

void PeaksTest::burstsLandInTheirColumns()
{
    QFETCH(QStringList, codec);
    QFETCH(QString, extension);
    QFETCH(double, margin);
    const QString path = m_dir.filePath(QStringLiteral("bursts.") + extension);
    QVERIFY(makeBursts(path, codec));
    BackgroundPeaks computer;
    const auto peaks = computeAll(computer, path);
    QVERIFY2(peaks->status().ok(), qPrintable(peaks->status().description()));
    QCOMPARE(peaks->knownFrames(), peaks->length());
    QVERIFY(std::abs(peaks->length() - kSeconds * kRate) < 0.05 * kRate);

    // The whole file over 600 columns, then close-ups of an edge, finer than a finest peak.
    struct Columns
    {
        double from; // seconds
        double to;
        int count;
    };
    const Columns views[] = {{0, double(peaks->length()) / kRate, 600},
                             {2.8, 3.2, 150},
                             {14.8, 15.4, 200},
                             {27.9, 28.1, 80}};
    int loud = 0;
    int quiet = 0;
    for (const Columns &view : views) {
        for (int c = 0; c < view.count; ++c) {
            const double t0 = view.from + (view.to - view.from) * c / view.count;
            const double t1 = view.from + (view.to - view.from) * (c + 1) / view.count;
            const auto begin = int64_t(t0 * kRate);
            const auto end = int64_t(t1 * kRate);
            for (int channel = 0; channel < 2; ++channel) {
                const auto &bursts = channel == 0 ? kLeft : kRight;
                const bool inside = std::any_of(bursts.begin(), bursts.end(), [&](const Burst &b) {
                    return t0 >= b.from + margin && t1 <= b.to - margin;
                });
                const bool outside = std::all_of(bursts.begin(), bursts.end(), [&](const Burst &b) {
                    return t1 <= b.from - margin || t0 >= b.to + margin;
                });
                const auto span = peaks->span(channel, begin, end);
                QVERIFY(span);
                const QString where = QStringLiteral("channel %1 at %2 s: %3 to %4")
                                          .arg(channel)
                                          .arg(t0)
                                          .arg(span->min)
                                          .arg(span->max);
                // A column narrower than a cycle may catch the tone near zero: the
                // strongest edge of the two counts.
                const double level = channel == 0 ? 0.8 : 0.5;
                if (inside && (t1 - t0) * (channel == 0 ? 440 : 660) >= 1) {
                    QVERIFY2(span->max > level * 0.8 && span->min < -level * 0.8,
                             qPrintable(where));
                    ++loud;
                } else if (outside) {
                    QVERIFY2(span->max < 0.01 && span->min > -0.01, qPrintable(where));
                    ++quiet;
                }
            }
        }
    }
    QVERIFY(loud > 150);
    QVERIFY(quiet > 1000);
}

void PeaksTest::levelsAgreeWithTheFrames_data()
{
    QTest::addColumn<qint64>("begin");
    QTest::addColumn<qint64>("end");
    const qint64 length = 180LL * kRate;
    QTest::newRow("whole file") << 0LL << length;
    QTest::newRow("ragged both ends") << 1LL << length - 1;
    QTest::newRow("one finest peak") << 256LL * 77 << 256LL * 78;
    QTest::newRow("inside one peak") << 256LL * 77 + 3 << 256LL * 77 + 9;
    QTest::newRow("one coarsest peak") << 256LL * 64 * 5 << 256LL * 64 * 6;
    QTest::newRow("across coarse peaks") << 256LL * 64 * 5 - 100 << 256LL * 64 * 9 + 700;
    QTest::newRow("the tail") << length - 300 << length;
    QTest::newRow("the middle, where threads meet") << length / 2 - 5000 << length / 2 + 5000;
}

void PeaksTest::levelsAgreeWithTheFrames()
{
    QFETCH(qint64, begin);
    QFETCH(qint64, end);
    int32_t channels = 0;
    const std::vector<float> frames = readAll(m_long, channels);
    QCOMPARE(channels, 2);
    BackgroundPeaks computer;
    const auto peaks = computeAll(computer, m_long);
    QCOMPARE(peaks->length(), int64_t(frames.size()) / channels);
    QVERIFY(peaks->finished());

    // The peaks of a range are those of the finest peaks it touches: the frames from the
    // first one's start to the last one's end, to the 16-bit step the table keeps.
    const int64_t first = begin / PeakTable::kFinestFrames * PeakTable::kFinestFrames;
    const int64_t last =
        std::min<int64_t>(peaks->length(), (end + PeakTable::kFinestFrames - 1) /
                                               PeakTable::kFinestFrames * PeakTable::kFinestFrames);
    for (int32_t channel = 0; channel < channels; ++channel) {
        float low = 1;
        float high = -1;
        for (int64_t f = first; f < last; ++f) {
            low = std::min(low, frames[size_t(f * channels + channel)]);
            high = std::max(high, frames[size_t(f * channels + channel)]);
        }
        const auto span = peaks->span(channel, begin, end);
        QVERIFY(span);
        QVERIFY2(std::abs(span->min - low) <= 1.0f / 32767 &&
                     std::abs(span->max - high) <= 1.0f / 32767,
                 qPrintable(QStringLiteral("%1..%2 against %3..%4")
                                .arg(span->min)
                                .arg(span->max)
                                .arg(low)
                                .arg(high)));
    }
}

void PeaksTest::anotherFileCancelsTheFirst()
{
    const QString quiet = m_dir.filePath(QStringLiteral("mostly quiet.wav"));
    QVERIFY(makeBursts(quiet, {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")}));
    BackgroundPeaks computer;
    computer.start(m_long);
    const auto first = computer.peaks();
    computer.requestFrames(kRate * 60, 1000);
    const auto second = computeAll(computer, quiet);
    // The first computation has ended by the time the second starts: nothing of it can
    // reach the second's table, which is a new one.
    QVERIFY(first->finished());
    QVERIFY(second != first);
    QVERIFY(second->status().ok());
    QCOMPARE(second->length(), int64_t(kSeconds * kRate));
    QCOMPARE(second->knownFrames(), second->length());
    // The loud first file would show in the right channel of the second's first 27 seconds.
    const auto span = second->span(1, 0, 26 * kRate);
    QVERIFY(span);
    QCOMPARE(span->max, 0.0f);
    QCOMPARE(span->min, 0.0f);
    // A close-up read also comes from the new file only.
    QVERIFY(!computer.frames());
    computer.requestFrames(kRate * 3, 1000);
    QTRY_VERIFY_WITH_TIMEOUT(computer.frames(), 20000);
    int32_t channels = 0;
    const std::vector<float> all = readAll(quiet, channels);
    const auto frames = computer.frames();
    QCOMPARE(frames->begin, int64_t(kRate * 3));
    QCOMPARE(frames->frameCount(), int64_t(1000));
    QVERIFY(std::equal(frames->samples.begin(), frames->samples.end(),
                       all.begin() + kRate * 3 * channels));
}

void PeaksTest::readFailureKeepsWhatCame()
{
    // A bad spot half-way into the file's bytes.
    const int64_t bad = QFileInfo(m_long).size() / 2;
    auto reader = engine::openAudioReader(m_long, FailingSource::opener(bad));
    QVERIFY(reader);
    PeakTable table;
    table.describe(reader.value()->length(), 2, kRate, 1);
    const std::atomic<bool> cancel{false};
    const engine::Status status =
        BackgroundPeaks::computeSegment(table, 0, *reader.value(), cancel);
    QVERIFY(!status.ok());
    QVERIFY(!status.description().isEmpty());
    const int64_t known = table.knownFrames();
    QVERIFY(known > table.length() / 4);
    QVERIFY(known < table.length());
    QVERIFY(table.span(0, 0, known));
    QVERIFY(!table.span(0, known, known + PeakTable::kFinestFrames));
    QVERIFY(!table.span(0, 0, table.length()));
}

void PeaksTest::destroyedMidwayJoins()
{
    // Run under the sanitizers: a thread left running, or one reading a freed reader or
    // table, shows there.
    std::vector<std::shared_ptr<const engine::Peaks>> started;
    for (int i = 0; i < 3; ++i) {
        BackgroundPeaks computer;
        computer.start(m_long);
        started.push_back(computer.peaks());
        computer.requestFrames(kRate * 100, 5000);
        if (i == 1) {
            computer.stop();
            QVERIFY(!computer.peaks());
            QVERIFY(!computer.frames());
        }
        if (i == 2)
            computer.start(m_long);
    }
    for (const auto &peaks : started)
        QVERIFY(peaks->finished());
}

QTEST_GUILESS_MAIN(PeaksTest)
#include "tst_peaks.moc"
