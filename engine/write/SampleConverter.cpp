#include "engine/write/SampleConverter.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace engine {

namespace {

Status converterFailure(const QString &path, int code)
{
    return Status::failure(
        QStringLiteral("Cannot convert the samples for '%1': %2").arg(path, averrorText(code)));
}

} // namespace

Result<std::unique_ptr<SampleConverter>>
SampleConverter::create(const Layout &in, const Layout &out, const QString &path)
{
    std::unique_ptr<SampleConverter> converter(new SampleConverter);
    converter->m_path = path;
    converter->m_in = in;
    converter->m_out = out;

    AVChannelLayout inLayout;
    AVChannelLayout outLayout;
    av_channel_layout_default(&inLayout, in.channels);
    av_channel_layout_default(&outLayout, out.channels);
    SwrContext *raw = nullptr;
    int rc = swr_alloc_set_opts2(&raw, &outLayout, out.format, out.rate, &inLayout, in.format,
                                 in.rate, 0, nullptr);
    converter->m_swr.reset(raw);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (rc < 0)
        return converterFailure(path, rc);

    // swresample's own mono<->stereo matrix changes the level by 3 dB.
    if (in.channels == 2 && out.channels == 1) {
        const double average[] = {0.5, 0.5};
        rc = swr_set_matrix(raw, average, 2);
    } else if (in.channels == 1 && out.channels == 2) {
        const double copy[] = {1.0, 1.0};
        rc = swr_set_matrix(raw, copy, 1);
    }
    if (rc >= 0)
        rc = swr_init(raw);
    if (rc < 0)
        return converterFailure(path, rc);
    return converter;
}

int SampleConverter::outputBound(int frames) const
{
    return swr_get_out_samples(m_swr.get(), frames);
}

Result<int> SampleConverter::run(const float *in, int frames, uint8_t *const *out, int capacity)
{
    const auto *input = reinterpret_cast<const uint8_t *>(in);
    const int done = swr_convert(m_swr.get(), const_cast<uint8_t **>(out), capacity,
                                 in ? &input : nullptr, frames);
    if (done < 0)
        return converterFailure(m_path, done);
    return done;
}

Result<int> SampleConverter::convert(const float *in, int frames, uint8_t *const *out, int capacity)
{
    return run(in, frames, out, capacity);
}

Result<int> SampleConverter::flush(uint8_t *const *out, int capacity)
{
    return run(nullptr, 0, out, capacity);
}

void SampleConverter::reserve(int frames)
{
    if (frames <= m_capacity)
        return;
    const bool planar = av_sample_fmt_is_planar(m_out.format);
    const int planeCount = planar ? m_out.channels : 1;
    const size_t bytes = size_t(frames) * size_t(av_get_bytes_per_sample(m_out.format)) *
                         size_t(planar ? 1 : m_out.channels);
    m_planes.resize(size_t(planeCount));
    m_planePointers.resize(size_t(planeCount));
    for (int i = 0; i < planeCount; ++i) {
        m_planes[size_t(i)].resize(bytes);
        m_planePointers[size_t(i)] = m_planes[size_t(i)].data();
    }
    m_capacity = frames;
}

Result<int> SampleConverter::convert(const float *in, int frames)
{
    reserve(std::max(outputBound(frames), 1));
    return run(in, frames, m_planePointers.data(), m_capacity);
}

Result<int> SampleConverter::flush()
{
    reserve(std::max(outputBound(0), 1));
    return run(nullptr, 0, m_planePointers.data(), m_capacity);
}

} // namespace engine
