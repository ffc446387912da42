#include "engine/lossless/FlacFrames.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace engine {

namespace {

constexpr std::array<uint8_t, 256> makeCrc8()
{
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        uint8_t c = uint8_t(i);
        for (int b = 0; b < 8; ++b)
            c = uint8_t(c & 0x80 ? (c << 1) ^ 0x07 : c << 1);
        table[size_t(i)] = c;
    }
    return table;
}

constexpr std::array<uint16_t, 256> makeCrc16()
{
    std::array<uint16_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        uint16_t c = uint16_t(i << 8);
        for (int b = 0; b < 8; ++b)
            c = uint16_t(c & 0x8000 ? (c << 1) ^ 0x8005 : c << 1);
        table[size_t(i)] = c;
    }
    return table;
}

constexpr std::array<uint8_t, 256> kCrc8 = makeCrc8();
constexpr std::array<uint16_t, 256> kCrc16 = makeCrc16();

uint8_t crc8(const uint8_t *p, int64_t n)
{
    uint8_t c = 0;
    for (int64_t i = 0; i < n; ++i)
        c = kCrc8[c ^ p[i]];
    return c;
}

inline uint16_t crc16Step(uint16_t c, uint8_t byte)
{
    return uint16_t(c << 8) ^ kCrc16[(c >> 8) ^ byte];
}

uint16_t crc16(uint16_t c, const uint8_t *p, int64_t n)
{
    for (int64_t i = 0; i < n; ++i)
        c = crc16Step(c, p[i]);
    return c;
}

/// The product of two polynomials over GF(2) modulo the CRC-16's.
uint16_t crc16Multiply(uint16_t a, uint16_t b)
{
    uint16_t r = 0;
    for (int i = 15; i >= 0; --i) {
        r = uint16_t(r & 0x8000 ? (r << 1) ^ 0x8005 : r << 1);
        if ((b >> i) & 1)
            r ^= a;
    }
    return r;
}

/// What the CRC-16 `c` of some bytes becomes when `n` bytes of zeros follow them:
/// c times x^(8n), modulo the polynomial.
uint16_t crc16Shifted(uint16_t c, int64_t n)
{
    uint16_t power = 1;
    uint16_t base = 0x100; // x^8
    for (; n > 0; n >>= 1) {
        if (n & 1)
            power = crc16Multiply(power, base);
        base = crc16Multiply(base, base);
    }
    return crc16Multiply(c, power);
}

/// The longest frame header: sync and codes (4), a 7-byte number, 2 bytes of block size,
/// 2 of rate, the CRC-8.
constexpr int kMaxHeaderBytes = 16;

constexpr int kRates[12] = {0,     88200, 176400, 192000, 8000,  16000,
                            22050, 24000, 32000,  44100,  48000, 96000};
constexpr int kBits[8] = {0, 8, 12, -1, 16, 20, 24, 32};

void putCodedNumber(QByteArray &out, uint64_t v)
{
    if (v < 0x80) {
        out.append(char(v));
        return;
    }
    int bytes = 2;
    while (bytes < 7 && v >= (uint64_t(1) << (5 * bytes + 1)))
        ++bytes;
    const int first = 8 - bytes - 1; // value bits in the first byte
    out.append(
        char(((0xFF00 >> bytes) & 0xFF) | (int(v >> (6 * (bytes - 1))) & ((1 << first) - 1))));
    for (int i = bytes - 2; i >= 0; --i)
        out.append(char(0x80 | ((v >> (6 * i)) & 0x3F)));
}

/// Where the last frame ends among the places its CRC comes out 0: the file's end or an
/// ID3v1 tag's start where one of them is among them, else the last; zero bytes after the
/// frame keep the CRC at 0, so a run of them is left out.
Result<int64_t> lastFrameEnd(SourceFile &source, const std::vector<int64_t> &zeros)
{
    const int64_t size = source.size();
    int64_t end = zeros.back();
    if (size >= 128 && end != size) {
        const auto tag = source.view(size - 128, 3);
        if (!tag)
            return tag.status();
        if (std::memcmp(tag.value(), "TAG", 3) == 0 &&
            std::find(zeros.begin(), zeros.end(), size - 128) != zeros.end())
            end = size - 128;
    }
    auto at = std::find(zeros.begin(), zeros.end(), end);
    while (at != zeros.begin() && *(at - 1) == end - 1) {
        const auto byte = source.view(end - 1, 1);
        if (!byte)
            return byte.status();
        if (*byte.value() != 0)
            break;
        --at;
        --end;
    }
    return end;
}

} // namespace

