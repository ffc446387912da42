#pragma once

#include "engine/api/Status.h"
#include "engine/ffmpeg/ByteSource.h"
#include "engine/ffmpeg/FfmpegPtr.h"

#include <QString>

#include <memory>

namespace engine {

/// A demuxer over one source file, reading it through a ByteSource. Owns the file, the I/O
/// context and the demuxer together, so that they go in the right order.
class AudioInput
{
public:
    AudioInput();
    AudioInput(AudioInput &&) noexcept;
    AudioInput &operator=(AudioInput &&) noexcept;
    ~AudioInput();

    AVFormatContext *get() const;
    AVFormatContext *operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }
    void reset();
    /// Why reading the file failed (a failing disk, a network drive gone); empty while no
    /// read has failed. A demuxer cannot tell that from the end of the file; this can.
    QString readFailure() const;

private:
    struct Parts;
    friend Result<AudioInput> openAudioInput(const QString &path, const SourceOpener &open);
    std::unique_ptr<Parts> m_parts;
};

/// Opens `path` for demuxing with FFmpeg's audio demuxers only: no demuxer that follows names
/// of other files or addresses written inside the file (playlists, concat lists, image
/// sequences), and no protocol at all: the bytes come from `open`. A file that cannot be
/// opened is refused in words a person can act on (see cannotOpen).
Result<AudioInput> openAudioInput(const QString &path, const SourceOpener &open = localFiles());

/// Why a file is refused, in the words the program shows.
enum class Refusal
{
    Empty,
    NoAudio,
    UnknownFormat,
    Damaged
};

/// "Cannot open '<path>': <reason>", the library's own words in brackets after the reason
/// where there are any.
Status cannotOpen(const QString &path, Refusal reason, const QString &libraryWords = {});

} // namespace engine
