// Shaping a part before it is written: fades, a gain to a loudness, ReplayGain tags. The
// loudness and peaks are libebur128's, the reference meter of EBU R128.
#include "Shaping.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace cutting {

namespace {

double decibels(double linear)
{
    return 20.0 * std::log10(linear);
}

} // namespace

QString Loudness::text() const
{
    return QStringLiteral("Loudness: %1 LUFS, true peak %2 dBTP")
        .arg(integratedLufs, 0, 'f', 1)
        .arg(truePeakDbtp, 0, 'f', 1);
}

struct LoudnessMeter::State
{
    explicit State(ebur128_state *made) : meter(made) {}
    ~State() { ebur128_destroy(&meter); }
    State(const State &) = delete;
    State &operator=(const State &) = delete;

    ebur128_state *meter;
};

LoudnessMeter::~LoudnessMeter() = default;

engine::Result<std::unique_ptr<LoudnessMeter>> LoudnessMeter::create(int32_t rate, int32_t channels)
{
    ebur128_state *made = nullptr;
    if (rate > 0 && channels > 0)
        made = ebur128_init(unsigned(channels), static_cast<unsigned long>(rate),
                            EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK | EBUR128_MODE_SAMPLE_PEAK);
    if (!made)
        return engine::Status::failure(
            QStringLiteral("The loudness of %1 channels at %2 Hz cannot be measured.")
                .arg(channels)
                .arg(rate));
    std::unique_ptr<LoudnessMeter> meter(new LoudnessMeter);
    meter->m_state = std::make_unique<State>(made);
    meter->m_channels = channels;
    return meter;
}

void LoudnessMeter::add(const float *samples, int64_t frames, int32_t channels)
{
    if (frames <= 0)
        return;
    // libebur128 refuses frames only for a state it never made; this meter always has one.
    if (channels == m_channels) {
        ebur128_add_frames_float(m_state->meter, samples, size_t(frames));
        return;
    }
    m_mixed.resize(size_t(frames * m_channels));
    for (int64_t f = 0; f < frames; ++f) {
        const float *in = samples + f * channels;
        float *out = m_mixed.data() + f * m_channels;
        if (m_channels == 1) {
            float sum = 0;
            for (int32_t c = 0; c < channels; ++c)
                sum += in[c];
            out[0] = sum / float(channels);
        } else {
            for (int32_t c = 0; c < m_channels; ++c)
                out[c] = in[std::min(c, channels - 1)];
        }
    }
    ebur128_add_frames_float(m_state->meter, m_mixed.data(), size_t(frames));
}

engine::Result<Loudness> LoudnessMeter::result() const
{
    double lufs = 0;
    if (ebur128_loudness_global(m_state->meter, &lufs) != EBUR128_SUCCESS || !std::isfinite(lufs))
        return engine::Status::failure(
            QStringLiteral("The part has no loudness to measure: it is silent or shorter than "
                           "0.4 seconds."));
    Loudness loudness;
    loudness.integratedLufs = lufs;
    double truePeak = 0;
    for (int32_t c = 0; c < m_channels; ++c) {
        double peak = 0;
        if (ebur128_true_peak(m_state->meter, unsigned(c), &peak) == EBUR128_SUCCESS)
            truePeak = std::max(truePeak, peak);
        if (ebur128_sample_peak(m_state->meter, unsigned(c), &peak) == EBUR128_SUCCESS)
            loudness.samplePeak = std::max(loudness.samplePeak, peak);
    }
    loudness.truePeakDbtp = decibels(truePeak);
    return loudness;
}

Loudness normalised(const Loudness &measured, double targetLufs)
{
    const double gain =
        std::min(targetLufs - measured.integratedLufs, kTruePeakCeilingDb - measured.truePeakDbtp);
    Loudness reached = measured;
    reached.gainDb = gain;
    reached.integratedLufs += gain;
    reached.truePeakDbtp += gain;
    reached.samplePeak *= std::pow(10.0, gain / 20.0);
    return reached;
}

Shaper::Shaper(const engine::ShapeSettings &shape, int32_t rate, int32_t channels, int64_t frames)
    : m_equalPower(shape.equalPower), m_channels(std::max(channels, 1)),
      m_frames(std::max<int64_t>(frames, 0))
{
    // Two fades that meet take half the part each, so neither reaches into the other.
    const int64_t half = m_frames / 2;
    auto framesOf = [&](double seconds) {
        return std::clamp<int64_t>(std::llround(std::max(seconds, 0.0) * rate), 0, half);
    };
    m_fadeIn = framesOf(shape.fadeInSeconds);
    m_fadeOut = framesOf(shape.fadeOutSeconds);
}

