#include "engine/write/DestinationFile.h"

#include "engine/write/Writeback.h"

#include <QFileInfo>

#include <utility>

namespace engine {

namespace {

/// How much written data may wait in the page cache before it is sent on to the disk. The
/// commit's flush (the safe save's durability) then only waits for the last megabyte instead
/// of the whole file, and the disk works while the next blocks are decoded or copied: a copied
/// part of a split is a few megabytes, written in a few milliseconds, and with a larger step
/// its whole flush came after it.
constexpr qint64 kWritebackBytes = qint64(1) << 20;

} // namespace

DestinationFile::DestinationFile(const QString &path)
    : m_path(path), m_file(std::make_unique<QSaveFile>(path))
{}

DestinationFile::~DestinationFile()
{
    discard();
}

Result<std::unique_ptr<DestinationFile>> DestinationFile::create(const QString &path)
{
    if (QFileInfo(path).isDir())
        return Status::failure(QStringLiteral("Cannot create '%1': it is a folder.").arg(path));
    std::unique_ptr<DestinationFile> file(new DestinationFile(path));
    // Unbuffered, so that a failing write reports at once and with the system's reason.
    if (!file->m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Status::failure(
            QStringLiteral("Cannot create '%1': %2").arg(path, file->m_file->errorString()));
    return file;
}

Status DestinationFile::fail(const QString &what)
{
    if (m_failure) {
        const QString reason =
            m_file ? m_file->errorString() : QStringLiteral("the file is already closed");
        m_failure = Status::failure(QStringLiteral("%1 '%2': %3").arg(what, m_path, reason));
    }
    return m_failure;
}

Status DestinationFile::write(const void *data, qint64 size)
{
    const std::lock_guard lock(m_mutex);
    return writeHere(static_cast<const char *>(data), size);
}

Status DestinationFile::writeHere(const char *bytes, qint64 size)
{
    if (!m_failure)
        return m_failure;
    if (!m_file)
        return fail(QStringLiteral("Cannot write"));
    // A short count is no error by itself; writing the rest makes the system say why.
    while (size > 0) {
        const qint64 written = m_file->write(bytes, size);
        if (written <= 0)
            return fail(QStringLiteral("Cannot write"));
        bytes += written;
        size -= written;
    }
    if (const qint64 at = m_file->pos(); at - m_writebackFrom >= kWritebackBytes) {
        startWriteback(m_file->handle(), m_writebackFrom, at - m_writebackFrom);
        m_writebackFrom = at;
    }
    return m_failure;
}

Status DestinationFile::writeAt(qint64 offset, const void *data, qint64 size)
{
    const std::lock_guard lock(m_mutex);
    if (!m_failure)
        return m_failure;
    if (!m_file)
        return fail(QStringLiteral("Cannot write"));
    const qint64 back = m_file->pos();
    if (!m_file->seek(offset))
        return fail(QStringLiteral("Cannot write"));
    // Writes that follow on from the last one hand their bytes on to the disk a megabyte at a
    // time, as write() does; write()'s own mark stays where it was.
    if (offset != m_placedEnd)
        m_placedWritebackFrom = offset;
    std::swap(m_writebackFrom, m_placedWritebackFrom);
    const Status written = writeHere(static_cast<const char *>(data), size);
    std::swap(m_writebackFrom, m_placedWritebackFrom);
    m_placedEnd = m_file->pos();
    if (!m_file->seek(back))
        return fail(QStringLiteral("Cannot write"));
    return written;
}

Status DestinationFile::resize(qint64 size)
{
    const std::lock_guard lock(m_mutex);
    if (!m_failure)
        return m_failure;
    if (!m_file || !m_file->resize(size))
        return fail(QStringLiteral("Cannot write"));
    return m_failure;
}

Status DestinationFile::failure() const
{
    const std::lock_guard lock(m_mutex);
    return m_failure;
}

Status DestinationFile::seek(qint64 offset)
{
    const std::lock_guard lock(m_mutex);
    if (!m_failure)
        return m_failure;
    if (!m_file || !m_file->seek(offset))
        return fail(QStringLiteral("Cannot write"));
    return m_failure;
}

qint64 DestinationFile::position() const
{
    const std::lock_guard lock(m_mutex);
    return m_file ? m_file->pos() : 0;
}

qint64 DestinationFile::size() const
{
    const std::lock_guard lock(m_mutex);
    return m_file ? m_file->size() : 0;
}

Status DestinationFile::commit()
{
    const std::lock_guard lock(m_mutex);
    if (!m_failure || !m_file) {
        Status failed = fail(QStringLiteral("Cannot finish"));
        drop();
        return failed;
    }
    if (!m_file->commit())
        ignoreFailure(fail(QStringLiteral("Cannot finish")), "kept in m_failure, answered below");
    m_file.reset();
    return m_failure;
}

void DestinationFile::discard()
{
    const std::lock_guard lock(m_mutex);
    drop();
}

void DestinationFile::drop()
{
    // Destroying an uncommitted QSaveFile removes what it wrote.
    if (m_file)
        m_file->cancelWriting();
    m_file.reset();
}

} // namespace engine
