#include "engine/lossless/OpusCopy.h"

#include "engine/lossless/OggPackets.h"
#include "engine/write/DestinationFile.h"

#include <QLocale>

#include <algorithm>
#include <cstring>
#include <deque>

namespace engine {

namespace {

/// What the decoder needs before Begin to converge on a decode from the start: 160 ms. The
/// 80 ms usually given leaves the first 20 ms of a part up to -44 dBFS off the source's
/// decode; twice that brings them under -68.
constexpr int64_t kPreRoll = 7680;

/// Samples at 48 kHz that a packet decodes to, from its table-of-contents byte.
int64_t packetSamples(const QByteArray &packet)
{
    if (packet.isEmpty())
        return 0;
    const auto toc = uint8_t(packet[0]);
    const int config = toc >> 3;
    static constexpr int kSilk[4] = {480, 960, 1920, 2880};
    static constexpr int kCelt[4] = {120, 240, 480, 960};
    const int frame = config < 12   ? kSilk[config & 3]
                      : config < 16 ? (config & 1 ? 960 : 480)
                                    : kCelt[config & 3];
    int frames = 1;
    if ((toc & 3) == 1 || (toc & 3) == 2)
        frames = 2;
    else if ((toc & 3) == 3)
        frames = packet.size() >= 2 ? uint8_t(packet[1]) & 0x3F : 0;
    return int64_t(frame) * frames;
}

struct Headers
{
    QByteArray head;
    QByteArray tags;
    OpusSource opus;
};

Result<Headers> readHeaders(OggPacketReader &reader, const QString &path)
{
    Headers h;
    for (QByteArray *packet : {&h.head, &h.tags}) {
        auto next = reader.next();
        if (!next)
            return next.status();
        if (!next.value())
            return Status::cannotCopy(path, QStringLiteral("not an Ogg Opus file"));
        *packet = next.value()->bytes;
    }
    const auto *d = reinterpret_cast<const uint8_t *>(h.head.constData());
    if (h.head.size() < 19 || std::memcmp(d, "OpusHead", 8) != 0 || (d[8] & 0xF0) != 0 ||
        !h.tags.startsWith("OpusTags"))
        return Status::cannotCopy(path, QStringLiteral("not an Ogg Opus file"));
    h.opus.channels = d[9];
    h.opus.preSkip = d[10] | d[11] << 8;
    return h;
}

struct Timed
{
    OggPacket packet;
    int64_t start = 0; ///< in the source's stream time: 48 kHz samples from its first packet
    int64_t end() const { return packet.end; }
};

} // namespace

Result<OpusSource> parseOpus(SourceFile &source)
{
    OggPacketReader reader(source);
    auto headers = readHeaders(reader, source.path());
    if (!headers)
        return headers.status();
    if (Status s = refuseChained(source, reader.serial()); !s)
        return s;
    return headers.value().opus;
}

QString describeOpus(const OpusSource &opus)
{
    return QStringLiteral("Opus as in the source: %1 Hz, %2")
        .arg(QLocale().toString(48000), opus.channels == 1 ? QStringLiteral("Mono")
                                        : opus.channels == 2
                                            ? QStringLiteral("Stereo")
                                            : QStringLiteral("%1 channels").arg(opus.channels));
}

Status copyOpus(SourceFile &source, const OpusSource &opus, const QString &destPath, int64_t begin,
                int64_t end, const JobCallbacks &callbacks)
{
    const QString &path = source.path();
    if (begin < 0 || end <= begin)
        return Status::cannotCopy(path, QStringLiteral("the selection is empty"));
    OggPacketReader reader(source);
    auto headers = readHeaders(reader, path);
    if (!headers)
        return headers.status();
    // The decoder drops the pre-skip: frame f of the source's decode is stream time
    // f + pre-skip.
    const int64_t from = begin + opus.preSkip;
    const int64_t to = end + opus.preSkip;

    int64_t decoded = 0;
    bool firstGranule = true;
    int64_t sourceEnd = -1; ///< the last granule read: where the source's decode ends
    auto nextPacket = [&]() -> Result<std::optional<Timed>> {
        auto next = reader.next();
        if (!next)
            return next.status();
        if (!next.value())
            return std::optional<Timed>();
        Timed t{std::move(*next.value()), decoded};
        decoded += packetSamples(t.packet.bytes);
        t.packet.end = decoded;
        if (t.packet.granule >= 0) {
            // A stream whose first granule does not count its packets from 0 starts in the
            // middle of something; its positions mean another thing than ours.
            if (firstGranule && !reader.ended() && t.packet.granule != decoded)
                return Status::cannotCopy(
                    path, QStringLiteral("the Opus stream does not start at its first sample"));
            firstGranule = false;
            sourceEnd = t.packet.granule;
        }
        return std::optional<Timed>(std::move(t));
    };

    // The packets from the pre-roll's start to the one holding Begin.
    std::deque<Timed> lead;
    for (;;) {
        auto next = nextPacket();
        if (!next)
            return next.status();
        if (!next.value())
            return Status::cannotCopy(path,
                                      QStringLiteral("the selection lies past the Opus audio"));
        lead.push_back(std::move(*next.value()));
        while (lead.size() >= 2 && lead[1].start <= from - kPreRoll)
            lead.pop_front();
        if (lead.back().end() > from)
            break;
    }
    // FFmpeg takes the end trimming's packet for a new start: the skip still pending from
    // the pre-skip is forgotten there, so the two must not meet in one packet.
    if (lead.back().end() >= to && lead.back().start < from)
        return Status::cannotCopy(path,
                                  QStringLiteral("the selection lies within one Opus packet"));
    const int64_t origin = lead.front().start; ///< the copy's stream time 0
    const int64_t preSkip = from - origin;

    auto created = DestinationFile::create(destPath);
    if (!created)
        return created.status();
    DestinationFile &out = *created.value();
    OggPageWriter pages(out, reader.serial());
    QByteArray head = headers.value().head;
    head[10] = char(preSkip & 0xFF);
    head[11] = char(preSkip >> 8);
    if (Status s = pages.add(head, 0, true, false); !s)
        return s;
    if (Status s = pages.flush(); !s)
        return s;
    if (Status s = pages.add(headers.value().tags, 0, false, false); !s)
        return s;
    if (Status s = pages.flush(); !s)
        return s;

    CopyPacer pacer(callbacks, int64_t(double(source.size()) * double(to - from) /
                                       std::max<double>(1, double(to))));
    // Held back so the last one written can end the stream. A flag beside a value rather than
    // an optional: GCC 12 takes the optional's payload for uninitialised when inlined here.
    Timed pending;
    bool holding = false;
    bool firstAudio = true;
    int64_t sinceLook = 0;
    bool cancelled = false;
    auto write = [&](Timed &t, bool last) -> Status {
        const int64_t granule = last ? std::min(t.end(), to) - origin : t.end() - origin;
        if (Status s = pages.add(t.packet.bytes, granule, false, last); !s)
            return s;
        // A first audio page of its own: FFmpeg takes the start's time from it unless it
        // also ends the stream.
        if (firstAudio && !last) {
            firstAudio = false;
            return pages.flush();
        }
        return Status::success();
    };
    for (;;) {
        std::optional<Timed> packet;
        if (!lead.empty()) {
            packet = std::move(lead.front());
            lead.pop_front();
        } else {
            auto next = nextPacket();
            if (!next)
                return next.status();
            packet = std::move(next.value());
        }
        if (!packet)
            break;
        if (holding)
            if (Status s = write(pending, false); !s)
                return s;
        holding = false;
        if (packet->end() >= to) {
            if (Status s = write(*packet, true); !s)
                return s;
            break;
        }
        sinceLook += packet->packet.bytes.size();
        pending = std::move(*packet);
        holding = true;
        if (lead.empty() && sinceLook >= kCopyStep) {
            const int64_t step = sinceLook;
            sinceLook = 0;
            if (!pacer.advance(step)) {
                cancelled = true;
                break;
            }
        }
    }
    if (holding) {
        // Cancelled, or the source ended first: the stream ends with what was copied, no
        // further than the source's own end.
        if (!cancelled && sourceEnd >= 0)
            pending.packet.end = std::max(std::min(pending.end(), sourceEnd), from + 1);
        if (Status s = write(pending, true); !s)
            return s;
    }
    if (Status s = pages.finish(); !s)
        return s;
    return finishCopy(out, QByteArray(), pacer);
}

} // namespace engine
