#pragma once

#include "engine/api/Status.h"
#include "engine/ffmpeg/FfmpegPtr.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace engine {

/// Turns the engine's interleaved float blocks into what an encoder takes: another rate,
/// channel count or sample format (libswresample). One channel to two is copied to both
/// and two to one is averaged, so that neither gets louder or softer.
class SampleConverter
{
public:
    struct Layout
    {
        int rate = 0;
        int channels = 0;
        AVSampleFormat format = AV_SAMPLE_FMT_FLT;
    };

    /// `path` only names the file in failure descriptions.
    static Result<std::unique_ptr<SampleConverter>> create(const Layout &in, const Layout &out,
                                                           const QString &path);

    const Layout &output() const { return m_out; }
    /// At most this many frames come out for `frames` more input frames (or the flush, 0).
    int outputBound(int frames) const;

    /// Converts into the caller's buffers (one per plane; one for interleaved formats), which
    /// hold at least `capacity` frames. Answers the frames written.
    Result<int> convert(const float *in, int frames, uint8_t *const *out, int capacity);
    /// Hands out what the resampler still holds after the last input.
    Result<int> flush(uint8_t *const *out, int capacity);

    /// The same into a buffer of the converter's own, valid until the next call.
    Result<int> convert(const float *in, int frames);
    Result<int> flush();
    uint8_t **planes() { return m_planePointers.data(); }

private:
    SampleConverter() = default;
    Result<int> run(const float *in, int frames, uint8_t *const *out, int capacity);
    void reserve(int frames);

    QString m_path;
    Layout m_in;
    Layout m_out;
    SwrPtr m_swr;
    std::vector<std::vector<uint8_t>> m_planes;
    std::vector<uint8_t *> m_planePointers;
    int m_capacity = 0;
};

} // namespace engine
