#include "OutputSummary.h"

#include <QLocale>

namespace cutting {

namespace {

QString oggSummary(const engine::OggSettings &s)
{
    // The rate as the dialog's list shows it: grouped with commas whatever the locale.
    const QString head =
        QStringLiteral("OGG %1 Hz; %2; ")
            .arg(QLocale(QLocale::English, QLocale::UnitedStates).toString(s.sampleRate),
                 s.channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
    if (s.useQuality) {
        // "0.0#": one decimal at least, two at most, the locale's decimal point.
        QString quality = QLocale().toString(s.quality / 100.0, 'f', 2);
        if (quality.endsWith(u'0'))
            quality.chop(1);
        return head + QStringLiteral("Quality - ") + quality;
    }
    if (s.vbr)
        return head + QStringLiteral("%1-%2Kbps").arg(s.minBitrate).arg(s.maxBitrate);
    return head + QStringLiteral("%1 Kbps").arg(s.bitrate);
}

QString wavSummary(const engine::WavSettings &s)
{
    // "#,###": the locale's digit grouping, and nothing at all for 0.
    const QString rate = s.sampleRate == 0 ? QString() : QLocale().toString(s.sampleRate);
    const QString channels =
        s.channels == 2 ? QStringLiteral("Stereo; ") : QStringLiteral("Mono; ");
    return QStringLiteral("WAV %1 Hz; %2%3 bit").arg(rate, channels).arg(s.bitsPerSample);
}

} // namespace

std::optional<QString> summaryOf(const engine::OutputChoice &output,
                                 const std::optional<QString> &described)
{
    switch (output.format) {
    case engine::OutputFormat::Mp3:
        if (!described)
            return std::nullopt;
        return cleanOutputSummary(*described) + (output.mp3.vbrMethod > engine::Mp3Settings::VbrNone
                                                     ? QStringLiteral(" VBR")
                                                     : QString());
    case engine::OutputFormat::Wma:
    case engine::OutputFormat::Flac:
    case engine::OutputFormat::Opus:
    case engine::OutputFormat::M4a:
        return described;
    case engine::OutputFormat::Ogg:
        return oggSummary(output.ogg);
    case engine::OutputFormat::Wav:
        return wavSummary(output.wav);
    }
    return std::nullopt;
}

QString shapeSummaryOf(const engine::ShapeSettings &shape)
{
    QString text;
    if (shape.fadeInSeconds > 0 || shape.fadeOutSeconds > 0)
        text += QStringLiteral("; fade %1 s / %2 s")
                    .arg(shape.fadeInSeconds, 0, 'f', 1)
                    .arg(shape.fadeOutSeconds, 0, 'f', 1);
    if (shape.normaliseLufs)
        text += QStringLiteral("; to %1 LUFS").arg(*shape.normaliseLufs, 0, 'f', 0);
    return text;
}

QString cleanOutputSummary(QString description)
{
    description.replace(QStringLiteral("kHz"), QStringLiteral("Hz"));
    if (description.endsWith(QStringLiteral("; ")))
        description.chop(2);
    return description;
}

} // namespace cutting
