#pragma once

#include <QString>

#include <cstdint>

namespace settings {

/// The output settings every part of the program shares for the run. One instance, owned by
/// the application and passed by reference; nothing here is ever stored.
struct OutputSettings
{
    QString outputFormatName;
    QString outputSummary;
    int32_t outputKind = 0;
    bool flgCopyTags = false;

    QString oggRateText;
    QString oggChannelsText;
    int32_t oggBitrate = 0;
    int32_t oggMinBitrate = 0;
    int32_t oggMaxBitrate = 0;
    int32_t oggQuality = 0;
    bool flgOggVbr = false;
    bool flgOggQuality = false;

    int32_t wavRate = 0;
    int16_t wavChannels = 0;
    int32_t wavBits = 0;
};

void SetOggDefaults(OutputSettings &settings);
void SetWavDefaults(OutputSettings &settings);

} // namespace settings
