#include "engine/lossless/CopySupport.h"

#include "engine/write/DestinationFile.h"

#include <algorithm>

namespace engine {

namespace {

/// What one refill of a view reads at least: large enough that a 30-minute copy is a few
/// hundred reads, small enough to stay out of the way in memory.
constexpr int64_t kWindowBytes = 1 << 20;

} // namespace

Result<std::unique_ptr<SourceFile>> SourceFile::open(const QString &path)
{
    auto source = std::make_unique<SourceFile>();
    source->m_path = path;
    source->m_file = std::make_unique<QFile>(path);
    if (!source->m_file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return Status::cannotOpen(path, source->m_file->errorString());
    source->m_size = source->m_file->size();
    if (source->m_size == 0)
        return Status::cannotOpen(path, QStringLiteral("the file is empty"));
    return source;
}

Status SourceFile::shortRead() const
{
    return Status::failure(
        QStringLiteral("Cannot read '%1': the file became shorter while it was copied (another "
                       "program changed it).")
            .arg(m_path));
}

Status SourceFile::read(int64_t offset, void *out, int64_t bytes)
{
    if (offset < 0 || bytes < 0 || offset + bytes > m_size)
        return shortRead();
    if (!m_file->seek(offset))
        return Status::failure(
            QStringLiteral("Cannot read '%1': %2.").arg(m_path, m_file->errorString()));
    auto *to = static_cast<char *>(out);
    while (bytes > 0) {
        const qint64 got = m_file->read(to, bytes);
        if (got < 0)
            return Status::failure(
                QStringLiteral("Cannot read '%1': %2.").arg(m_path, m_file->errorString()));
        if (got == 0)
            return shortRead();
        to += got;
        bytes -= got;
    }
    return Status::success();
}

Result<const uint8_t *> SourceFile::view(int64_t offset, int64_t bytes)
{
    if (offset < m_windowStart || offset + bytes > m_windowStart + m_window.size()) {
        const int64_t wanted =
            std::min(std::max(bytes, kWindowBytes), std::max<int64_t>(m_size - offset, bytes));
        m_window.resize(qsizetype(wanted));
        m_windowStart = offset;
        if (Status s = read(offset, m_window.data(), wanted); !s) {
            m_window.clear();
            return s;
        }
    }
    return reinterpret_cast<const uint8_t *>(m_window.constData()) + (offset - m_windowStart);
}

CopyPacer::CopyPacer(const JobCallbacks &callbacks, int64_t totalBytes)
    : m_callbacks(callbacks), m_total(std::max<int64_t>(totalBytes, 1))
{
    if (m_callbacks.progress)
        m_callbacks.progress(0);
}

bool CopyPacer::advance(int64_t bytes)
{
    m_done += bytes;
    if (m_callbacks.progress)
        m_callbacks.progress(float(std::clamp(double(m_done) / double(m_total) * 100, 0.0, 100.0)));
    if (m_callbacks.breathe)
        m_callbacks.breathe();
    return !m_callbacks.goOn || m_callbacks.goOn();
}

void CopyPacer::finish()
{
    if (m_callbacks.progress) {
        m_callbacks.progress(100);
        m_callbacks.progress(0);
    }
}

namespace {

Status putHeader(DestinationFile &out, const QByteArray &header, qint64 headerAt)
{
    if (header.isEmpty())
        return Status::success();
    if (Status s = out.seek(headerAt); !s)
        return s;
    return out.write(header.constData(), header.size());
}

} // namespace

Status completeCopy(DestinationFile &out, const QByteArray &header, CopyPacer &pacer,
                    qint64 headerAt)
{
    if (Status s = putHeader(out, header, headerAt); !s)
        return s;
    pacer.finish();
    return Status::success();
}

Status finishCopy(DestinationFile &out, const QByteArray &header, CopyPacer &pacer, qint64 headerAt)
{
    if (Status s = putHeader(out, header, headerAt); !s)
        return s;
    if (Status s = out.commit(); !s)
        return s;
    pacer.finish();
    return Status::success();
}

UnfinishedFile::UnfinishedFile(std::unique_ptr<DestinationFile> out) : m_out(std::move(out)) {}

UnfinishedFile::~UnfinishedFile() = default;

Status commitWritten(Result<std::unique_ptr<DestinationFile>> written)
{
    if (!written)
        return written.status();
    return written.value()->commit();
}

Result<std::unique_ptr<UnfinishedCopy>>
leaveUnfinished(Result<std::unique_ptr<DestinationFile>> written)
{
    if (!written)
        return written.status();
    return std::unique_ptr<UnfinishedCopy>(
        std::make_unique<UnfinishedFile>(std::move(written.value())));
}

Status UnfinishedFile::finish()
{
    if (!m_out)
        return Status::failure(QStringLiteral("The copy was finished already."));
    const Status committed = m_out->commit();
    m_out.reset();
    return committed;
}

} // namespace engine
