#pragma once

#include <QString>

#include <cstdint>

struct AVFormatContext;

namespace engine {

/// "MPEG Layer 3; 44,100 Hz; 128 Kbps; Stereo;": codec, rate, bit rate (left out when
/// unknown) and channels, each followed by ";". Numbers carry thousands separators; the
/// window removes the commas and the last ";" before showing it.
QString formatDescriptionLine(const QString &codec, int sampleRate, int64_t bitRate, int channels);

/// The description of the audio stream FFmpeg would decode from `format` (after
/// avformat_find_stream_info); empty when there is no audio stream that can be decoded.
QString describeAudio(const AVFormatContext &format);

} // namespace engine
