#pragma once

#include "engine/api/AudioFile.h"
#include "engine/api/AudioReader.h"
#include "engine/api/AudioWriter.h"
#include "engine/encode/OutputChoice.h"
#include "engine/ffmpeg/ByteSource.h"

#include <memory>

namespace engine {

/// The engine's audio file object: an FFmpeg reader while a source is open, a writer chosen
/// by the output selections while a destination is being written.
class AudioFileObject : public AudioFile
{
public:
    AudioFileObject();
    /// A reader of files whose bytes come from `source` (tests put a failing disk there).
    explicit AudioFileObject(SourceOpener source);
    ~AudioFileObject() override;

    Status openForReading(const QString &path) override;
    Result<int32_t> sampleRate() const override;
    Result<int32_t> channelCount() const override;
    Result<int64_t> length() const override;
    Result<int64_t> seek(int64_t frame) override;
    Status readBlock(int32_t frames, SampleBlock &block) override;

    Status createForWriting(const QString &path) override;
    Status setInputFormat(int32_t sampleRate, int32_t channels) override;
    Status writeBlock(const SampleBlock &block) override;
    Status close() override;
    void discard() override;

    Status setDefaultOutputFormat(int32_t sampleRate, int32_t kbps, int32_t channels) override;
    Status selectMp3Output(const Mp3Settings &settings) override;
    Status selectWavOutput(int32_t sampleRate, int16_t channels, int32_t bitsPerSample) override;
    Result<bool> checkOggFormat(int32_t sampleRate, int32_t channels, int32_t kbps, int32_t minKbps,
                                int32_t maxKbps) override;
    Status selectOggOutput(int32_t sampleRate, int32_t channels, int32_t kbps, int32_t minKbps,
                           int32_t maxKbps, int32_t quality) override;
    Status selectWmaProfile(int32_t profile) override;
    Result<QString> formatDescription() const override;

private:
    Status noSource() const;
    Status noDestination() const;
    Status writerFailed(Status failure);

    SourceOpener m_source;
    std::unique_ptr<AudioReader> m_reader;
    std::unique_ptr<AudioWriter> m_writer;
    OutputChoice m_output;
    Status m_openFailure = Status::failure(QStringLiteral("No audio file is open."));
    /// The failure of the file being written, kept until the next one is created.
    Status m_writeFailure;
};

} // namespace engine
