#pragma once

#include "engine/api/Status.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace engine {

/// The bytes of one source file, as every reader gets them: FFmpeg through an I/O context of
/// ours, libvorbisfile through its callbacks. A read that fails says so, with the system's
/// reason, so that a failing disk is never taken for the end of the file.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    /// Up to `size` bytes into `data`: the count read, 0 at the end, -1 when the read failed
    /// (failure() says why from then on).
    virtual int64_t read(uint8_t *data, int64_t size) = 0;
    virtual bool seek(int64_t position) = 0;
    virtual int64_t position() const = 0;
    virtual int64_t size() const = 0;
    /// Why a read failed; empty while none has.
    virtual QString failure() const = 0;
};

/// Opens the named file as a source. Readers take one so that tests can put a failing disk
/// under them; everything else uses openLocalFile.
using SourceOpener = std::function<Result<std::unique_ptr<ByteSource>>(const QString &path)>;

/// A plain local file.
class LocalFileSource : public ByteSource
{
public:
    static Result<std::unique_ptr<ByteSource>> open(const QString &path);

    int64_t read(uint8_t *data, int64_t size) override;
    bool seek(int64_t position) override;
    int64_t position() const override { return m_file.pos(); }
    int64_t size() const override { return m_file.size(); }
    QString failure() const override { return m_failure; }

private:
    explicit LocalFileSource(const QString &path) : m_file(path) {}
    QFile m_file;
    QString m_failure;
};

/// The opener every program uses.
SourceOpener localFiles();

} // namespace engine
