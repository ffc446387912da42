#pragma once

#include "engine/api/AudioFile.h"
#include "engine/api/AudioReader.h"
#include "engine/ffmpeg/ByteSource.h"

#include <memory>

namespace engine {

/// The engine's audio file object: the reader of one source at a time.
class AudioFileObject : public AudioFile
{
public:
    AudioFileObject();
    /// A reader of files whose bytes come from `source` (tests put a failing disk there).
    explicit AudioFileObject(SourceOpener source);

    Status openForReading(const QString &path) override;
    Result<int32_t> sampleRate() const override;
    Result<int32_t> channelCount() const override;
    Result<int64_t> length() const override;
    Result<int64_t> seek(int64_t frame) override;
    Status readBlock(int32_t frames, SampleBlock &block) override;

    Status close() override;
    int32_t exactBits() const override { return m_reader ? m_reader->exactBits() : 0; }

private:
    Status noSource() const;

    SourceOpener m_source;
    std::unique_ptr<AudioReader> m_reader;
    Status m_openFailure = Status::failure(QStringLiteral("No audio file is open."));
};

} // namespace engine
