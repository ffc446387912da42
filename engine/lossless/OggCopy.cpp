#include "engine/lossless/OggCopy.h"

#include "engine/lossless/OggPackets.h"
#include "engine/write/DestinationFile.h"

#include <QByteArray>
#include <QLocale>

#include <vorbis/codec.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace engine {

namespace {

struct InfoDeleter
{
    void operator()(vorbis_info *v) const
    {
        vorbis_info_clear(v);
        delete v;
    }
};
struct CommentDeleter
{
    void operator()(vorbis_comment *c) const
    {
        vorbis_comment_clear(c);
        delete c;
    }
};

/// The three Vorbis headers, read into `info`.
struct Headers
{
    std::unique_ptr<vorbis_info, InfoDeleter> info;
    std::unique_ptr<vorbis_comment, CommentDeleter> comment;
    QByteArray packets[3];
    int64_t lastPage = 0; ///< the page the setup header ends on
};

Result<Headers> readHeaders(OggPacketReader &reader, const QString &path)
{
    Headers h;
    h.info.reset(new vorbis_info);
    vorbis_info_init(h.info.get());
    h.comment.reset(new vorbis_comment);
    vorbis_comment_init(h.comment.get());
    for (int i = 0; i < 3; ++i) {
        auto packet = reader.next();
        if (!packet)
            return packet.status();
        if (!packet.value())
            return Status::cannotCopy(path, QStringLiteral("not an Ogg Vorbis file"));
        h.packets[i] = packet.value()->bytes;
        h.lastPage = packet.value()->page;
        ogg_packet op{};
        op.packet = reinterpret_cast<unsigned char *>(h.packets[i].data());
        op.bytes = long(h.packets[i].size());
        op.b_o_s = i == 0;
        if (vorbis_synthesis_headerin(h.info.get(), h.comment.get(), &op) != 0)
            return Status::cannotCopy(path, QStringLiteral("not an Ogg Vorbis file"));
    }
    return h;
}

} // namespace

Result<OggSource> parseOgg(SourceFile &source)
{
    const auto head = source.view(0, std::min<int64_t>(4, source.size()));
    if (!head)
        return head.status();
    if (source.size() < 4 || std::memcmp(head.value(), "OggS", 4) != 0)
        return Status::cannotCopy(source.path(), QStringLiteral("not an Ogg file"));
    OggPacketReader reader(source);
    auto headers = readHeaders(reader, source.path());
    if (!headers)
        return headers.status();
    const auto last = lastOggPageSerial(source);
    if (!last)
        return last.status();
    if (last.value().value_or(reader.serial()) != reader.serial())
        return Status::cannotCopy(source.path(), QStringLiteral("a chained Ogg file"));
    const vorbis_info &vi = *headers.value().info;
    return OggSource{int(vi.rate), vi.channels, vi.bitrate_nominal};
}

QString describeOgg(const OggSource &ogg)
{
    QString text = QStringLiteral("OGG as in the source: %1 Hz, %2")
                       .arg(QLocale().toString(ogg.sampleRate),
                            ogg.channels == 1   ? QStringLiteral("Mono")
                            : ogg.channels == 2 ? QStringLiteral("Stereo")
                                                : QStringLiteral("%1 channels").arg(ogg.channels));
    if (ogg.nominalBitrate > 0)
        text += QStringLiteral(", %1 Kbps").arg((ogg.nominalBitrate + 500) / 1000);
    return text;
}