Result<FlacSource> parseFlac(SourceFile &source)
{
    const QString &path = source.path();
    const auto tag = source.view(0, std::min<int64_t>(source.size(), 10));
    if (!tag)
        return tag.status();
    // An ID3v2 tag in front is left behind: the copy's tags are Vorbis comments.
    const int64_t start = id3v2Size(tag.value(), std::min<int64_t>(source.size(), 10));
    if (source.size() - start < 4 + 4 + 34)
        return Status::cannotOpen(path, QStringLiteral("not a FLAC file"));
    const auto head = source.view(start, 4);
    if (!head)
        return head.status();
    if (std::memcmp(head.value(), "fLaC", 4) != 0)
        return Status::cannotOpen(path, QStringLiteral("not a FLAC file"));
    FlacSource flac;
    const int64_t firstBlock = start + 4;
    int64_t at = firstBlock;
    for (bool last = false; !last;) {
        const auto block = source.view(at, std::min<int64_t>(4, source.size() - at));
        if (!block || source.size() - at < 4)
            return Status::cannotCopy(path, QStringLiteral("the FLAC metadata is damaged"));
        const uint8_t *b = block.value();
        last = (b[0] & 0x80) != 0;
        const int type = b[0] & 0x7F;
        const int64_t bytes = int64_t(b[1]) << 16 | int64_t(b[2]) << 8 | b[3];
        if (at + 4 + bytes > source.size() || type == 127 || (at == firstBlock && type != 0))
            return Status::cannotCopy(path, QStringLiteral("the FLAC metadata is damaged"));
        const auto body = source.view(at, 4 + bytes);
        if (!body)
            return body.status();
        const uint8_t *d = body.value() + 4;
        if (type == 0 && bytes >= 34) {
            flac.streamInfo = QByteArray(reinterpret_cast<const char *>(d), 34);
            flac.minBlock = d[0] << 8 | d[1];
            flac.maxBlock = d[2] << 8 | d[3];
            flac.sampleRate = d[10] << 12 | d[11] << 4 | d[12] >> 4;
            flac.channels = ((d[12] >> 1) & 7) + 1;
            flac.bits = ((d[12] & 1) << 4 | d[13] >> 4) + 1;
            flac.totalSamples = int64_t(d[13] & 0x0F) << 32 | int64_t(readBigEndian32(d + 14));
        } else if (type == 4 || type == 6) {
            QByteArray kept(reinterpret_cast<const char *>(body.value()), qsizetype(4 + bytes));
            kept[0] = char(type);
            flac.keptBlocks.push_back(kept);
        }
        at += 4 + bytes;
    }
    if (flac.streamInfo.isEmpty() || flac.sampleRate == 0)
        return Status::cannotCopy(path, QStringLiteral("the FLAC file has no stream information"));
    if (flac.bits != 16 && flac.bits != 24)
        return Status::cannotCopy(
            path, QStringLiteral("the FLAC source is %1-bit; 16- and 24-bit FLAC is copied")
                      .arg(flac.bits));
    flac.firstFrame = at;
    return flac;
}

