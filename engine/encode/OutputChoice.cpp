#include "engine/encode/OutputChoice.h"

#include "engine/encode/Mp3Encoder.h"
#include "engine/encode/Mp3Writer.h"
#include "engine/encode/OggWriter.h"
#include "engine/encode/WavWriter.h"
#include "engine/encode/WmaWriter.h"
#include "engine/write/BackgroundWriter.h"
#include "engine/write/OutputText.h"

namespace engine {

namespace {

constexpr int32_t kMinRate = 8000;
constexpr int32_t kMaxRate = 48000;

QString oggDescription(const OggFormat &ogg)
{
    QString text =
        QStringLiteral("OGG %1; %2; ").arg(rateText(ogg.sampleRate), channelsText(ogg.channels));
    if (ogg.usesQuality())
        return text + QStringLiteral("Quality - %1")
                          .arg(ogg.quality / 100.0, 0, 'f', ogg.quality % 10 == 0 ? 1 : 2);
    if (ogg.minKbps > 0 || ogg.maxKbps > 0)
        return text + QStringLiteral("%1-%2Kbps").arg(ogg.minKbps).arg(ogg.maxKbps);
    return text + QStringLiteral("%1 Kbps").arg(ogg.kbps);
}

QString wavDescription(const WavFormat &wav)
{
    return QStringLiteral("WAV %1; %2; %3 bit")
        .arg(rateText(wav.sampleRate), channelsText(wav.channels))
        .arg(wav.bitsPerSample);
}

} // namespace

OutputChoice::OutputChoice() : m_mp3Description(describeMp3(m_mp3)) {}

Status OutputChoice::setDefaultOutputFormat(int32_t sampleRate, int32_t kbps, int32_t channels)
{
    Mp3Settings settings;
    settings.sampleRate = sampleRate;
    settings.bitrate = kbps;
    settings.channels = channels;
    return selectMp3(settings);
}

Status OutputChoice::selectMp3(const Mp3Settings &settings)
{
    m_mp3 = settings;
    m_mp3Description = describeMp3(settings);
    m_latest = Format::Mp3;
    return Status::success();
}

Status OutputChoice::selectWav(int32_t sampleRate, int16_t channels, int32_t bitsPerSample)
{
    const WavFormat wav{sampleRate, channels, bitsPerSample};
    if (!wav.isValid())
        return Status::failure(QStringLiteral("WAV output cannot be %1 Hz, %2 channels, %3 bit: "
                                              "it is 8 or 16 bit, mono or stereo, at 8,000 to "
                                              "48,000 Hz.")
                                   .arg(sampleRate)
                                   .arg(channels)
                                   .arg(bitsPerSample));
    m_wav = wav;
    m_latest = Format::Wav;
    return Status::success();
}

Result<bool> OutputChoice::checkOgg(int32_t sampleRate, int32_t channels, int32_t kbps,
                                    int32_t minKbps, int32_t maxKbps) const
{
    const OggFormat ogg{sampleRate, channels, kbps, minKbps, maxKbps, -1};
    return ogg.vorbisVerdict() == 0;
}

Status OutputChoice::selectOgg(int32_t sampleRate, int32_t channels, int32_t kbps, int32_t minKbps,
                               int32_t maxKbps, int32_t quality)
{
    if (sampleRate < kMinRate || sampleRate > kMaxRate || channels < 1 || channels > 2)
        return Status::failure(
            QStringLiteral("OGG output cannot be %1 Hz with %2 channels: it is mono or stereo "
                           "at 8,000 to 48,000 Hz.")
                .arg(sampleRate)
                .arg(channels));
    if (quality < -1 || quality > 1000)
        return Status::failure(
            QStringLiteral("OGG quality %1 is outside 0 to 10.").arg(quality / 100.0));
    // A combination libvorbis refuses is kept all the same, as the choice the window shows;
    // creating the file then fails with libvorbis's reason rather than encode something else.
    m_ogg = OggFormat{sampleRate, channels, kbps, minKbps, maxKbps, quality};
    m_latest = Format::Ogg;
    return Status::success();
}

Status OutputChoice::selectWmaProfile(int32_t profile)
{
    if (!wmaProfile(profile))
        return Status::failure(QStringLiteral("There is no WMA profile %1: they are numbered 1 "
                                              "to %2.")
                                   .arg(profile)
                                   .arg(kWmaProfileCount));
    m_wmaProfile = profile;
    m_latest = Format::Wma;
    return Status::success();
}

QString OutputChoice::description() const
{
    switch (m_latest) {
    case Format::Wma:
        return describeWmaProfile(m_wmaProfile);
    case Format::Ogg:
        return oggDescription(m_ogg);
    case Format::Wav:
        return wavDescription(m_wav);
    case Format::Mp3:
        break;
    }
    return m_mp3Description;
}

Result<std::unique_ptr<AudioWriter>> OutputChoice::createWriter(const QString &path) const
{
    const OutputFormatEntry *format = outputFormatOf(path);
    if (!format)
        return Status::failure(
            QStringLiteral("Cannot create '%1': the name must end in .mp3, .ogg, .wma or .wav to "
                           "choose the output format.")
                .arg(path));
    Result<std::unique_ptr<AudioWriter>> writer = Status::failure(QString());
    switch (format->format) {
    case Format::Mp3:
        writer = Mp3Writer::create(path, m_mp3);
        break;
    case Format::Wma:
        writer = WmaWriter::create(path, m_wmaProfile);
        break;
    case Format::Ogg:
        writer = OggWriter::create(path, m_ogg);
        break;
    case Format::Wav:
        writer = WavWriter::create(path, m_wav);
        break;
    }
    if (!writer)
        return writer;
    return std::unique_ptr<AudioWriter>(
        std::make_unique<BackgroundWriter>(std::move(writer.value())));
}

} // namespace engine
