#include "engine/lossless/CopySupport.h"

#include "engine/write/DestinationFile.h"

#include <algorithm>

namespace engine {

Result<std::unique_ptr<MappedSource>> MappedSource::open(const QString &path)
{
    auto source = std::make_unique<MappedSource>();
    source->m_path = path;
    source->m_file = std::make_unique<QFile>(path);
    if (!source->m_file->open(QIODevice::ReadOnly))
        return Status::cannotOpen(path, source->m_file->errorString());
    source->m_size = source->m_file->size();
    if (source->m_size == 0)
        return Status::cannotOpen(path, QStringLiteral("the file is empty"));
    source->m_data = source->m_file->map(0, source->m_size);
    if (!source->m_data)
        return Status::cannotOpen(path, source->m_file->errorString());
    return source;
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

Status finishCopy(DestinationFile &out, const QByteArray &header, CopyPacer &pacer)
{
    if (!header.isEmpty()) {
        if (Status s = out.seek(0); !s)
            return s;
        if (Status s = out.write(header.constData(), header.size()); !s)
            return s;
    }
    if (Status s = out.commit(); !s)
        return s;
    pacer.finish();
    return Status::success();
}

} // namespace engine