std::optional<FlacFrameHeader> parseFlacFrameHeader(const uint8_t *p, int64_t available,
                                                    const FlacSource &flac)
{
    if (available < 6 || p[0] != 0xFF || (p[1] & 0xFE) != 0xF8 || (p[3] & 1) != 0)
        return std::nullopt;
    const int blockCode = p[2] >> 4;
    const int rateCode = p[2] & 0x0F;
    const int channelCode = p[3] >> 4;
    const int bitsCode = (p[3] >> 1) & 7;
    if (blockCode == 0 || rateCode == 15 || channelCode > 10 || kBits[bitsCode] < 0)
        return std::nullopt;
    if ((channelCode < 8 ? channelCode + 1 : 2) != flac.channels)
        return std::nullopt;
    if (bitsCode != 0 && kBits[bitsCode] != flac.bits)
        return std::nullopt;
    FlacFrameHeader h;
    h.variable = (p[1] & 1) != 0;
    // The number, coded like UTF-8 with up to 36 bits.
    int extra = 0;
    uint64_t number = p[4];
    if (p[4] >= 0x80) {
        if (p[4] == 0xFF || (p[4] & 0xC0) == 0x80)
            return std::nullopt;
        extra = 1;
        while (extra < 6 && (p[4] & (0x40 >> extra)))
            ++extra;
        number = p[4] & (0x3F >> extra);
    }
    if (available < 5 + extra)
        return std::nullopt;
    for (int i = 0; i < extra; ++i) {
        if ((p[5 + i] & 0xC0) != 0x80)
            return std::nullopt;
        number = number << 6 | (p[5 + i] & 0x3F);
    }
    h.number = number;
    h.numberBytes = 1 + extra;
    int at = 5 + extra;
    if (blockCode == 1)
        h.blockSize = 192;
    else if (blockCode <= 5)
        h.blockSize = 576 << (blockCode - 2);
    else if (blockCode >= 8)
        h.blockSize = 256 << (blockCode - 8);
    const int blockBytes = blockCode == 6 ? 1 : blockCode == 7 ? 2 : 0;
    const int rateBytes = rateCode == 12 ? 1 : rateCode >= 13 ? 2 : 0;
    if (available < at + blockBytes + rateBytes + 1)
        return std::nullopt;
    if (blockCode == 6)
        h.blockSize = p[at] + 1;
    else if (blockCode == 7)
        h.blockSize = (p[at] << 8 | p[at + 1]) + 1;
    at += blockBytes;
    int rate = rateCode < 12 ? kRates[rateCode] : 0;
    if (rateCode == 12)
        rate = p[at] * 1000;
    else if (rateCode == 13)
        rate = p[at] << 8 | p[at + 1];
    else if (rateCode == 14)
        rate = (p[at] << 8 | p[at + 1]) * 10;
    at += rateBytes;
    if (rate != 0 && rate != flac.sampleRate)
        return std::nullopt;
    if (crc8(p, at) != p[at])
        return std::nullopt;
    h.bytes = at + 1;
    return h;
}

QByteArray renumberFlacFrame(const uint8_t *frame, int64_t bytes, const FlacFrameHeader &header,
                             int64_t sample)
{
    QByteArray out;
    out.reserve(qsizetype(bytes + 8));
    out.append(char(0xFF));
    out.append(char(0xF9)); // the variable-blocksize strategy: numbers count samples
    out.append(char(frame[2]));
    out.append(char(frame[3]));
    putCodedNumber(out, uint64_t(sample));
    const int after = 4 + header.numberBytes;
    out.append(reinterpret_cast<const char *>(frame + after), header.bytes - 1 - after);
    const auto *h = reinterpret_cast<const uint8_t *>(out.constData());
    out.append(char(crc8(h, out.size())));
    const qsizetype newHeader = out.size();
    const int64_t body = bytes - header.bytes - 2;
    out.append(reinterpret_cast<const char *>(frame + header.bytes), qsizetype(body));
    // The CRC-16 is linear: the new one is the old one changed by what the header change
    // does to it, without a pass over the frame, and a frame that was damaged stays damaged.
    const uint16_t stored = uint16_t(frame[bytes - 2] << 8 | frame[bytes - 1]);
    const uint16_t headers =
        crc16(0, frame, header.bytes) ^
        crc16(0, reinterpret_cast<const uint8_t *>(out.constData()), newHeader);
    const uint16_t crc = stored ^ crc16Shifted(headers, body);
    out.append(char(crc >> 8));
    out.append(char(crc & 0xFF));
    return out;
}

FlacFrameScanner::FlacFrameScanner(SourceFile &source, const FlacSource &flac)
    : m_source(source), m_flac(flac), m_at(flac.firstFrame)
{}

int64_t FlacFrameScanner::sampleOf(const FlacFrameHeader &header) const
{
    return header.variable ? int64_t(header.number) : int64_t(header.number) * m_fixedBlock;
}

