#pragma once

#include "engine/api/AudioReader.h"
#include "engine/ffmpeg/ByteSource.h"
#include "engine/ffmpeg/FfmpegPtr.h"

#include <QString>

#include <memory>
#include <vector>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

namespace engine {

/// Reads Ogg Vorbis through libvorbisfile, libvorbis's own sample-exact reader: its length and
/// its seeks rest on granule positions, and it honours Ogg's start and end trimming. Parts of
/// a chained file at another sample rate are left out of the length and the reads.
class VorbisFileReader : public AudioReader
{
public:
    static Result<std::unique_ptr<VorbisFileReader>> open(const QString &path,
                                                          const SourceOpener &source);
    ~VorbisFileReader() override;

    int32_t sampleRate() const override { return m_rate; }
    int32_t channelCount() const override { return m_channels; }
    int64_t length() const override { return m_length; }
    Result<int64_t> seek(int64_t frame) override;
    Status read(int64_t frames, SampleBlock &block) override;

private:
    struct Link
    {
        int64_t fileStart = 0;     ///< where the link starts in libvorbisfile's positions
        int64_t timelineStart = 0; ///< where it starts on ours, which leaves out other rates
        int64_t frames = 0;
        bool kept = false;
    };
    struct FileDeleter
    {
        void operator()(OggVorbis_File *file) const;
    };

    VorbisFileReader() = default;
    Status failure(long code) const;
    Status append(float **planes, int64_t frames, int channels, SampleBlock &block);

    QString m_path;
    std::unique_ptr<ByteSource> m_source;
    std::unique_ptr<OggVorbis_File, FileDeleter> m_file;
    std::vector<Link> m_links;
    int32_t m_rate = 0;
    int32_t m_channels = 0;
    int64_t m_length = 0;
    int64_t m_position = 0;
    // Links with another channel count than the first, or more than two channels, go through
    // a converter made for their count.
    SwrPtr m_swr;
    int m_swrChannels = 0;
};

} // namespace engine
