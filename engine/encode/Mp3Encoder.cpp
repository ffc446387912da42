#include "engine/encode/Mp3Encoder.h"

#include "engine/write/OutputText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace engine {

namespace {

constexpr std::array<int, 9> kMpegRates = {8000,  11025, 12000, 16000, 22050,
                                           24000, 32000, 44100, 48000};

int nearestMpegRate(int hz)
{
    return *std::min_element(kMpegRates.begin(), kMpegRates.end(),
                             [hz](int a, int b) { return std::abs(a - hz) < std::abs(b - hz); });
}

struct BitrateRange
{
    int low;
    int high;
    int clamp(int kbps) const { return std::clamp(kbps, low, high); }
};

// MPEG-1 above 24 kHz, MPEG-2 from 16 to 24 kHz, MPEG-2.5 below.
BitrateRange bitrateRange(int mpegRate)
{
    if (mpegRate >= 32000)
        return {32, 320};
    if (mpegRate >= 16000)
        return {8, 160};
    return {8, 64};
}

vbr_mode lameVbrMode(int32_t method)
{
    switch (method) {
    case Mp3Settings::VbrOld:
        return vbr_rh;
    case Mp3Settings::VbrAbr:
        return vbr_abr;
    case Mp3Settings::VbrDefault:
    case Mp3Settings::VbrNew:
    case Mp3Settings::VbrMtrh:
        // LAME 3.100 has one modern VBR mode under three names.
        return vbr_mtrh;
    default:
        return vbr_off;
    }
}

void applyChannels(lame_global_flags *lame, const Mp3Settings &settings)
{
    if (settings.channels == 1) {
        lame_set_mode(lame, MONO);
        return;
    }
    switch (settings.channelMode) {
    case Mp3Settings::Stereo:
        lame_set_mode(lame, STEREO);
        break;
    case Mp3Settings::ForcedJointStereo:
        lame_set_mode(lame, JOINT_STEREO);
        lame_set_force_ms(lame, 1);
        break;
    case Mp3Settings::DualChannel:
        lame_set_mode(lame, DUAL_CHANNEL);
        break;
    default:
        lame_set_mode(lame, JOINT_STEREO);
        break;
    }
}

void applyBitrates(lame_global_flags *lame, const Mp3Settings &settings, int mpegRate)
{
    const BitrateRange range = bitrateRange(mpegRate);
    const vbr_mode mode = lameVbrMode(settings.vbrMethod);
    lame_set_VBR(lame, mode);
    lame_set_brate(lame, range.clamp(settings.bitrate));
    if (mode == vbr_off)
        return;
    // In VBR and ABR the bit rate is the floor and the maximum VBR rate the ceiling.
    const int high = range.clamp(settings.maxVbrBitrate);
    const int low = std::min(range.clamp(settings.bitrate), high);
    lame_set_VBR_min_bitrate_kbps(lame, low);
    lame_set_VBR_max_bitrate_kbps(lame, high);
    lame_set_VBR_hard_min(lame, settings.strictMinimum ? 1 : 0);
    lame_set_VBR_q(lame, std::clamp<int>(settings.vbrQuality, 0, 9));
    if (mode == vbr_abr)
        lame_set_VBR_mean_bitrate_kbps(lame, std::clamp<int>(settings.abrBitrate, low, high));
}

QString modeText(const lame_global_flags *lame)
{
    switch (lame_get_mode(lame)) {
    case MONO:
        return QStringLiteral("Mono");
    case STEREO:
        return QStringLiteral("Stereo");
    case DUAL_CHANNEL:
        return QStringLiteral("Dual Channels");
    default:
        return lame_get_force_ms(lame) ? QStringLiteral("Forced Joint Stereo")
                                       : QStringLiteral("Joint Stereo");
    }
}

} // namespace

Result<LamePtr> openLameEncoder(const Mp3Settings &settings, int inputRate, int inputChannels)
{
    LamePtr lame(lame_init());
    if (!lame)
        return Status::failure(QStringLiteral("LAME could not start (out of memory)."));
    const int mpegRate = nearestMpegRate(settings.sampleRate);
    lame_set_in_samplerate(lame.get(), inputRate);
    lame_set_num_channels(lame.get(), inputChannels);
    lame_set_out_samplerate(lame.get(), mpegRate);
    lame_set_quality(lame.get(), std::clamp<int>(settings.quality, 0, 9));
    lame_set_bWriteVbrTag(lame.get(), settings.writeVbrHeader ? 1 : 0);
    applyChannels(lame.get(), settings);
    applyBitrates(lame.get(), settings, mpegRate);
    if (const int rc = lame_init_params(lame.get()); rc < 0)
        return Status::failure(QStringLiteral("LAME refused the MP3 settings (error %1).").arg(rc));
    return lame;
}

size_t mp3OutputBound(const lame_global_flags *lame, int inputFrames)
{
    const int64_t in = std::max(1, lame_get_in_samplerate(lame));
    const int64_t out = std::max(1, lame_get_out_samplerate(lame));
    const int64_t outFrames = (int64_t(inputFrames) * out + in - 1) / in;
    return size_t(outFrames * 5 / 4 + 7200);
}

QString describeMp3(const Mp3Settings &settings)
{
    auto lame = openLameEncoder(settings, nearestMpegRate(settings.sampleRate),
                                settings.channels == 1 ? 1 : 2);
    if (!lame)
        return QStringLiteral("MP3 (%1)").arg(lame.description());
    const lame_global_flags *flags = lame.value().get();
    QString text = QStringLiteral("MP3 %1; %2; ")
                       .arg(rateText(lame_get_out_samplerate(flags)), modeText(flags));
    switch (lame_get_VBR(flags)) {
    case vbr_off:
        return text + QStringLiteral("%1 Kbps").arg(lame_get_brate(flags));
    case vbr_abr:
        return text + QStringLiteral("%1 Kbps average").arg(lame_get_VBR_mean_bitrate_kbps(flags));
    default:
        return text + QStringLiteral("quality %1; %2-%3 Kbps")
                          .arg(lame_get_VBR_q(flags))
                          .arg(lame_get_VBR_min_bitrate_kbps(flags))
                          .arg(lame_get_VBR_max_bitrate_kbps(flags));
    }
}

} // namespace engine
