#pragma once

#include "engine/api/Status.h"

#include <QSaveFile>
#include <QString>

#include <memory>

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
    Status seek(qint64 offset);
    qint64 position() const;
    qint64 size() const;
    /// Makes the written file the destination.
    Status commit();
    void discard();
    /// The first failure met so far (success when none): lets callers that pass through
    /// another library (FFmpeg's I/O) report the system's reason rather than a bare code.
    const Status &failure() const { return m_failure; }

private:
    explicit DestinationFile(const QString &path);
    Status fail(const QString &what);

    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    Status m_failure;
    qint64 m_writebackFrom = 0; ///< where the bytes not yet sent on to the disk begin
};

} // namespace engine
