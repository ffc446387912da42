// Output at any source rate, and at the size it promises: cuts from low-rate sources into MP3
// at the highest rates and presets (LAME resamples them up before it encodes), and the bit
// rate every WMA profile takes on disk.
#include "WriterTestSupport.h"
#include "engine/factory/Initialise.h"

#include "ConvertJob.h"
#include "Fixtures.h"
#include "engine/encode/OutputWriters.h"
#include "engine/encode/WmaProfiles.h"
#include "engine/factory/AudioFileObject.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <cmath>
#include <numbers>

using namespace writertest;

Q_DECLARE_METATYPE(engine::Mp3Settings)

class WriterRateTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mp3FromLowRates_data();
    void mp3FromLowRates();
    void wmaTakesItsNominalRate();

private:
    QTemporaryDir m_dir;
};

void WriterRateTest::initTestCase()
{
    engine::initialise();
    QVERIFY(m_dir.isValid());
}

void WriterRateTest::mp3FromLowRates_data()
{
    QTest::addColumn<engine::Mp3Settings>("settings");
    QTest::addColumn<int>("sourceRate");
    QTest::addColumn<int>("sourceChannels");

    using S = engine::Mp3Settings;
    auto preset = [](int32_t number) {
        S s;
        s.applyPreset(number);
        return s;
    };
    S cbr;
    cbr.bitrate = 320;
    S dual48k = cbr;
    dual48k.sampleRate = 48000;
    dual48k.channelMode = S::DualChannel;
    // Every frame at the top rate: the most bytes LAME can give per frame.
    S vbr;
    vbr.vbrMethod = S::VbrMtrh;
    vbr.vbrQuality = 0;
    vbr.bitrate = 320;
    vbr.maxVbrBitrate = 320;
    vbr.strictMinimum = true;
    S abr;
    abr.vbrMethod = S::VbrAbr;
    abr.abrBitrate = 310;
    const std::pair<const char *, S> outputs[] = {
        {"cbr 320", cbr},
        {"dual channel 48k 320", dual48k},
        {"vbr q0 320", vbr},
        {"abr 310", abr},
        {"HiFi", preset(S::HiFi)},
        {"CD", preset(S::Cd)},
        {"Studio", preset(S::Studio)},
        {"R3Mix", preset(S::R3Mix)},
    };
    for (int rate : {8000, 11025, 16000, 22050, 32000})
        for (int channels : {1, 2})
            for (const auto &[name, settings] : outputs)
                QTest::addRow("%s from %d Hz %s", name, rate, channels == 1 ? "mono" : "stereo")
                    << settings << rate << channels;
    // Rates whose frames are too small for LAME's own tag frame.
    for (const auto &[rate, channels] : {std::pair{44100, 2}, {48000, 2}, {22050, 1}})
        for (int kbps : {32, 48, 56}) {
            S low;
            low.sampleRate = rate;
            low.channels = channels;
            low.bitrate = kbps;
            QTest::addRow("cbr %d at %d Hz %s", kbps, rate, channels == 1 ? "mono" : "stereo")
                << low << rate << channels;
        }
}

void WriterRateTest::mp3FromLowRates()
{
    QFETCH(engine::Mp3Settings, settings);
    QFETCH(int, sourceRate);
    QFETCH(int, sourceChannels);

    const QString source =
        m_dir.filePath(QStringLiteral("tone-%1-%2.wav").arg(sourceRate).arg(sourceChannels));
    if (!QFileInfo::exists(source))
        QVERIFY(fixtures::makeTone(source, 1.5, sourceRate, sourceChannels,
                                   {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")}));
    const QString dest = m_dir.filePath(QStringLiteral("cut.mp3"));
    // More than one whole block: the job hands the writer one second of the source at a time.
    const double begin = std::floor(0.2 * sourceRate);
    const double end = std::floor(1.3 * sourceRate);
    engine::AudioFileObject reader;
    engine::OutputChoice output;
    output.mp3 = settings;
    const engine::Status outcome = cutting::ConvertRange(
        reader, makerOf(output), source, dest, {std::llround(begin), std::llround(end)}, {});
    QVERIFY2(outcome, qPrintable(outcome.description()));

    qint64 length = -1;
    const Decoded cut = decodeWithEngine(dest, &length);
    QCOMPARE(cut.rate, settings.sampleRate);
    QCOMPARE(cut.channels, settings.channels == 1 ? 1 : 2);
    QCOMPARE(length, cut.frames());
    const qint64 expected = std::llround((end - begin) * settings.sampleRate / sourceRate);
    QVERIFY2(std::abs(cut.frames() - expected) <= 1,
             qPrintable(QStringLiteral("%1 frames, expected %2").arg(cut.frames()).arg(expected)));
}

// Each profile on disk: no more than 8 % above its bit rate (headers and packet padding
// included), and two profiles of different rates never the same size. The packets grow with
// the length and the file's header and index do not, so the rate on disk only falls with
// longer files: what holds for 20 s holds for a minute and more.
void WriterRateTest::wmaTakesItsNominalRate()
{
    constexpr int kSeconds = 20;
    std::array<qint64, engine::kWmaProfileCount> sizes{};
    for (int p = 1; p <= engine::kWmaProfileCount; ++p) {
        const engine::WmaProfile *profile = engine::wmaProfile(p);
        QVERIFY(profile);
        const QString path = m_dir.filePath(QStringLiteral("profile-%1.wma").arg(p));
        engine::OutputChoice output;
        output.wmaProfile = p;
        auto made = engine::createOutputWriter(path, output);
        QVERIFY(made);
        engine::AudioWriter &writer = *made.value();
        QVERIFY(writer.setInputFormat(profile->sampleRate, profile->channels));
        // The profile's own rate and channels: nothing to convert, only to encode.
        engine::SampleBlock block(size_t(profile->sampleRate) * size_t(profile->channels));
        for (int second = 0; second < kSeconds; ++second) {
            for (size_t i = 0; i < block.size(); ++i) {
                const double t =
                    second + double(i / size_t(profile->channels)) / profile->sampleRate;
                block[i] = float(0.4 * std::sin(2 * std::numbers::pi * (220 + 20 * t) * t));
            }
            QVERIFY(writer.write(block));
        }
        const engine::Status closed = writer.finish();
        QVERIFY2(closed, qPrintable(closed.description()));
        sizes[size_t(p - 1)] = QFileInfo(path).size();
        QFile::remove(path);
        const double kbps = double(sizes[size_t(p - 1)]) * 8 / kSeconds / 1000;
        QVERIFY2(kbps <= profile->kbps * 1.08 && kbps >= profile->kbps * 0.95,
                 qPrintable(QStringLiteral("profile %1 (%2 kbit/s): %3 kbit/s on disk")
                                .arg(p)
                                .arg(profile->kbps)
                                .arg(kbps, 0, 'f', 1)));
    }
    for (int a = 1; a <= engine::kWmaProfileCount; ++a)
        for (int b = a + 1; b <= engine::kWmaProfileCount; ++b)
            if (engine::wmaProfile(a)->kbps != engine::wmaProfile(b)->kbps)
                QVERIFY2(sizes[size_t(a - 1)] != sizes[size_t(b - 1)],
                         qPrintable(QStringLiteral("profiles %1 and %2: %3 bytes each")
                                        .arg(a)
                                        .arg(b)
                                        .arg(sizes[size_t(a - 1)])));
}

QTEST_GUILESS_MAIN(WriterRateTest)
#include "WriterRateTest.moc"
