#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cmath>
#include <vector>

/// Test fixtures made by the ffmpeg program, and the same program as an independent decoder.
namespace fixtures {

struct Decoded
{
    int rate = 0;
    int channels = 0;
    std::vector<float> samples; ///< interleaved
    qint64 frames() const { return channels ? qint64(samples.size()) / channels : 0; }
};

/// Runs the ffmpeg program with `args` (after "-v error -y"); fails the test on error.
bool runFfmpeg(const QStringList &args, QString *errors = nullptr);
/// A tone made by ffmpeg: `seconds` at `rate` with `channels`, encoded with `codecArgs`.
bool makeTone(const QString &path, double seconds, int rate, int channels,
              const QStringList &codecArgs);
/// Every frame the ffmpeg program decodes from `path`, as float at the source's rate.
Decoded decodeWithFfmpeg(const QString &path);
/// Every frame libvorbis decodes from an Ogg Vorbis file (the oggdec program, 16-bit, so
/// within half a step of 1/32768 of a float decode).
Decoded decodeWithOggdec(const QString &path);
/// Music-like material that makes encoders switch block sizes and fill the MP3 bit
/// reservoir: a second of silence, then a tone with clicks, drum-like hits and noise bursts.
bool makeAttacks(const QString &path, double seconds, int rate, int channels,
                 const QStringList &codecArgs);
/// One value of `ffprobe -show_entries stream=KEY` for the first audio stream.
QString probe(const QString &path, const QString &key);
/// The seven tags as ffprobe reads them (format and stream tags; "date" as "year",
/// "tracknumber" as "track"), empty ones left out.
QVariantMap probeTags(const QString &path);
/// Any one tag of `path` as ffprobe reads it (format or stream, any case of its name).
QString probeTag(const QString &path, const QString &key);
/// What the ffmpeg program's ebur128 filter measures of `path`; NaN where it measured nothing.
struct Loudness
{
    double integratedLufs = std::nan("");
    double truePeakDbtp = std::nan("");
};
Loudness measureLoudness(const QString &path);
/// A settings file in `dir` of its own for the running test function and data row.
QString scratchIni(const QString &dir);
/// Runs the vorn-engine tool built with the suite; returns its exit code.
int runTool(const QStringList &args, QByteArray *out = nullptr, QByteArray *err = nullptr);

} // namespace fixtures
