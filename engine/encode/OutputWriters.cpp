#include "engine/encode/OutputWriters.h"

#include "engine/encode/FfmpegWriter.h"
#include "engine/encode/Mp3Encoder.h"
#include "engine/encode/Mp3Writer.h"
#include "engine/encode/OggWriter.h"
#include "engine/encode/WavWriter.h"
#include "engine/encode/WmaProfiles.h"
#include "engine/encode/WmaWriter.h"
#include "engine/write/BackgroundWriter.h"
#include "engine/write/OutputText.h"

namespace engine {

namespace {

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

QString wavDescription(const WavSettings &wav)
{
    return QStringLiteral("WAV %1; %2; %3 bit")
        .arg(rateText(wav.sampleRate), channelsText(wav.channels))
        .arg(wav.bitsPerSample);
}

Status checkWav(const WavSettings &wav)
{
    if (wav.isValid())
        return Status::success();
    return Status::failure(QStringLiteral("WAV output cannot be %1 Hz, %2 channels, %3 bit: it is "
                                          "8 or 16 bit, mono or stereo, at 8,000 to 48,000 Hz.")
                               .arg(wav.sampleRate)
                               .arg(wav.channels)
                               .arg(wav.bitsPerSample));
}

Status checkOgg(const OggSettings &ogg)
{
    if (!ogg.isValid())
        return Status::failure(
            QStringLiteral("OGG output cannot be %1 Hz with %2 channels at quality %3: it is mono "
                           "or stereo at 8,000 to 48,000 Hz, quality 0 to 10.")
                .arg(ogg.sampleRate)
                .arg(ogg.channels)
                .arg(ogg.quality / 100.0));
    // A quality is always encodable; libvorbis answers for bit rates only at the rate and
    // channels that will be encoded (16,000 Hz stereo takes 24 to 192 kbit/s, 44,100 Hz
    // stereo 48 to 500).
    if (!ogg.useQuality && OggFormat::of(ogg).vorbisVerdict() != 0)
        return Status::failure(QStringLiteral("libvorbis cannot encode %1 Hz, %2 channels at "
                                              "these bit rates.")
                                   .arg(ogg.sampleRate)
                                   .arg(ogg.channels));
    return Status::success();
}

QString layoutText(int32_t rate, int32_t channels)
{
    if (rate == 0 && channels == 0)
        return QStringLiteral("as the source");
    return QStringLiteral("%1; %2").arg(
        rate > 0 ? rateText(rate) : QStringLiteral("the source's rate"),
        channels > 0 ? channelsText(channels) : QStringLiteral("the source's channels"));
}

QString flacDescription(const FlacSettings &flac)
{
    return QStringLiteral("FLAC %1; %2; level %3")
        .arg(layoutText(flac.sampleRate, flac.channels),
             flac.bitsPerSample > 0 ? QStringLiteral("%1 bit").arg(flac.bitsPerSample)
                                    : QStringLiteral("the source's bits"))
        .arg(flac.level);
}

QString opusDescription(const OpusSettings &opus)
{
    const char *mode = opus.mode == OpusSettings::Cbr              ? "CBR"
                       : opus.mode == OpusSettings::ConstrainedVbr ? "constrained VBR"
                                                                   : "VBR";
    return QStringLiteral("Opus %1; %2 Kbps %3%4")
        .arg(layoutText(48000, opus.channels))
        .arg(opus.bitrate)
        .arg(QLatin1String(mode), opus.voice ? QStringLiteral("; voice") : QString());
}

QString m4aDescription(const M4aSettings &m4a)
{
    return QStringLiteral("%1 %2; %3 Kbps")
        .arg(m4a.ringtone ? QStringLiteral("M4R") : QStringLiteral("M4A"),
             layoutText(m4a.sampleRate, m4a.channels))
        .arg(m4a.bitrate);
}

EncoderRequest flacRequest(const FlacSettings &flac)
{
    EncoderRequest request;
    request.encoder = "flac";
    request.muxer = "flac";
    request.formatName = "FLAC";
    request.sampleRate = flac.sampleRate;
    request.channels = flac.channels;
    request.bitsPerSample = flac.bitsPerSample > 0 ? flac.bitsPerSample : 16;
    request.bitsFromSource = flac.bitsPerSample == 0;
    request.compressionLevel = flac.level;
    return request;
}

EncoderRequest opusRequest(const OpusSettings &opus)
{
    EncoderRequest request;
    request.encoder = "libopus";
    request.muxer = "ogg";
    request.formatName = "Opus";
    // Opus is coded at 48,000 Hz whatever the source's rate.
    request.sampleRate = 48000;
    request.channels = opus.channels;
    request.bitRate = int64_t(opus.bitrate) * 1000;
    request.codecOptions = {{"vbr", opus.mode == OpusSettings::Cbr              ? "off"
                                    : opus.mode == OpusSettings::ConstrainedVbr ? "constrained"
                                                                                : "on"},
                            {"application", opus.voice ? "voip" : "audio"}};
    return request;
}

EncoderRequest m4aRequest(const M4aSettings &m4a)
{
    EncoderRequest request;
    request.encoder = "aac";
    request.muxer = "ipod";
    request.formatName = "AAC";
    request.sampleRate = m4a.sampleRate;
    request.channels = m4a.channels;
    request.bitRate = int64_t(m4a.bitrate) * 1000;
    return request;
}

Status refusedSettings(const char *format)
{
    return Status::failure(
        QStringLiteral("These %1 settings cannot be encoded.").arg(QLatin1String(format)));
}

Status checkWma(int32_t profile)
{
    if (wmaProfile(profile))
        return Status::success();
    return Status::failure(QStringLiteral("There is no WMA profile %1: they are numbered 1 to %2.")
                               .arg(profile)
                               .arg(kWmaProfileCount));
}

} // namespace

Status checkOutput(const OutputChoice &output)
{
    switch (output.format) {
    case OutputFormat::Wma:
        return checkWma(output.wmaProfile);
    case OutputFormat::Ogg:
        return checkOgg(output.ogg);
    case OutputFormat::Wav:
        return checkWav(output.wav);
    case OutputFormat::Flac:
        return output.flac.isValid() ? Status::success() : refusedSettings("FLAC");
    case OutputFormat::Opus:
        return output.opus.isValid() ? Status::success() : refusedSettings("Opus");
    case OutputFormat::M4a:
        return output.m4a.isValid() ? Status::success() : refusedSettings("M4A");
    case OutputFormat::Mp3:
        break;
    }
    // LAME takes any settings: the writer clamps them into its ranges.
    return Status::success();
}

QString describeOutput(const OutputChoice &output)
{
    switch (output.format) {
    case OutputFormat::Wma:
        return describeWmaProfile(output.wmaProfile);
    case OutputFormat::Ogg:
        return oggDescription(OggFormat::of(output.ogg));
    case OutputFormat::Wav:
        return wavDescription(output.wav);
    case OutputFormat::Flac:
        return flacDescription(output.flac);
    case OutputFormat::Opus:
        return opusDescription(output.opus);
    case OutputFormat::M4a:
        return m4aDescription(output.m4a);
    case OutputFormat::Mp3:
        break;
    }
    return describeMp3(output.mp3);
}

Result<std::unique_ptr<AudioWriter>> createOutputWriter(const QString &path,
                                                        const OutputChoice &output)
{
    const OutputFormatEntry *format = outputFormatOf(path);
    if (!format)
        return Status::failure(
            QStringLiteral("Cannot create '%1': the name must end in .mp3, .ogg, .wma, .wav, "
                           ".flac, .opus or .m4a to choose the output format.")
                .arg(path));
    // The name decides the format, as the save dialog lets the user type another extension.
    OutputChoice named = output;
    named.format = format->format;
    // An OGG combination libvorbis refuses goes to the writer all the same, which then fails
    // with libvorbis's own reason rather than encode something else.
    const bool refused =
        named.format == OutputFormat::Ogg ? !named.ogg.isValid() : checkOutput(named).failed();
    if (refused)
        return checkOutput(named);
    Result<std::unique_ptr<AudioWriter>> writer = Status::failure(QString());
    switch (named.format) {
    case OutputFormat::Mp3:
        writer = Mp3Writer::create(path, named.mp3);
        break;
    case OutputFormat::Wma:
        writer = WmaWriter::create(path, named.wmaProfile);
        break;
    case OutputFormat::Ogg:
        writer = OggWriter::create(path, OggFormat::of(named.ogg));
        break;
    case OutputFormat::Wav:
        writer = WavWriter::create(path, named.wav);
        break;
    case OutputFormat::Flac:
        writer = FfmpegWriter::create(path, flacRequest(named.flac));
        break;
    case OutputFormat::Opus:
        writer = FfmpegWriter::create(path, opusRequest(named.opus));
        break;
    case OutputFormat::M4a:
        writer = FfmpegWriter::create(path, m4aRequest(named.m4a));
        break;
    }
    if (!writer)
        return writer;
    return std::unique_ptr<AudioWriter>(
        std::make_unique<BackgroundWriter>(std::move(writer.value())));
}

} // namespace engine
