#include "engine/encode/WmaProfiles.h"

#include "engine/write/OutputText.h"

#include <array>

namespace engine {

namespace {

// Ordered by size (bit rate), stereo before mono, higher rates first. Each one was checked
// to encode with wmav2, which refuses anything under 24 kbit/s. Three are offered as quick
// choices: 10 (normal quality, normal size), 14 (good quality, small size; the start-up
// profile) and 35 (poor quality, very small size).
constexpr std::array<WmaProfile, kWmaProfileCount> kProfiles = {{
    {320, 48000, 2}, {320, 44100, 2}, {256, 48000, 2}, {256, 44100, 2}, {192, 48000, 2},
    {192, 44100, 2}, {160, 48000, 2}, {160, 44100, 2}, {128, 48000, 2}, {128, 44100, 2},
    {112, 44100, 2}, {96, 44100, 2},  {80, 44100, 2},  {64, 44100, 2},  {64, 32000, 2},
    {64, 48000, 1},  {64, 44100, 1},  {64, 32000, 1},  {56, 32000, 2},  {56, 44100, 1},
    {56, 32000, 1},  {48, 44100, 2},  {48, 32000, 2},  {48, 22050, 2},  {48, 44100, 1},
    {48, 32000, 1},  {48, 22050, 1},  {40, 32000, 2},  {40, 22050, 2},  {40, 44100, 1},
    {40, 32000, 1},  {40, 22050, 1},  {40, 16000, 1},  {32, 32000, 2},  {32, 22050, 2},
    {32, 16000, 2},  {32, 32000, 1},  {32, 22050, 1},  {32, 16000, 1},  {32, 11025, 1},
    {32, 8000, 1},   {24, 22050, 2},  {24, 16000, 2},  {24, 22050, 1},  {24, 16000, 1},
    {24, 11025, 1},  {24, 8000, 1},
}};

} // namespace

const WmaProfile *wmaProfile(int32_t number)
{
    if (number < 1 || number > kWmaProfileCount)
        return nullptr;
    return &kProfiles[size_t(number - 1)];
}

QString describeWmaProfile(int32_t number)
{
    const WmaProfile *profile = wmaProfile(number);
    if (!profile)
        return QString();
    return QStringLiteral("WMA %1; %2; %3 Kbps")
        .arg(rateText(profile->sampleRate), channelsText(profile->channels))
        .arg(profile->kbps);
}

} // namespace engine
