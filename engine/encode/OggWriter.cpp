#include "engine/encode/OggWriter.h"

#include "engine/write/OutputText.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>

#include <QRandomGenerator>

#include <algorithm>

namespace engine {

namespace {

long bitsPerSecond(int32_t kbps)
{
    return kbps > 0 ? long(kbps) * 1000 : -1;
}

template <typename T, auto Clear> struct ClearDeleter
{
    void operator()(T *p) const
    {
        Clear(p);
        delete p;
    }
};
template <typename T, auto Clear> using Cleared = std::unique_ptr<T, ClearDeleter<T, Clear>>;

} // namespace

int setUpVorbis(vorbis_info *info, const OggFormat &format)
{
    int rc = 0;
    if (format.usesQuality())
        rc = vorbis_encode_setup_vbr(info, format.channels, format.sampleRate,
                                     std::clamp(float(format.quality) / 1000.0f, -0.1f, 1.0f));
    else
        rc = vorbis_encode_setup_managed(info, format.channels, format.sampleRate,
                                         bitsPerSecond(format.maxKbps), bitsPerSecond(format.kbps),
                                         bitsPerSecond(format.minKbps));
    return rc != 0 ? rc : vorbis_encode_setup_init(info);
}

/// libvorbis's states, each cleared in the reverse order of its set-up.
struct OggWriter::Vorbis
{
    Cleared<vorbis_info, vorbis_info_clear> info;
    Cleared<vorbis_comment, vorbis_comment_clear> comment;
    Cleared<vorbis_dsp_state, vorbis_dsp_clear> dsp;
    Cleared<vorbis_block, vorbis_block_clear> block;
    Cleared<ogg_stream_state, ogg_stream_clear> stream;
};

OggWriter::OggWriter(std::unique_ptr<DestinationFile> file, const OggFormat &format)
    : FileWriter(std::move(file), format.sampleRate, format.channels), m_format(format)
{}

OggWriter::~OggWriter() = default;

Result<std::unique_ptr<AudioWriter>> OggWriter::create(const QString &path, const OggFormat &format)
{
    if (format.vorbisVerdict() != 0) {
        const QString what = format.usesQuality()
                                 ? QStringLiteral("quality %1").arg(format.quality / 100.0)
                                 : QStringLiteral("%1 Kbps").arg(format.kbps);
        return Status::failure(
            QStringLiteral("Cannot create '%1': libvorbis cannot encode %2, %3 at %4.")
                .arg(path, rateText(format.sampleRate), channelsText(format.channels), what));
    }
    auto file = DestinationFile::create(path);
    if (!file)
        return file.status();
    return std::unique_ptr<AudioWriter>(new OggWriter(std::move(file.value()), format));
}

Status OggWriter::start(int rate, int channels)
{
    auto converter = SampleConverter::create(
        {rate, channels, AV_SAMPLE_FMT_FLT},
        {m_format.sampleRate, m_format.channels, AV_SAMPLE_FMT_FLTP}, path());
    if (!converter)
        return converter.status();
    m_converter = std::move(converter.value());

    auto v = std::make_unique<Vorbis>();
    v->info.reset(new vorbis_info);
    vorbis_info_init(v->info.get());
    if (const int rc = setUpVorbis(v->info.get(), m_format); rc != 0)
        return failure(QStringLiteral("libvorbis refused the settings (error %1).").arg(rc));
    v->comment.reset(new vorbis_comment);
    vorbis_comment_init(v->comment.get());
    // Value-initialised: vorbis_dsp_clear runs on it even when vorbis_analysis_init gives up
    // before filling it in.
    v->dsp.reset(new vorbis_dsp_state());
    if (vorbis_analysis_init(v->dsp.get(), v->info.get()) != 0)
        return failure(QStringLiteral("libvorbis could not start."));
    v->block.reset(new vorbis_block);
    vorbis_block_init(v->dsp.get(), v->block.get());
    v->stream.reset(new ogg_stream_state);
    ogg_stream_init(v->stream.get(), int(QRandomGenerator::global()->generate() & 0x7fffffff));

    ogg_packet identification;
    ogg_packet comments;
    ogg_packet codebooks;
    vorbis_analysis_headerout(v->dsp.get(), v->comment.get(), &identification, &comments,
                              &codebooks);
    ogg_stream_packetin(v->stream.get(), &identification);
    ogg_stream_packetin(v->stream.get(), &comments);
    ogg_stream_packetin(v->stream.get(), &codebooks);
    m_vorbis = std::move(v);
    // The headers end their own page, so that sound starts on a fresh one.
    return writePages(true);
}

Status OggWriter::writePages(bool flush)
{
    ogg_page page;
    while (flush ? ogg_stream_flush(m_vorbis->stream.get(), &page)
                 : ogg_stream_pageout(m_vorbis->stream.get(), &page)) {
        if (Status s = file().write(page.header, page.header_len); !s)
            return s;
        if (Status s = file().write(page.body, page.body_len); !s)
            return s;
    }
    return Status::success();
}

Status OggWriter::drain()
{
    vorbis_dsp_state *dsp = m_vorbis->dsp.get();
    vorbis_block *block = m_vorbis->block.get();
    while (vorbis_analysis_blockout(dsp, block) == 1) {
        if (vorbis_analysis(block, nullptr) != 0 || vorbis_bitrate_addblock(block) != 0)
            return failure(QStringLiteral("the Vorbis encoder failed."));
        ogg_packet packet;
        while (vorbis_bitrate_flushpacket(dsp, &packet) == 1) {
            ogg_stream_packetin(m_vorbis->stream.get(), &packet);
            if (Status s = writePages(false); !s)
                return s;
        }
    }
    return Status::success();
}

Status OggWriter::submit(const float *samples, int frames, bool flush)
{
    const int bound = m_converter->outputBound(flush ? 0 : frames);
    if (bound > 0) {
        float **buffer = vorbis_analysis_buffer(m_vorbis->dsp.get(), bound);
        auto *const *planes = reinterpret_cast<uint8_t *const *>(buffer);
        auto converted = flush ? m_converter->flush(planes, bound)
                               : m_converter->convert(samples, frames, planes, bound);
        if (!converted)
            return converted.status();
        // Zero would mean the end of the stream to libvorbis.
        if (converted.value() > 0)
            vorbis_analysis_wrote(m_vorbis->dsp.get(), converted.value());
    }
    return drain();
}

Status OggWriter::encode(const float *samples, int frames)
{
    return submit(samples, frames, false);
}

Status OggWriter::complete()
{
    if (Status s = submit(nullptr, 0, true); !s)
        return s;
    // A zero count marks the end of the stream.
    vorbis_analysis_wrote(m_vorbis->dsp.get(), 0);
    if (Status s = drain(); !s)
        return s;
    return writePages(true);
}

} // namespace engine
