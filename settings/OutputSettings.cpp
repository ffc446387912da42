#include "OutputSettings.h"

namespace settings {

void SetOggDefaults(OutputSettings &settings)
{
    settings.oggRateText = QStringLiteral("44,100 Hz");
    settings.oggChannelsText = QStringLiteral("Stereo");
    settings.oggBitrate = 128;
    settings.oggMinBitrate = 128;
    settings.oggMaxBitrate = 128;
    settings.oggQuality = 300;
    settings.flgOggVbr = false;
    settings.flgOggQuality = false;
}

void SetWavDefaults(OutputSettings &settings)
{
    settings.wavRate = 44100;
    settings.wavChannels = 2;
    settings.wavBits = 16;
}

} // namespace settings
