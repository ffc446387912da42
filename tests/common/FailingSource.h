#pragma once

#include "engine/ffmpeg/ByteSource.h"

#include <cerrno>
#include <cstring>

/// A local file with one bad spot: every read that touches byte `badByte` fails as a failing
/// disk's does (EIO), while everything before and after it still reads.
class FailingSource : public engine::ByteSource
{
public:
    static engine::SourceOpener opener(int64_t badByte)
    {
        return [badByte](const QString &path) -> engine::Result<std::unique_ptr<ByteSource>> {
            auto file = engine::LocalFileSource::open(path);
            if (!file)
                return file.status();
            return std::unique_ptr<ByteSource>(new FailingSource(std::move(file.value()), badByte));
        };
    }

    int64_t read(uint8_t *data, int64_t size) override
    {
        const int64_t at = m_file->position();
        if (at <= m_badByte && m_badByte < at + size) {
            // The bytes before the bad spot arrive first, as from a real disk.
            if (at < m_badByte)
                return m_file->read(data, m_badByte - at);
            m_failure = QString::fromLocal8Bit(std::strerror(EIO));
            return -1;
        }
        return m_file->read(data, size);
    }
    bool seek(int64_t position) override { return m_file->seek(position); }
    int64_t position() const override { return m_file->position(); }
    int64_t size() const override { return m_file->size(); }
    QString failure() const override { return m_failure; }

private:
    FailingSource(std::unique_ptr<ByteSource> file, int64_t badByte)
        : m_file(std::move(file)), m_badByte(badByte)
    {}
    std::unique_ptr<ByteSource> m_file;
    int64_t m_badByte;
    QString m_failure;
};
