#pragma once

#include "engine/api/LosslessCutter.h"
#include "engine/api/Status.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <memory>

namespace engine {

/// The source file, read with ordinary buffered reads. A file that another program cuts
/// short or that fails to read under a copy is a failure with the reason; a memory map would
/// take the whole process down instead (SIGBUS), and no signal handler can mend that safely.
class SourceFile
{
public:
    static Result<std::unique_ptr<SourceFile>> open(const QString &path);

    const QString &path() const { return m_path; }
    /// The size the file had when it was opened; everything is parsed against it.
    int64_t size() const { return m_size; }
    /// `bytes` bytes from `offset` on, valid until the next call. Consecutive views are
    /// served from one large read, so a scan frame by frame costs no read per frame.
    Result<const uint8_t *> view(int64_t offset, int64_t bytes);
    /// Exactly `bytes` bytes from `offset` on into `out`.
    Status read(int64_t offset, void *out, int64_t bytes);

private:
    Status shortRead() const;

    QString m_path;
    std::unique_ptr<QFile> m_file;
    int64_t m_size = 0;
    QByteArray m_window;
    int64_t m_windowStart = 0;
};

/// Progress, breath and Cancel for a copy measured in bytes of the source.
class CopyPacer
{
public:
    CopyPacer(const JobCallbacks &callbacks, int64_t totalBytes);
    /// After `bytes` more were copied: reports progress, lets the caller breathe and answers
    /// whether to go on.
    bool advance(int64_t bytes);
    void finish();

private:
    const JobCallbacks &m_callbacks;
    int64_t m_total;
    int64_t m_done = 0;
};

class DestinationFile;

/// Ends a copy: `header` (if any) goes over the room left for it at `headerAt`, the file
/// takes the destination's place, and progress reaches 100 %.
Status finishCopy(DestinationFile &out, const QByteArray &header, CopyPacer &pacer,
                  qint64 headerAt = 0);
/// The same, but the file is left to be put in place by the caller.
Status completeCopy(DestinationFile &out, const QByteArray &header, CopyPacer &pacer,
                    qint64 headerAt = 0);

/// A copy's destination file, written in full; finish() commits it.
class UnfinishedFile : public UnfinishedCopy
{
public:
    explicit UnfinishedFile(std::unique_ptr<DestinationFile> out);
    ~UnfinishedFile() override;
    UnfinishedFile(const UnfinishedFile &) = delete;
    UnfinishedFile &operator=(const UnfinishedFile &) = delete;
    Status finish() override;

private:
    std::unique_ptr<DestinationFile> m_out;
};

/// A copy written in full, put in place now (CopySource::copy) or left to the caller
/// (CopySource::write).
Status commitWritten(Result<std::unique_ptr<DestinationFile>> written);
Result<std::unique_ptr<UnfinishedCopy>>
leaveUnfinished(Result<std::unique_ptr<DestinationFile>> written);

/// Bytes a copier writes between two looks at Cancel: small enough for a prompt Cancel,
/// large enough that the window's breath costs nothing next to the copy.
inline constexpr int64_t kCopyStep = 1 << 18;

inline uint32_t readBigEndian32(const uint8_t *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

inline uint32_t readLittleEndian32(const uint8_t *p)
{
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

/// Size of an ID3v2 tag at `p` (header, body and footer), 0 if there is none. Taggers put
/// one in front of MP3 and, against FLAC's own rules, of FLAC files too.
inline int64_t id3v2Size(const uint8_t *p, int64_t available)
{
    if (available < 10 || p[0] != 'I' || p[1] != 'D' || p[2] != '3')
        return 0;
    const int64_t body = int64_t(p[6] & 0x7F) << 21 | int64_t(p[7] & 0x7F) << 14 |
                         int64_t(p[8] & 0x7F) << 7 | int64_t(p[9] & 0x7F);
    return 10 + body + ((p[5] & 0x10) ? 10 : 0);
}

} // namespace engine
