#include "engine/info/FormatDescription.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QLocale>

namespace engine {

namespace {

QString codecName(const AVCodecParameters &codec)
{
    switch (codec.codec_id) {
    case AV_CODEC_ID_MP1:
        return QStringLiteral("MPEG Layer 1");
    case AV_CODEC_ID_MP2:
        return QStringLiteral("MPEG Layer 2");
    case AV_CODEC_ID_MP3:
        return QStringLiteral("MPEG Layer 3");
    case AV_CODEC_ID_VORBIS:
        return QStringLiteral("OGG Vorbis");
    case AV_CODEC_ID_OPUS:
        return QStringLiteral("Opus");
    case AV_CODEC_ID_WMAV1:
        return QStringLiteral("Windows Media Audio 1");
    case AV_CODEC_ID_WMAV2:
        return QStringLiteral("Windows Media Audio 2");
    case AV_CODEC_ID_WMAPRO:
        return QStringLiteral("Windows Media Audio Professional");
    case AV_CODEC_ID_WMALOSSLESS:
        return QStringLiteral("Windows Media Audio Lossless");
    case AV_CODEC_ID_WMAVOICE:
        return QStringLiteral("Windows Media Audio Voice");
    default:
        break;
    }
    const AVCodecDescriptor *descriptor = avcodec_descriptor_get(codec.codec_id);
    const QByteArray shortName(avcodec_get_name(codec.codec_id));
    const int bits = av_get_bits_per_sample(codec.codec_id);
    // Plain PCM: the sample size is what tells the variants apart for a person.
    if (bits > 0 && (shortName.startsWith("pcm_s") || shortName.startsWith("pcm_u")))
        return QStringLiteral("PCM %1 bit").arg(bits);
    if (bits > 0 && shortName.startsWith("pcm_f"))
        return QStringLiteral("PCM %1 bit float").arg(bits);
    QString name = QString::fromUtf8(descriptor && descriptor->long_name ? descriptor->long_name
                                                                         : shortName.constData());
    // The line's own separators must not appear inside a field.
    name.remove(QLatin1Char(';')).replace(QLatin1Char(','), QLatin1Char(' '));
    return name.simplified();
}

QString channelsText(int channels)
{
    if (channels == 1)
        return QStringLiteral("Mono");
    if (channels == 2)
        return QStringLiteral("Stereo");
    return QStringLiteral("%1 Channels").arg(channels);
}

} // namespace

QString formatDescriptionLine(const QString &codec, int sampleRate, int64_t bitRate, int channels)
{
    // Fixed grouping whatever the user's locale, so that the window's comma removal works.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QString line =
        codec + QStringLiteral("; ") + english.toString(sampleRate) + QStringLiteral(" Hz; ");
    if (bitRate > 0)
        line += english.toString((bitRate + 500) / 1000) + QStringLiteral(" Kbps; ");
    return line + channelsText(channels) + QLatin1Char(';');
}

QString describeAudio(const AVFormatContext &format)
{
    const int index = av_find_best_stream(const_cast<AVFormatContext *>(&format),
                                          AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0)
        return {};
    const AVCodecParameters &codec = *format.streams[index]->codecpar;
    if (!avcodec_find_decoder(codec.codec_id) || codec.sample_rate <= 0 ||
        codec.ch_layout.nb_channels <= 0)
        return {};
    // A stream's own nominal rate where it has one; otherwise the file's average.
    const int64_t bitRate = codec.bit_rate > 0 ? codec.bit_rate : format.bit_rate;
    return formatDescriptionLine(codecName(codec), codec.sample_rate, bitRate,
                                 codec.ch_layout.nb_channels);
}

} // namespace engine
