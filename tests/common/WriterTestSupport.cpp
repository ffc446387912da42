#include "WriterTestSupport.h"

#include "engine/encode/OutputWriters.h"
#include "engine/factory/AudioFileObject.h"

#include <QDir>
#include <QProcess>

#include <cmath>

namespace writertest {

engine::Status encodeFile(const QString &source, const QString &destination,
                          const engine::OutputChoice &output)
{
    engine::AudioFileObject reader;
    if (engine::Status s = reader.openForReading(source); !s)
        return s;
    const int32_t rate = reader.sampleRate().value();
    auto made = engine::createOutputWriter(destination, output);
    if (!made)
        return made.status();
    engine::AudioWriter &writer = *made.value();
    if (engine::Status s = writer.setInputFormat(rate, reader.channelCount().value()); !s) {
        writer.discard();
        return s;
    }
    engine::SampleBlock block;
    for (;;) {
        if (engine::Status s = reader.readBlock(rate, block); !s)
            return s;
        if (block.empty())
            break;
        if (engine::Status s = writer.write(block); !s) {
            writer.discard();
            return s;
        }
    }
    const engine::Status finished = writer.finish();
    if (!finished)
        writer.discard();
    return finished;
}

std::function<engine::Result<std::unique_ptr<engine::AudioWriter>>(const QString &)>
makerOf(const engine::OutputChoice &output)
{
    return [output](const QString &path) { return engine::createOutputWriter(path, output); };
}

Decoded decodeWithEngine(const QString &path, qint64 *length)
{
    Decoded decoded;
    engine::AudioFileObject file;
    if (!file.openForReading(path))
        return decoded;
    decoded.rate = file.sampleRate().value();
    decoded.channels = file.channelCount().value();
    if (length)
        *length = file.length().value();
    engine::SampleBlock block;
    while (file.readBlock(decoded.rate, block) && !block.empty())
        decoded.samples.insert(decoded.samples.end(), block.begin(), block.end());
    return decoded;
}

double correlation(const std::vector<float> &a, int aChannels, const std::vector<float> &b,
                   int bChannels, int channel, qint64 from, qint64 count)
{
    double ab = 0;
    double aa = 0;
    double bb = 0;
    for (qint64 i = from; i < from + count; ++i) {
        const size_t ai = size_t(i * aChannels + channel);
        const size_t bi = size_t(i * bChannels + channel);
        if (ai >= a.size() || bi >= b.size())
            return 0;
        ab += double(a[ai]) * b[bi];
        aa += double(a[ai]) * a[ai];
        bb += double(b[bi]) * b[bi];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

std::vector<float> remix(const std::vector<float> &source, int channels, int outChannels)
{
    if (channels == outChannels)
        return source;
    const size_t frames = source.size() / size_t(channels);
    std::vector<float> out(frames * size_t(outChannels));
    for (size_t f = 0; f < frames; ++f) {
        if (outChannels == 1)
            out[f] = 0.5f * (source[2 * f] + source[2 * f + 1]);
        else
            out[2 * f] = out[2 * f + 1] = source[f];
    }
    return out;
}

int runToolUnder(const QStringList &wrapper, const QStringList &args, QByteArray *out,
                 QByteArray *err)
{
    QProcess process;
    process.start(wrapper.first(),
                  wrapper.mid(1) + QStringList{qEnvironmentVariable("VORN_ENGINE_TOOL")} + args);
    if (!process.waitForStarted() || !process.waitForFinished(300000))
        return -1;
    if (out)
        *out = process.readAllStandardOutput();
    if (err)
        *err = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QStringList folderContents(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

} // namespace writertest
