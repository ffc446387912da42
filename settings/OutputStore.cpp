// The output choice in the user's settings: one value per setting, as decimal text, so that
// a value written by hand or by an older version is read the same way as every other.
#include "SettingsStore.h"
#include "TextNumbers.h"

#include <utility>

namespace settings {

namespace {

const QString kLastFormat = QStringLiteral("LastFormat");
const QString kKeepEncoding = QStringLiteral("KeepEncoding");
const QString kCopyTags = QStringLiteral("CopyTags");
// Beyond these a stored value was not made by the program.
constexpr double kLongestFadeSeconds = 3600;
constexpr double kQuietestLufs = -70;

bool usable(const engine::Mp3Settings &mp3)
{
    return mp3.channels >= 1 && mp3.channels <= 2 &&
           mp3.channelMode >= engine::Mp3Settings::Stereo &&
           mp3.channelMode <= engine::Mp3Settings::DualChannel &&
           mp3.vbrMethod >= engine::Mp3Settings::VbrNone &&
           mp3.vbrMethod <= engine::Mp3Settings::VbrAbr;
}

QString flagText(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

template <typename T> void SettingsStore::readNumber(const QString &valueName, T &value) const
{
    const QString text = ReadSetting(valueName).trimmed();
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    if (isNumber)
        if (auto whole = roundedInto<T>(number))
            value = *whole;
}

void SettingsStore::readFlag(const QString &valueName, bool &value) const
{
    const QString text = ReadSetting(valueName);
    if (text == QLatin1String("1") || text == QLatin1String("0"))
        value = text == QLatin1String("1");
}

engine::OutputChoice SettingsStore::ReadOutput() const
{
    engine::OutputChoice output;
    int32_t format = 0;
    readNumber(kLastFormat, format);
    if (engine::outputFormatAt(format))
        output.format = engine::OutputFormat(format);
    // Only "1" keeps the source's encoding: it is off unless the user turned it on.
    output.keepEncoding = ReadSetting(kKeepEncoding) == QLatin1String("1");
    readFlag(kCopyTags, output.copyTags);

    engine::Mp3Settings mp3;
    readNumber(QStringLiteral("Mp3/SampleRate"), mp3.sampleRate);
    readNumber(QStringLiteral("Mp3/Channels"), mp3.channels);
    readNumber(QStringLiteral("Mp3/ChannelMode"), mp3.channelMode);
    readNumber(QStringLiteral("Mp3/Bitrate"), mp3.bitrate);
    readNumber(QStringLiteral("Mp3/Quality"), mp3.quality);
    readNumber(QStringLiteral("Mp3/VbrMethod"), mp3.vbrMethod);
    readNumber(QStringLiteral("Mp3/MaxVbrBitrate"), mp3.maxVbrBitrate);
    readNumber(QStringLiteral("Mp3/VbrQuality"), mp3.vbrQuality);
    readNumber(QStringLiteral("Mp3/AbrBitrate"), mp3.abrBitrate);
    readFlag(QStringLiteral("Mp3/WriteVbrHeader"), mp3.writeVbrHeader);
    readFlag(QStringLiteral("Mp3/StrictMinimum"), mp3.strictMinimum);
    if (usable(mp3))
        output.mp3 = mp3;

    int32_t profile = output.wmaProfile;
    readNumber(QStringLiteral("Wma/Profile"), profile);
    if (profile >= 1 && profile <= engine::kWmaProfileCount)
        output.wmaProfile = profile;

    engine::OggSettings ogg;
    readNumber(QStringLiteral("Ogg/SampleRate"), ogg.sampleRate);
    readNumber(QStringLiteral("Ogg/Channels"), ogg.channels);
    readNumber(QStringLiteral("Ogg/Bitrate"), ogg.bitrate);
    readNumber(QStringLiteral("Ogg/MinBitrate"), ogg.minBitrate);
    readNumber(QStringLiteral("Ogg/MaxBitrate"), ogg.maxBitrate);
    readNumber(QStringLiteral("Ogg/Quality"), ogg.quality);
    readFlag(QStringLiteral("Ogg/Vbr"), ogg.vbr);
    readFlag(QStringLiteral("Ogg/UseQuality"), ogg.useQuality);
    if (ogg.isValid())
        output.ogg = ogg;

    engine::WavSettings wav;
    readNumber(QStringLiteral("Wav/SampleRate"), wav.sampleRate);
    readNumber(QStringLiteral("Wav/Channels"), wav.channels);
    readNumber(QStringLiteral("Wav/BitsPerSample"), wav.bitsPerSample);
    if (wav.isValid())
        output.wav = wav;

    engine::FlacSettings flac;
    readNumber(QStringLiteral("Flac/SampleRate"), flac.sampleRate);
    readNumber(QStringLiteral("Flac/Channels"), flac.channels);
    readNumber(QStringLiteral("Flac/BitsPerSample"), flac.bitsPerSample);
    readNumber(QStringLiteral("Flac/Level"), flac.level);
    if (flac.isValid())
        output.flac = flac;

    engine::OpusSettings opus;
    readNumber(QStringLiteral("Opus/Channels"), opus.channels);
    readNumber(QStringLiteral("Opus/Bitrate"), opus.bitrate);
    readNumber(QStringLiteral("Opus/Mode"), opus.mode);
    readFlag(QStringLiteral("Opus/Voice"), opus.voice);
    if (opus.isValid())
        output.opus = opus;

    engine::M4aSettings m4a;
    readNumber(QStringLiteral("M4a/SampleRate"), m4a.sampleRate);
    readNumber(QStringLiteral("M4a/Channels"), m4a.channels);
    readNumber(QStringLiteral("M4a/Bitrate"), m4a.bitrate);
    if (m4a.isValid())
        output.m4a = m4a;
    // Shaping: a negative fade or a loudness no meter reports is a hand-made value; it keeps
    // the default.
    engine::ShapeSettings &shape = output.shape;
    for (auto [name, seconds] : {std::pair{QStringLiteral("FadeIn"), &shape.fadeInSeconds},
                                 std::pair{QStringLiteral("FadeOut"), &shape.fadeOutSeconds}}) {
        bool isNumber = false;
        const double value = ReadSetting(name).trimmed().toDouble(&isNumber);
        if (isNumber && value >= 0 && value <= kLongestFadeSeconds)
            *seconds = value;
    }
    readFlag(QStringLiteral("FadeEqualPower"), shape.equalPower);
    bool isNumber = false;
    const double lufs = ReadSetting(QStringLiteral("Normalise")).trimmed().toDouble(&isNumber);
    if (isNumber && lufs >= kQuietestLufs && lufs <= 0)
        shape.normaliseLufs = lufs;
    readFlag(QStringLiteral("GainTags"), shape.gainTags);
    return output;
}

void SettingsStore::WriteOutput(const engine::OutputChoice &output)
{
    const auto number = [this](const char *name, int64_t value) {
        WriteSetting(QString::fromLatin1(name), QString::number(value));
    };
    const auto flag = [this](const char *name, bool value) {
        WriteSetting(QString::fromLatin1(name), flagText(value));
    };
    number("LastFormat", int(output.format));
    flag("KeepEncoding", output.keepEncoding);
    flag("CopyTags", output.copyTags);

    const engine::Mp3Settings &mp3 = output.mp3;
    number("Mp3/SampleRate", mp3.sampleRate);
    number("Mp3/Channels", mp3.channels);
    number("Mp3/ChannelMode", mp3.channelMode);
    number("Mp3/Bitrate", mp3.bitrate);
    number("Mp3/Quality", mp3.quality);
    number("Mp3/VbrMethod", mp3.vbrMethod);
    number("Mp3/MaxVbrBitrate", mp3.maxVbrBitrate);
    number("Mp3/VbrQuality", mp3.vbrQuality);
    number("Mp3/AbrBitrate", mp3.abrBitrate);
    flag("Mp3/WriteVbrHeader", mp3.writeVbrHeader);
    flag("Mp3/StrictMinimum", mp3.strictMinimum);

    number("Wma/Profile", output.wmaProfile);

    const engine::OggSettings &ogg = output.ogg;
    number("Ogg/SampleRate", ogg.sampleRate);
    number("Ogg/Channels", ogg.channels);
    number("Ogg/Bitrate", ogg.bitrate);
    number("Ogg/MinBitrate", ogg.minBitrate);
    number("Ogg/MaxBitrate", ogg.maxBitrate);
    number("Ogg/Quality", ogg.quality);
    flag("Ogg/Vbr", ogg.vbr);
    flag("Ogg/UseQuality", ogg.useQuality);

    number("Wav/SampleRate", output.wav.sampleRate);
    number("Wav/Channels", output.wav.channels);
    number("Wav/BitsPerSample", output.wav.bitsPerSample);

    number("Flac/SampleRate", output.flac.sampleRate);
    number("Flac/Channels", output.flac.channels);
    number("Flac/BitsPerSample", output.flac.bitsPerSample);
    number("Flac/Level", output.flac.level);

    number("Opus/Channels", output.opus.channels);
    number("Opus/Bitrate", output.opus.bitrate);
    number("Opus/Mode", output.opus.mode);
    flag("Opus/Voice", output.opus.voice);

    number("M4a/SampleRate", output.m4a.sampleRate);
    number("M4a/Channels", output.m4a.channels);
    number("M4a/Bitrate", output.m4a.bitrate);
    const engine::ShapeSettings &shape = output.shape;
    WriteSetting(QStringLiteral("FadeIn"), QString::number(shape.fadeInSeconds));
    WriteSetting(QStringLiteral("FadeOut"), QString::number(shape.fadeOutSeconds));
    flag("FadeEqualPower", shape.equalPower);
    WriteSetting(QStringLiteral("Normalise"), shape.normaliseLufs
                                                  ? QString::number(*shape.normaliseLufs)
                                                  : QStringLiteral("Off"));
    flag("GainTags", shape.gainTags);
}

} // namespace settings