Status copyOgg(SourceFile &source, const QString &destPath, int64_t begin, int64_t end,
               const JobCallbacks &callbacks)
{
    const QString &path = source.path();
    OggPacketReader reader(source);
    auto headers = readHeaders(reader, path);
    if (!headers)
        return headers.status();
    vorbis_info &vi = *headers.value().info;

    // libvorbisfile starts decoding at the first page after the headers: audio packets that
    // share the setup header's page, and one that begins there and ends later, are never
    // decoded, so they are left out of the count and of the copy.
    const int64_t headerPage = headers.value().lastPage;
    bool firstAfterHeaders = true;
    auto decodedBySource = [&](const OggPacket &p) {
        if (p.page <= headerPage)
            return false;
        const bool begunBefore = firstAfterHeaders && reader.continued(headerPage + 1);
        firstAfterHeaders = false;
        return !begunBefore;
    };
    // The source's own start trimming: the first granule counts fewer samples than its
    // packets decode to. Positions in the reader's frames start after it.
    std::deque<OggPacket> firstPage;
    int64_t decoded = 0;
    long previousBlock = -1;
    auto measure = [&](OggPacket &p) {
        ogg_packet op{};
        op.packet = reinterpret_cast<unsigned char *>(p.bytes.data());
        op.bytes = long(p.bytes.size());
        const long block = vorbis_packet_blocksize(&vi, &op);
        if (block > 0) {
            if (previousBlock > 0)
                decoded += previousBlock / 4 + block / 4;
            previousBlock = block;
        }
        p.end = decoded;
    };
    // Samples decoded through a packet less its page's granule position: positive where
    // the source trims its start, negative where its granules start after 0.
    int64_t shift = 0;
    for (;;) {
        auto packet = reader.next();
        if (!packet)
            return packet.status();
        if (!packet.value())
            break;
        if (!decodedBySource(*packet.value()))
            continue;
        firstPage.push_back(std::move(*packet.value()));
        measure(firstPage.back());
        if (firstPage.back().granule >= 0) {
            shift = firstPage.back().end - firstPage.back().granule;
            break;
        }
    }
    if (firstPage.empty())
        return Status::cannotCopy(path, QStringLiteral("the Ogg file holds no audio"));
    // libvorbis trims the start out of what it has not yet handed out: libvorbisfile takes
    // each packet's samples before it decodes the next, so only the output of the packet
    // that carries the first granule loses samples, at its own start. With that packet
    // alone on the page this is the stream's start; behind others it is a gap in the middle.
    int64_t gapAt = 0;
    int64_t gap = 0;
    if (shift > 0) {
        gapAt = firstPage.size() > 1 ? firstPage[firstPage.size() - 2].end : 0;
        gap = std::min(shift, firstPage.back().end - gapAt);
    }
    if (gap > 0 && begin < gapAt && end > gapAt)
        return Status::cannotCopy(
            path, QStringLiteral("the selection spans samples the source's first page drops"));
    const int64_t from = begin < gapAt ? begin : begin + gap;
    const int64_t to = end <= gapAt ? end : end + gap;

    auto created = DestinationFile::create(destPath);
    if (!created)
        return created.status();
    DestinationFile &out = *created.value();
    OggPageWriter pages(out, reader.serial());
    for (int i = 0; i < 3; ++i) {
        if (Status s = pages.add(headers.value().packets[i], 0, i == 0, false); !s)
            return s;
        // The identification header has a page of its own; the others end before the audio.
        if (i != 1)
            if (Status s = pages.flush(); !s)
                return s;
    }

    CopyPacer pacer(callbacks, int64_t(double(source.size()) * double(to - from) /
                                       std::max<double>(1, double(to))));
    std::optional<OggPacket> previous;
    // Held back so the last one written can end the stream. A flag beside a value rather than
    // an optional: GCC 12 takes the optional's payload for uninitialised when inlined here.
    OggPacket pending;
    bool holding = false;
    bool started = false;
    int64_t lastSourceEnd = -1;
    int64_t sinceLook = 0;
    bool cancelled = false;
    for (;;) {
        std::optional<OggPacket> packet;
        if (!firstPage.empty()) {
            packet = std::move(firstPage.front());
            firstPage.pop_front();
        } else {
            auto next = reader.next();
            if (!next)
                return next.status();
            if (next.value()) {
                packet = std::move(next.value());
                measure(*packet);
            }
        }
        if (!packet)
            break;
        if (packet->granule >= 0)
            lastSourceEnd = packet->granule + shift;
        if (!started) {
            if (packet->end <= from) {
                previous = std::move(packet);
                continue;
            }
            // The packet holding Begin; the one before it only primes the decoder's overlap.
            if (packet->end >= to)
                return Status::cannotCopy(
                    path, QStringLiteral("the selection ends within the first Ogg packet"));
            if (previous)
                if (Status s = pages.add(previous->bytes, 0, false, false); !s)
                    return s;
            // A page of its own: on a page that is both first and last, libvorbis would trim
            // the end instead of the start.
            if (Status s = pages.add(packet->bytes, packet->end - from, false, false); !s)
                return s;
            if (Status s = pages.flush(); !s)
                return s;
            started = true;
            continue;
        }
        if (holding) {
            if (Status s = pages.add(pending.bytes, pending.end - from, false, false); !s)
                return s;
        }
        if (packet->end >= to) {
            if (Status s = pages.add(packet->bytes, to - from, false, true); !s)
                return s;
            holding = false;
            break;
        }
        sinceLook += packet->bytes.size();
        pending = std::move(*packet);
        holding = true;
        if (sinceLook >= kCopyStep) {
            const int64_t step = sinceLook;
            sinceLook = 0;
            if (!pacer.advance(step)) {
                cancelled = true;
                break;
            }
        }
    }
    if (!started)
        return Status::cannotCopy(path, QStringLiteral("the selection lies past the Ogg audio"));
    if (holding) {
        // Cancelled, or the source ended first: the stream ends with what was copied, no
        // further than the source's own end.
        int64_t last = pending.end;
        if (!cancelled && lastSourceEnd >= 0)
            last = std::min(last, lastSourceEnd);
        last = std::min(last, to);
        if (Status s = pages.add(pending.bytes, last - from, false, true); !s)
            return s;
    }
    return finishCopy(out, QByteArray(), pacer);
}

} // namespace engine
