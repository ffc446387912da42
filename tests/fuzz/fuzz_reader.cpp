// libFuzzer target: arbitrary bytes as an audio file, opened, read, seeked and described the
// way the window does. Any crash, hang or sanitizer report is a finding.
#include "engine/factory/AudioFileObject.h"
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/factory/Initialise.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <unistd.h>

#include <cstddef>
#include <cstdint>

namespace {

const char *const kExtensions[] = {".mp3", ".ogg", ".wma", ".wav"};

QString scratchPath(uint8_t selector)
{
    const QString folder = QDir::tempPath();
    return QStringLiteral("%1/vorn-fuzz-%2%3")
        .arg(folder)
        .arg(getpid())
        .arg(QString::fromLatin1(kExtensions[selector % 4]));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    engine::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the extension; the rest is the file.
    const QString path = scratchPath(data[0]);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data + 1), qint64(size - 1));
    }

    engine::AudioFileObject reader;
    if (reader.openForReading(path)) {
        const int32_t length = reader.length().valueOr(0);
        engine::SampleBlock block;
        for (int i = 0; i < 64; ++i)
            if (!reader.readBlock(4096, block) || block.empty())
                break;
        const char *why = "a damaged input may fail anywhere; only crashes count";
        engine::ignoreFailure(reader.seek(length / 2), why);
        engine::ignoreFailure(reader.readBlock(4096, block), why);
        engine::ignoreFailure(reader.seek(length), why);
        engine::ignoreFailure(reader.readBlock(4096, block), why);
    }
    auto information = engine::DefaultEngineFactory().createInformation();
    if (information->readInformation(path)) {
        (void)information->sourceFormatDescription();
        (void)information->tags();
    }
    QFile::remove(path);
    return 0;
}