void Shaper::setGainDb(double gainDb)
{
    m_gain = std::pow(10.0, gainDb / 20.0);
}

double Shaper::fade(double fraction) const
{
    return m_equalPower ? std::sin(fraction * std::numbers::pi / 2) : fraction;
}

double Shaper::factorAt(int64_t offset) const
{
    double factor = m_gain;
    // The first frame of a fade-in and the last of a fade-out are silent.
    if (offset < m_fadeIn)
        factor *= fade(double(offset) / double(m_fadeIn));
    const int64_t fromEnd = m_frames - 1 - offset;
    if (m_fadeOut > 0 && fromEnd < m_fadeOut)
        factor *= fade(double(std::max<int64_t>(fromEnd, 0)) / double(m_fadeOut));
    return factor;
}

void Shaper::apply(engine::SampleBlock &block, int64_t offset) const
{
    const int64_t frames = int64_t(block.size()) / m_channels;
    const bool plain = m_gain == 1.0;
    for (int64_t f = 0; f < frames; ++f) {
        const int64_t at = offset + f;
        // Between the fades only the gain applies: nothing to do when there is none.
        if (plain && at >= m_fadeIn && at < m_frames - m_fadeOut) {
            f = m_frames - m_fadeOut - offset - 1;
            continue;
        }
        const auto factor = float(factorAt(at));
        float *frame = block.data() + f * m_channels;
        for (int32_t c = 0; c < m_channels; ++c)
            frame[c] *= factor;
    }
}

engine::Status measureBlocks(engine::FileReading &reader, int64_t frames, const Shaper &shaper,
                             LoudnessMeter &meter, const std::function<bool(double)> &step,
                             bool *stopped)
{
    *stopped = false;
    const auto rate = reader.sampleRate();
    const auto channels = reader.channelCount();
    if (rate.failed())
        return rate.status();
    if (channels.failed())
        return channels.status();
    engine::SampleBlock block;
    int64_t done = 0;
    while (done < frames) {
        if (engine::Status s = reader.readBlock(rate.value(), block); s.failed())
            return s;
        if (block.empty())
            break;
        const int64_t keep =
            std::min<int64_t>(int64_t(block.size()) / channels.value(), frames - done);
        block.resize(size_t(keep * channels.value()));
        shaper.apply(block, done);
        meter.add(block.data(), keep, channels.value());
        done += keep;
        if (step && !step(double(done) / double(frames))) {
            *stopped = true;
            break;
        }
    }
    return engine::Status::success();
}

engine::Result<Loudness> measureRange(engine::FileReading &reader, const QString &sourcePath,
                                      int64_t begin, int64_t end)
{
    if (engine::Status s = reader.openForReading(sourcePath); s.failed())
        return s;
    auto measure = [&]() -> engine::Result<Loudness> {
        const auto rate = reader.sampleRate();
        const auto channels = reader.channelCount();
        if (rate.failed())
            return rate.status();
        if (channels.failed())
            return channels.status();
        auto meter = LoudnessMeter::create(rate.value(), channels.value());
        if (meter.failed())
            return meter.status();
        const auto reached = reader.seek(begin);
        if (reached.failed())
            return reached.status();
        bool stopped = false;
        const Shaper unshaped({}, rate.value(), channels.value(), end - begin);
        if (engine::Status s = measureBlocks(reader, end - reached.value(), unshaped,
                                             *meter.value(), {}, &stopped);
            s.failed())
            return s;
        return meter.value()->result();
    };
    const engine::Result<Loudness> loudness = measure();
    engine::ignoreFailure(reader.close(), "the source was only read: nothing of it is lost");
    return loudness;
}

engine::Status writeGainTags(engine::AudioInformation &information, const QString &path,
                             const Loudness &loudness)
{
    engine::GainTags gain;
    gain.trackGain =
        QStringLiteral("%1 dB").arg(kReplayGainReferenceLufs - loudness.integratedLufs, 0, 'f', 2);
    gain.trackPeak = QString::number(loudness.samplePeak, 'f', 6);
    return information.writeGainTags(path, gain);
}

} // namespace cutting
