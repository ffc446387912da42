#include "engine/write/Mp3HeaderFrame.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace engine {

namespace {

constexpr int kBitratesMpeg1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                    112, 128, 160, 192, 224, 256, 320, 0};
constexpr int kBitratesMpeg2[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                    64, 80, 96, 112, 128, 144, 160, 0};
constexpr int kRates[3] = {44100, 48000, 32000};

/// Xing tag, flags, frames, bytes, table of contents, quality; then the LAME tag.
constexpr int kXingBytes = 4 + 4 + 4 + 4 + 100 + 4;
constexpr int kLameBytes = 36;

void put32(uint8_t *p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

/// The lowest bit rate index whose frame holds the Xing and LAME tags.
int headerBitrateIndex(const MpegHeader &h)
{
    int index = 1;
    while (index < 14 && mpegFrameBytes(h, index) < 4 + h.sideInfoBytes + kXingBytes + kLameBytes)
        ++index;
    return index;
}

} // namespace

std::optional<MpegHeader> parseMpegHeader(const uint8_t *p)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int version = (p[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layer = (p[1] >> 1) & 3;   // 1: Layer III
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 15 || rateIndex == 3 || (p[3] & 3) == 2)
        return std::nullopt;
    MpegHeader h;
    h.mpeg1 = version == 3;
    h.bitrateIndex = bitrateIndex;
    h.rateIndex = rateIndex;
    h.sampleRate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    h.kbps = (h.mpeg1 ? kBitratesMpeg1 : kBitratesMpeg2)[bitrateIndex];
    h.mode = p[3] >> 6;
    h.crc = !(p[1] & 1);
    h.samples = h.mpeg1 ? 1152 : 576;
    h.sideInfoBytes = h.mpeg1 ? (h.mono() ? 17 : 32) : (h.mono() ? 9 : 17);
    h.bytes = bitrateIndex == 0 ? 0 : mpegFrameBytes(h, bitrateIndex) + ((p[2] >> 1) & 1);
    return h;
}

int mpegFrameBytes(const MpegHeader &h, int bitrateIndex)
{
    const int kbps = (h.mpeg1 ? kBitratesMpeg1 : kBitratesMpeg2)[bitrateIndex];
    return (h.mpeg1 ? 144000 : 72000) * kbps / h.sampleRate;
}

namespace {

/// The CRC-16 of LAME's music CRC (the reflected 0x8005 polynomial, FFmpeg's
/// AV_CRC_16_ANSI_LE), sixteen bytes a step: `t[k][b]` is the CRC of byte b followed by k
/// zero bytes. FFmpeg's table takes a byte a step, and a copy runs it over every byte.
using CrcTables = std::array<std::array<uint16_t, 256>, 16>;

constexpr CrcTables makeCrcTables()
{
    CrcTables t{};
    for (size_t i = 0; i < 256; ++i) {
        auto c = uint16_t(i);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? uint16_t((c >> 1) ^ 0xA001) : uint16_t(c >> 1);
        t[0][i] = c;
    }
    for (size_t k = 1; k < t.size(); ++k)
        for (size_t i = 0; i < 256; ++i)
            t[k][i] = uint16_t((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
    return t;
}

constexpr CrcTables kCrcTables = makeCrcTables();

uint16_t tableCrc(const uint8_t *data, size_t size, uint16_t crc)
{
    const CrcTables &t = kCrcTables;
    for (; size >= 16; data += 16, size -= 16) {
        auto next = uint16_t(t[15][(crc ^ data[0]) & 0xFF] ^ t[14][((crc >> 8) ^ data[1]) & 0xFF]);
        for (size_t k = 2; k < 16; ++k)
            next ^= t[15 - k][data[k]];
        crc = next;
    }
    for (; size > 0; ++data, --size)
        crc = uint16_t((crc >> 8) ^ t[0][(crc ^ *data) & 0xFF]);
    return crc;
}

#if defined(__x86_64__)
/// x^n modulo the polynomial, bit-reversed into the top of 64 bits: the form in which a
/// carry-less product of bit-reversed operands lands where the reversed message keeps it.
constexpr uint64_t foldConstant(int n)
{
    uint32_t r = 1;
    for (int k = 0; k < n; ++k) {
        r <<= 1;
        if (r & 0x10000)
            r ^= 0x18005;
    }
    uint64_t reversed = 0;
    for (int bit = 0; bit < 16; ++bit)
        if (r >> bit & 1)
            reversed |= uint64_t(1) << (63 - bit);
    return reversed;
}

/// What moves a 16-byte block on by `Bits` bits: its first half by 64 more. Worked out
/// while compiling; at run time the loops above would cost a small write's whole CRC.
template <int Bits> __attribute__((target("pclmul,sse2"))) __m128i foldConstants()
{
    constexpr uint64_t first = foldConstant(Bits + 63);
    constexpr uint64_t second = foldConstant(Bits - 1);
    return _mm_set_epi64x(int64_t(second), int64_t(first));
}

__attribute__((target("pclmul,sse2"))) __m128i fold(__m128i block, __m128i constants)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(block, constants, 0x00),
                         _mm_clmulepi64_si128(block, constants, 0x11));
}

/// Sixty-four bytes a step with carry-less multiplication: four blocks at a time, each folded
/// into the one 64 bytes on (moved on by 512 bits modulo the polynomial), then the four into
/// the last, whose remainder is the whole message's; the table finishes it. A copy's CRC then
/// costs little next to its bytes.
__attribute__((target("pclmul,sse2"))) uint16_t foldedCrc(const uint8_t *data, size_t size,
                                                          uint16_t crc)
{
    auto load = [](const uint8_t *p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    };
    __m128i acc[4] = {_mm_xor_si128(load(data), _mm_cvtsi32_si128(crc)), load(data + 16),
                      load(data + 32), load(data + 48)};
    data += 64;
    size -= 64;
    const __m128i by512 = foldConstants<512>();
    for (; size >= 64; data += 64, size -= 64)
        for (int k = 0; k < 4; ++k)
            acc[k] = _mm_xor_si128(fold(acc[k], by512), load(data + 16 * k));
    const __m128i by128 = foldConstants<128>();
    __m128i last = acc[0];
    for (int k = 1; k < 4; ++k)
        last = _mm_xor_si128(fold(last, by128), acc[k]);
    for (; size >= 16; data += 16, size -= 16)
        last = _mm_xor_si128(fold(last, by128), load(data));
    alignas(16) uint8_t bytes[16];
    _mm_store_si128(reinterpret_cast<__m128i *>(bytes), last);
    return tableCrc(data, size, tableCrc(bytes, 16, 0));
}
#endif

} // namespace

