#pragma once

#include "engine/api/AudioWriter.h"
#include "engine/write/DestinationFile.h"

#include <memory>

namespace engine {

/// What every writer of ours shares: the input layout it is told, the checks on the blocks,
/// and the destination file that only replaces the old one when the encoding is complete.
/// A writer that was never told its input takes its own output layout (nothing was written).
class FileWriter : public AudioWriter
{
public:
    Status setInputFormat(int32_t sampleRate, int32_t channels) final;
    Status write(const SampleBlock &block) final;
    Status check(const SampleBlock &block) const final;
    Status finish() final;
    void discard() final;

protected:
    FileWriter(std::unique_ptr<DestinationFile> file, int outputRate, int outputChannels);

    /// Sets up the encoder for blocks of this layout.
    virtual Status start(int rate, int channels) = 0;
    virtual Status encode(const float *samples, int frames) = 0;
    /// Drains the encoder and completes the file's structure; the commit follows.
    virtual Status complete() = 0;

    DestinationFile &file() { return *m_file; }
    const QString &path() const { return m_file->path(); }
    int inputRate() const { return m_inputRate; }
    int inputChannels() const { return m_inputChannels; }
    /// "Cannot write 'path': reason", preferring the file's own failure when there is one.
    Status failure(const QString &reason) const;
    /// The same without looking at the file, which another thread may be writing.
    Status refusal(const QString &reason) const;

private:
    std::unique_ptr<DestinationFile> m_file;
    int m_outputRate = 0;
    int m_outputChannels = 0;
    int m_inputRate = 0;
    int m_inputChannels = 0;
    bool m_started = false;
};

} // namespace engine
