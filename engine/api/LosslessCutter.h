#pragma once

#include "engine/api/JobCallbacks.h"
#include "engine/api/OutputFormatTable.h"
#include "engine/api/Status.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace engine {

/// A copy written in full but not yet in its place. finish() makes it durable and puts it in
/// place of the destination, and may run on another thread than the one that wrote it;
/// dropped unfinished, it leaves the destination as it was and nothing beside it.
class UnfinishedCopy
{
public:
    virtual ~UnfinishedCopy() = default;
    virtual Status finish() = 0;
};

/// One source made ready for many copies: what a copy needs to know of the whole file (the
/// MP3 frame index, the Ogg page index, the WAV layout) is read once, so each range costs
/// only its own bytes. Copies are made one after another, on one thread.
class CopySource
{
public:
    virtual ~CopySource() = default;
    /// The frames a full decode of the source returns, where the copier knows it as exactly
    /// as the reader (an MP3 whose header frame the demuxer trims by); nothing otherwise.
    virtual std::optional<int64_t> length() const = 0;
    virtual int32_t sampleRate() const = 0;
    /// The tag block the copies begin with, for AudioInformation::tagsInHeader: the source's
    /// Vorbis comment packet, an empty ID3v2 tag for an MP3; empty where a copy has none.
    virtual QByteArray tagHeader() const = 0;
    /// Frames [beginFrame, endFrame) into `destPath`, byte for byte what LosslessCutter::cut
    /// writes for the same range, but with `tags` (tagHeader() with other values; empty:
    /// the copy's own) as its tag block.
    virtual Status copy(const QString &destPath, int64_t beginFrame, int64_t endFrame,
                        const QByteArray &tags, const JobCallbacks &callbacks) = 0;
    /// The same copy, written but left unfinished: the flush that makes a part durable takes
    /// about as long as writing it, so a caller with many parts lets it run while it writes
    /// the next. A cancelled copy is left unfinished with what was copied.
    virtual Result<std::unique_ptr<UnfinishedCopy>> write(const QString &destPath,
                                                          int64_t beginFrame, int64_t endFrame,
                                                          const QByteArray &tags,
                                                          const JobCallbacks &callbacks)
    {
        // Where a copier cannot leave its files unfinished, they are finished at once.
        struct Finished : UnfinishedCopy
        {
            Status finish() override { return Status::success(); }
        };
        if (Status s = copy(destPath, beginFrame, endFrame, tags, callbacks); s.failed())
            return s;
        return std::unique_ptr<UnfinishedCopy>(std::make_unique<Finished>());
    }
};

/// Cuts by copying the source's coded audio instead of decoding and encoding it: the sound
/// stays untouched, and the header (MP3 delay and padding, Ogg granule positions, WAV sizes)
/// makes the copy play exactly the selected frames.
class LosslessCutter
{
public:
    virtual ~LosslessCutter() = default;
    /// What a copy of `sourcePath` into a file of `format` would hold ("MP3 as in the
    /// source: 44,100 Hz, Joint Stereo, 128 Kbps"), or StatusCode::CannotCopy with the reason
    /// in a few words ("free-format MP3").
    virtual Result<QString> describeCopy(const QString &sourcePath, OutputFormat format) = 0;
    /// Copies frames [beginFrame, endFrame) of `sourcePath` into `destPath` (of the source's
    /// format). A selection too short to trim at both ends is refused with CannotCopy.
    virtual Status cut(const QString &sourcePath, const QString &destPath, int64_t beginFrame,
                       int64_t endFrame, const JobCallbacks &callbacks) = 0;
    /// `sourcePath` read once for copies into files of `format`, with the refusals of
    /// describeCopy. The source must not change while the object lives.
    virtual Result<std::unique_ptr<CopySource>> prepare(const QString &sourcePath,
                                                        OutputFormat format) = 0;
};

} // namespace engine