uint16_t lameCrc(const uint8_t *data, size_t size, uint16_t crc)
{
#if defined(__x86_64__)
    static const bool canFold = __builtin_cpu_supports("pclmul");
    if (size >= 64 && canFold)
        return foldedCrc(data, size, crc);
#endif
    return tableCrc(data, size, crc);
}

int mp3HeaderFrameBytes(const uint8_t *model)
{
    const MpegHeader h = *parseMpegHeader(model);
    return mpegFrameBytes(h, headerBitrateIndex(h));
}

QByteArray mp3HeaderFrame(const uint8_t *model, const Mp3HeaderFields &fields)
{
    const MpegHeader h = *parseMpegHeader(model);
    const int index = headerBitrateIndex(h);
    QByteArray frame(mpegFrameBytes(h, index), '\0');
    auto *p = reinterpret_cast<uint8_t *>(frame.data());
    // The model's header at the new bit rate, unprotected and unpadded.
    p[0] = 0xFF;
    p[1] = uint8_t(model[1] | 1);
    p[2] = uint8_t(index << 4 | (model[2] & 0x0C));
    p[3] = model[3];
    uint8_t *x = p + 4 + h.sideInfoBytes;
    std::memcpy(x, "Xing", 4);
    put32(x + 4, 0x0F);
    const int64_t frames = int64_t(fields.frameOffsets.size());
    const int64_t total = std::max<int64_t>(1, fields.totalBytes);
    put32(x + 8, uint32_t(frames));
    put32(x + 12, uint32_t(fields.totalBytes));
    for (int i = 0; i < 100 && frames > 0; ++i) {
        const int64_t at = fields.frameOffsets[size_t(frames * i / 100)];
        x[16 + i] = uint8_t(std::min<int64_t>(255, at * 256 / total));
    }
    put32(x + 116, 0);
    uint8_t *lame = x + kXingBytes;
    std::memcpy(lame, "LAME3.100", 9);
    const uint32_t delays = uint32_t(std::clamp<int64_t>(fields.delay, 0, kMaxMp3Delay) << 12 |
                                     std::clamp<int64_t>(fields.padding, 0, kMaxMp3Delay));
    lame[21] = uint8_t(delays >> 16);
    lame[22] = uint8_t(delays >> 8);
    lame[23] = uint8_t(delays);
    put32(lame + 28, uint32_t(fields.totalBytes));
    lame[32] = uint8_t(fields.musicCrc >> 8);
    lame[33] = uint8_t(fields.musicCrc);
    const uint16_t tagCrc = lameCrc(p, size_t(lame + 34 - p));
    lame[34] = uint8_t(tagCrc >> 8);
    lame[35] = uint8_t(tagCrc);
    return frame;
}

} // namespace engine
