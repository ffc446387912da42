#include "OutputSummary.h"

#include <QLocale>

namespace cutting {

namespace {

QString oggSummary(const settings::OutputSettings &s)
{
    const QString head = QStringLiteral("OGG %1; %2; ").arg(s.oggRateText, s.oggChannelsText);
    if (s.flgOggQuality) {
        // "0.0#": one decimal at least, two at most, the locale's decimal point.
        QString quality = QLocale().toString(s.oggQuality / 100.0, 'f', 2);
        if (quality.endsWith(u'0'))
            quality.chop(1);
        return head + QStringLiteral("Quality - ") + quality;
    }
    if (s.flgOggVbr)
        return head + QStringLiteral("%1-%2Kbps").arg(s.oggMinBitrate).arg(s.oggMaxBitrate);
    return head + QStringLiteral("%1 Kbps").arg(s.oggBitrate);
}

QString wavSummary(const settings::OutputSettings &s)
{
    // "#,###": the locale's digit grouping, and nothing at all for 0.
    const QString rate = s.wavRate == 0 ? QString() : QLocale().toString(s.wavRate);
    const QString channels =
        s.wavChannels == 2 ? QStringLiteral("Stereo; ") : QStringLiteral("Mono; ");
    return QStringLiteral("WAV %1 Hz; %2%3 bit").arg(rate, channels).arg(s.wavBits);
}

} // namespace

std::optional<Summary> buildSummary(int formatIndex, const settings::OutputSettings &settings,
                                    int32_t mp3VbrMethod,
                                    const std::optional<QString> &wmaDescription)
{
    const engine::OutputFormatEntry *format = engine::outputFormatAt(formatIndex);
    if (!format)
        return std::nullopt;
    const QString name = QString::fromLatin1(format->name);
    switch (format->format) {
    case engine::OutputFormat::Mp3:
        return Summary{settings.outputSummary +
                           (mp3VbrMethod > -1 ? QStringLiteral(" VBR") : QString()),
                       name};
    case engine::OutputFormat::Wma:
        return Summary{wmaDescription, name};
    case engine::OutputFormat::Ogg:
        return Summary{oggSummary(settings), name};
    case engine::OutputFormat::Wav:
        return Summary{wavSummary(settings), name};
    }
    return std::nullopt;
}

QString cleanOutputSummary(QString description)
{
    description.replace(QStringLiteral("kHz"), QStringLiteral("Hz"));
    if (description.endsWith(QStringLiteral("; ")))
        description.chop(2);
    return description;
}

} // namespace cutting