bool FlacFrameScanner::followsOn(const FlacFrame &frame, const FlacFrameHeader &next) const
{
    if (next.variable != frame.header.variable)
        return false;
    return frame.header.variable ? int64_t(next.number) == frame.end()
                                 : next.number == frame.header.number + 1;
}

Result<std::optional<FlacFrame>> FlacFrameScanner::next()
{
    const int64_t size = m_source.size();
    if (m_at >= size)
        return std::optional<FlacFrame>();
    const auto headBytes = m_source.view(m_at, std::min<int64_t>(kMaxHeaderBytes, size - m_at));
    if (!headBytes)
        return headBytes.status();
    const auto header = parseFlacFrameHeader(
        headBytes.value(), std::min<int64_t>(kMaxHeaderBytes, size - m_at), m_flac);
    if (!header) {
        // Anything after the last frame (an ID3v1 tag, say) is no frame, and no damage.
        if (m_flac.totalSamples > 0 && m_at > m_flac.firstFrame)
            return std::optional<FlacFrame>();
        return Status::cannotCopy(
            m_source.path(), QStringLiteral("the FLAC stream is damaged at byte %1").arg(m_at));
    }
    if (m_fixedBlock == 0)
        m_fixedBlock = m_flac.minBlock == m_flac.maxBlock && m_flac.maxBlock > 0
                           ? m_flac.maxBlock
                           : header->blockSize;
    FlacFrame frame;
    frame.offset = m_at;
    frame.header = *header;
    frame.blockSize = header->blockSize;
    frame.sample = sampleOf(*header);
    // The frame ends where the next one's header follows on with the next number. Its CRC
    // is not checked here: the copy carries it over (see renumberFlacFrame), so a damaged
    // frame stays one, and the copy's own decode checks every CRC.
    constexpr int64_t kChunk = 1 << 16;
    for (int64_t pos = m_at + header->bytes + 3; pos < size;) {
        const int64_t chunk = std::min(kChunk, size - pos);
        const int64_t look = std::min(chunk + kMaxHeaderBytes, size - pos);
        const auto bytes = m_source.view(pos, look);
        if (!bytes)
            return bytes.status();
        const uint8_t *d = bytes.value();
        for (const uint8_t *at = d; at < d + chunk;) {
            const auto *sync =
                static_cast<const uint8_t *>(std::memchr(at, 0xFF, size_t(d + chunk - at)));
            if (!sync)
                break;
            const auto following = parseFlacFrameHeader(sync, look - (sync - d), m_flac);
            if (following && followsOn(frame, *following)) {
                frame.bytes = pos + (sync - d) - m_at;
                m_at += frame.bytes;
                return std::optional<FlacFrame>(frame);
            }
            at = sync + 1;
        }
        pos += chunk;
    }
    // No frame follows: this is the last one, ending where its CRC-16 comes out right.
    const bool last = m_flac.totalSamples <= 0 || frame.end() >= m_flac.totalSamples;
    std::vector<int64_t> zeros; ///< where the CRC came out 0: the last frame's possible ends
    uint16_t crc = 0;
    for (int64_t pos = m_at; last && pos < size;) {
        const int64_t chunk = std::min(kChunk, size - pos);
        const auto bytes = m_source.view(pos, chunk);
        if (!bytes)
            return bytes.status();
        const uint8_t *d = bytes.value();
        for (int64_t i = 0; i < chunk; ++i) {
            if (crc == 0 && pos + i >= m_at + header->bytes + 3)
                zeros.push_back(pos + i);
            crc = crc16Step(crc, d[i]);
        }
        pos += chunk;
    }
    if (crc == 0)
        zeros.push_back(size);
    if (zeros.empty() || !last)
        return Status::cannotCopy(
            m_source.path(), QStringLiteral("the FLAC stream is damaged at byte %1").arg(m_at));
    const auto ending = lastFrameEnd(m_source, zeros);
    if (!ending)
        return ending.status();
    frame.bytes = ending.value() - m_at;
    m_at = size;
    return std::optional<FlacFrame>(frame);
}

} // namespace engine
