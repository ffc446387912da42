// The output choice in the user's settings: one value per setting, as decimal text, so that
// a value written by hand or by an older version is read the same way as every other.
#include "SettingsStore.h"
#include "TextNumbers.h"

#include <type_traits>
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

/// Every setting of every format under its stored name, for reading and writing alike, so
/// that the two cannot name a value differently.
template <typename Choice, typename Visit> void eachFormatSetting(Choice &output, Visit visit)
{
    auto &mp3 = output.mp3;
    visit("Mp3/SampleRate", mp3.sampleRate);
    visit("Mp3/Channels", mp3.channels);
    visit("Mp3/ChannelMode", mp3.channelMode);
    visit("Mp3/Bitrate", mp3.bitrate);
    visit("Mp3/Quality", mp3.quality);
    visit("Mp3/VbrMethod", mp3.vbrMethod);
    visit("Mp3/MaxVbrBitrate", mp3.maxVbrBitrate);
    visit("Mp3/VbrQuality", mp3.vbrQuality);
    visit("Mp3/AbrBitrate", mp3.abrBitrate);
    visit("Mp3/WriteVbrHeader", mp3.writeVbrHeader);
    visit("Mp3/StrictMinimum", mp3.strictMinimum);
    visit("Wma/Profile", output.wmaProfile);
    auto &ogg = output.ogg;
    visit("Ogg/SampleRate", ogg.sampleRate);
    visit("Ogg/Channels", ogg.channels);
    visit("Ogg/Bitrate", ogg.bitrate);
    visit("Ogg/MinBitrate", ogg.minBitrate);
    visit("Ogg/MaxBitrate", ogg.maxBitrate);
    visit("Ogg/Quality", ogg.quality);
    visit("Ogg/Vbr", ogg.vbr);
    visit("Ogg/UseQuality", ogg.useQuality);
    visit("Wav/SampleRate", output.wav.sampleRate);
    visit("Wav/Channels", output.wav.channels);
    visit("Wav/BitsPerSample", output.wav.bitsPerSample);
    visit("Flac/SampleRate", output.flac.sampleRate);
    visit("Flac/Channels", output.flac.channels);
    visit("Flac/BitsPerSample", output.flac.bitsPerSample);
    visit("Flac/Level", output.flac.level);
    visit("Opus/Channels", output.opus.channels);
    visit("Opus/Bitrate", output.opus.bitrate);
    visit("Opus/Mode", output.opus.mode);
    visit("Opus/Voice", output.opus.voice);
    visit("M4a/SampleRate", output.m4a.sampleRate);
    visit("M4a/Channels", output.m4a.channels);
    visit("M4a/Bitrate", output.m4a.bitrate);
    visit("M4a/Ringtone", output.m4a.ringtone);
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

    // Read over the defaults; a format whose settings no dialog could show keeps them all.
    engine::OutputChoice stored = output;
    eachFormatSetting(stored, [this](const char *name, auto &value) {
        if constexpr (std::is_same_v<std::remove_reference_t<decltype(value)>, bool>)
            readFlag(QString::fromLatin1(name), value);
        else
            readNumber(QString::fromLatin1(name), value);
    });
    if (usable(stored.mp3))
        output.mp3 = stored.mp3;
    if (stored.wmaProfile >= 1 && stored.wmaProfile <= engine::kWmaProfileCount)
        output.wmaProfile = stored.wmaProfile;
    if (stored.ogg.isValid())
        output.ogg = stored.ogg;
    if (stored.wav.isValid())
        output.wav = stored.wav;
    if (stored.flac.isValid())
        output.flac = stored.flac;
    if (stored.opus.isValid())
        output.opus = stored.opus;
    if (stored.m4a.isValid())
        output.m4a = stored.m4a;
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

    eachFormatSetting(output, [&](const char *name, const auto &value) {
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(value)>, bool>)
            flag(name, value);
        else
            number(name, value);
    });
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
