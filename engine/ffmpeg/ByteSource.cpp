#include "engine/ffmpeg/ByteSource.h"

#include <QFileInfo>

namespace engine {

Result<std::unique_ptr<ByteSource>> LocalFileSource::open(const QString &path)
{
    if (QFileInfo(path).isDir())
        return Status::cannotOpen(path, QStringLiteral("it is a folder"));
    std::unique_ptr<LocalFileSource> source(new LocalFileSource(path));
    // The readers keep their own buffers; Qt's would only copy every byte once more.
    if (!source->m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return Status::cannotOpen(path, source->m_file.errorString());
    return std::unique_ptr<ByteSource>(std::move(source));
}

int64_t LocalFileSource::read(uint8_t *data, int64_t size)
{
    const qint64 got = m_file.read(reinterpret_cast<char *>(data), size);
    if (got < 0) {
        m_failure = m_file.errorString();
        return -1;
    }
    return got;
}

bool LocalFileSource::seek(int64_t position)
{
    return m_file.seek(position);
}

SourceOpener localFiles()
{
    return &LocalFileSource::open;
}

} // namespace engine
