#pragma once

#include "engine/api/AudioFile.h"
#include "engine/api/AudioInformation.h"
#include "engine/api/OutputChoice.h"
#include "engine/api/SampleBlock.h"
#include "engine/api/Status.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace cutting {

/// The true-peak ceiling of a normalised part, in dBTP: room for the overshoot of lossy
/// decoders.
inline constexpr double kTruePeakCeilingDb = -1.0;
/// The loudness ReplayGain 2.0 brings every track to, in LUFS.
inline constexpr double kReplayGainReferenceLufs = -18.0;

/// What the meter found of a part, or what a normalised cut made of it.
struct Loudness
{
    double integratedLufs = 0;
    double truePeakDbtp = 0;
    /// The largest sample, 1.0 at full scale.
    double samplePeak = 0;
    /// The gain the cut applied to get there, in dB; 0 for a part only measured.
    double gainDb = 0;

    /// "Loudness: -16.0 LUFS, true peak -1.4 dBTP", for the outcome box.
    QString text() const;
};

/// An EBU R128 meter (libebur128) over interleaved float blocks, integrated loudness and
/// true peak. Blocks of another channel count are mixed to the meter's the way the writers
/// mix them (one to two copied, two to one averaged), so the meter hears what is written.
class LoudnessMeter
{
public:
    static engine::Result<std::unique_ptr<LoudnessMeter>> create(int32_t rate, int32_t channels);

    void add(const float *samples, int64_t frames, int32_t channels);
    /// Fails with a plain reason for a part without integrated loudness (shorter than one
    /// 400 ms gating block, or silent).
    engine::Result<Loudness> result() const;

    ~LoudnessMeter();

private:
    /// Owns the libebur128 state.
    struct State;
    LoudnessMeter() = default;

    std::unique_ptr<State> m_state;
    int32_t m_channels = 0;
    std::vector<float> m_mixed;
};

/// The gain that brings `measured` to `targetLufs`, lowered where the true peak would pass
/// the ceiling; answers the loudness and true peak then reached.
Loudness normalised(const Loudness &measured, double targetLufs);

/// The fades and gain of one part, applied to each block on its way to the writer.
class Shaper
{
public:
    Shaper(const engine::ShapeSettings &shape, int32_t rate, int32_t channels, int64_t frames);

    void setGainDb(double gainDb);
    /// The factor of the frame `offset` frames into the part: the fades' envelope times the
    /// gain.
    double factorAt(int64_t offset) const;
    /// `block` holds the part's frames from `offset` on.
    void apply(engine::SampleBlock &block, int64_t offset) const;

private:
    double fade(double fraction) const;

    bool m_equalPower = false;
    int32_t m_channels = 1;
    int64_t m_frames = 0;
    int64_t m_fadeIn = 0;
    int64_t m_fadeOut = 0;
    double m_gain = 1;
};

/// Reads `frames` frames of `reader` from where it stands, shaped by `shaper`, into `meter`.
/// `step` gets the share read so far after each block and answers whether to go on; a stop
/// is not a failure (`*stopped` says it happened).
engine::Status measureBlocks(engine::FileReading &reader, int64_t frames, const Shaper &shaper,
                             LoudnessMeter &meter, const std::function<bool(double)> &step,
                             bool *stopped);

/// The loudness of frames [begin, end) of `sourcePath` as decoded, at its own channels: the
/// measure of a part copied without re-encoding, for its ReplayGain tags.
engine::Result<Loudness> measureRange(engine::FileReading &reader, const QString &sourcePath,
                                      int64_t begin, int64_t end);

/// Writes ReplayGain 2.0 track gain (against -18 LUFS) and peak of `loudness` into the tags of
/// `path`; its audio stays as it is.
engine::Status writeGainTags(engine::AudioInformation &information, const QString &path,
                             const Loudness &loudness);

} // namespace cutting
