#include "engine/lossless/WavCopy.h"

#include "engine/write/DestinationFile.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <cstring>

namespace engine {

namespace {

constexpr uint16_t kPcm = 1;
constexpr uint16_t kFloat = 3;
constexpr uint16_t kExtensible = 0xFFFE;

uint16_t readLittleEndian16(const uint8_t *p)
{
    return uint16_t(p[0] | p[1] << 8);
}

uint64_t readLittleEndian64(const uint8_t *p)
{
    return uint64_t(readLittleEndian32(p + 4)) << 32 | readLittleEndian32(p);
}

void put32(QByteArray &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

void put64(QByteArray &out, uint64_t v)
{
    put32(out, uint32_t(v));
    put32(out, uint32_t(v >> 32));
}

/// The header in front of `dataBytes` of sample data; RF64 keeps its sizes in "ds64" and
/// all-ones in the 32-bit fields.
QByteArray wavHeader(const WavSource &wav, uint64_t dataBytes, int64_t frames, bool rf64)
{
    const uint64_t formatChunk = 8 + uint64_t(wav.format.size()) + (wav.format.size() & 1);
    const uint64_t ds64Chunk = rf64 ? 8 + 28 : 0;
    const uint64_t riffBytes = 4 + ds64Chunk + formatChunk + 8 + dataBytes + (dataBytes & 1);
    QByteArray out;
    out.append(rf64 ? "RF64" : "RIFF");
    put32(out, rf64 ? 0xFFFFFFFFu : uint32_t(riffBytes));
    out.append("WAVE");
    if (rf64) {
        out.append("ds64");
        put32(out, 28);
        put64(out, riffBytes);
        put64(out, dataBytes);
        put64(out, uint64_t(frames));
        put32(out, 0);
    }
    out.append("fmt ");
    put32(out, uint32_t(wav.format.size()));
    out.append(wav.format);
    if (wav.format.size() & 1)
        out.append('\0');
    out.append("data");
    put32(out, rf64 ? 0xFFFFFFFFu : uint32_t(dataBytes));
    return out;
}

} // namespace

Result<WavSource> parseWav(SourceFile &source)
{
    const int64_t size = source.size();
    const QString &path = source.path();
    const auto head = source.view(0, std::min<int64_t>(size, 12));
    if (!head)
        return head.status();
    const uint8_t *d = head.value();
    if (size < 12 || (std::memcmp(d, "RIFF", 4) != 0 && std::memcmp(d, "RF64", 4) != 0) ||
        std::memcmp(d + 8, "WAVE", 4) != 0)
        return Status::cannotCopy(path, QStringLiteral("not a WAV file"));
    WavSource wav;
    uint64_t ds64Data = 0;
    bool haveFormat = false;
    for (int64_t at = 12; at + 8 <= size;) {
        const auto header = source.view(at, 8);
        if (!header)
            return header.status();
        char id[4];
        std::memcpy(id, header.value(), 4);
        uint64_t bytes = readLittleEndian32(header.value() + 4);
        if (std::memcmp(id, "ds64", 4) == 0 && at + 8 + 16 <= size) {
            const auto ds64 = source.view(at + 8, 16);
            if (!ds64)
                return ds64.status();
            ds64Data = readLittleEndian64(ds64.value() + 8);
        } else if (std::memcmp(id, "fmt ", 4) == 0 && bytes >= 16 &&
                   at + 8 + int64_t(bytes) <= size) {
            const auto format = source.view(at + 8, int64_t(bytes));
            if (!format)
                return format.status();
            const uint8_t *f = format.value();
            wav.format = QByteArray(reinterpret_cast<const char *>(f), qsizetype(bytes));
            uint16_t tag = readLittleEndian16(f);
            if (tag == kExtensible && bytes >= 40)
                tag = readLittleEndian16(f + 24);
            wav.channels = readLittleEndian16(f + 2);
            wav.sampleRate = int(readLittleEndian32(f + 4));
            wav.blockAlign = readLittleEndian16(f + 12);
            wav.bits = readLittleEndian16(f + 14);
            if (tag != kPcm && tag != kFloat)
                return Status::cannotCopy(path, QStringLiteral("the WAV file is not PCM"));
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (!haveFormat || wav.blockAlign <= 0 || wav.channels <= 0 || wav.sampleRate <= 0)
                break;
            if (bytes == 0xFFFFFFFFu && ds64Data != 0)
                bytes = ds64Data;
            // A file cut short keeps the whole frames it still has, as the reader does.
            bytes = std::min<uint64_t>(bytes, uint64_t(size - at - 8));
            wav.dataOffset = at + 8;
            wav.frames = int64_t(bytes / uint64_t(wav.blockAlign));
            return wav;
        }
        at += 8 + int64_t(bytes) + int64_t(bytes & 1);
    }
    return Status::cannotCopy(path, QStringLiteral("the WAV file has no PCM data"));
}

QString describeWav(const WavSource &wav)
{
    return QStringLiteral("WAV as in the source: %1 Hz, %2, %3 bit")
        .arg(QLocale().toString(wav.sampleRate),
             wav.channels == 1   ? QStringLiteral("Mono")
             : wav.channels == 2 ? QStringLiteral("Stereo")
                                 : QStringLiteral("%1 channels").arg(wav.channels))
        .arg(wav.bits);
}

Status copyWav(SourceFile &source, const WavSource &wav, const QString &destPath, int64_t begin,
               int64_t end, const JobCallbacks &callbacks)
{
    begin = std::clamp<int64_t>(begin, 0, wav.frames);
    end = std::clamp<int64_t>(end, begin, wav.frames);
    const uint64_t wanted = uint64_t(end - begin) * uint64_t(wav.blockAlign);
    // The 32-bit sizes count from after "RIFF" and its size: the header, the data and a pad.
    const bool rf64 = wanted + 4 + 8 + uint64_t(wav.format.size()) + 1 + 8 + 1 > 0xFFFFFFFFu;
    auto created = DestinationFile::create(destPath);
    if (!created)
        return created.status();
    DestinationFile &out = *created.value();
    const QByteArray placeholder = wavHeader(wav, 0, 0, rf64);
    if (Status s = out.write(placeholder.constData(), placeholder.size()); !s)
        return s;

    CopyPacer pacer(callbacks, int64_t(wanted));
    const int64_t from = wav.dataOffset + begin * wav.blockAlign;
    uint64_t copied = 0;
    while (copied < wanted) {
        // Whole frames per step, so a cancelled copy ends on a frame.
        const uint64_t step = std::min<uint64_t>(
            wanted - copied, uint64_t(kCopyStep / wav.blockAlign) * uint64_t(wav.blockAlign));
        const auto data = source.view(from + int64_t(copied), int64_t(step));
        if (!data)
            return data.status();
        if (Status s = out.write(data.value(), qint64(step)); !s)
            return s;
        copied += step;
        if (!pacer.advance(int64_t(step)))
            break;
    }
    if (copied & 1)
        if (Status s = out.write("", 1); !s)
            return s;
    const QByteArray header =
        wavHeader(wav, copied, int64_t(copied / uint64_t(wav.blockAlign)), rf64);
    return finishCopy(out, header, pacer);
}

namespace {

class WavCopySource : public CopySource
{
public:
    WavCopySource(std::unique_ptr<SourceFile> source, WavSource wav)
        : m_source(std::move(source)), m_wav(std::move(wav))
    {}
    // The reader's length of a damaged or odd WAV is FFmpeg's to say.
    std::optional<int64_t> length() const override { return std::nullopt; }
    int32_t sampleRate() const override { return m_wav.sampleRate; }
    // A WAV's tags are chunks after the audio, which a tag write appends without moving it.
    QByteArray tagHeader() const override { return {}; }
    Status copy(const QString &destPath, int64_t begin, int64_t end, const QByteArray &tags,
                const JobCallbacks &callbacks) override
    {
        (void)tags;
        return copyWav(*m_source, m_wav, destPath, begin, end, callbacks);
    }

private:
    std::unique_ptr<SourceFile> m_source;
    WavSource m_wav;
};

} // namespace

std::unique_ptr<CopySource> prepareWav(std::unique_ptr<SourceFile> source, WavSource wav)
{
    return std::make_unique<WavCopySource>(std::move(source), std::move(wav));
}

} // namespace engine
