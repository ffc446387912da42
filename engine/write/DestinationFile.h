#pragma once

#include "engine/api/Status.h"

#include <QSaveFile>
#include <QString>

#include <memory>
#include <mutex>

namespace engine {

/// A file written beside its destination and put in its place only by commit(): until then
/// the destination keeps exactly its old contents, and discard() leaves nothing behind.
/// Every failure carries the system's reason, also for a write that stops half-way (disk
/// full, file size limit), which a plain QSaveFile would take for a short success.
class DestinationFile
{
public:
    static Result<std::unique_ptr<DestinationFile>> create(const QString &path);
    ~DestinationFile();

    DestinationFile(const DestinationFile &) = delete;
    DestinationFile &operator=(const DestinationFile &) = delete;

    const QString &path() const { return m_path; }
    Status write(const void *data, qint64 size);
    /// Writes at `offset` and leaves the place write() goes on from where it was. Another
    /// thread may call it while write() is in use: a WAV's later stretch is written beside
    /// its earlier one.
    Status writeAt(qint64 offset, const void *data, qint64 size);
    Status seek(qint64 offset);
    /// Cuts the file to `size` bytes (what a stretch written ahead left beyond the end goes).
    Status resize(qint64 size);
    qint64 position() const;
    qint64 size() const;
    /// Makes the written file the destination.
    Status commit();
    void discard();
    /// The first failure met so far (success when none): lets callers that pass through
    /// another library (FFmpeg's I/O) report the system's reason rather than a bare code.
    Status failure() const;

private:
    explicit DestinationFile(const QString &path);
    Status fail(const QString &what);
    Status writeHere(const char *bytes, qint64 size);
    void drop();

    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    Status m_failure;
    qint64 m_writebackFrom = 0;       ///< where the bytes not yet sent on to the disk begin
    qint64 m_placedWritebackFrom = 0; ///< the same for writeAt()
    qint64 m_placedEnd = -1;          ///< where the last writeAt() ended
    /// One file position for two writing threads; taken by every call on the file.
    mutable std::mutex m_mutex;
};

} // namespace engine
