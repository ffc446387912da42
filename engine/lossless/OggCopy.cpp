#include "engine/lossless/OggCopy.h"

#include "engine/write/DestinationFile.h"

#include <QByteArray>
#include <QLocale>

#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace engine {

namespace {

struct SyncDeleter
{
    void operator()(ogg_sync_state *s) const
    {
        ogg_sync_clear(s);
        delete s;
    }
};
struct StreamDeleter
{
    void operator()(ogg_stream_state *s) const
    {
        ogg_stream_clear(s);
        delete s;
    }
};
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
using SyncPtr = std::unique_ptr<ogg_sync_state, SyncDeleter>;
using StreamPtr = std::unique_ptr<ogg_stream_state, StreamDeleter>;

/// A packet kept beyond the libogg call that returned it.
struct Packet
{
    QByteArray bytes;
    int64_t granule = -1; ///< the source page's granule, on the last packet of a page
    int64_t end = 0;      ///< samples decoded from the source's start through this packet
    int64_t page = 0;     ///< the page it ends on, counted from 0
};

/// The packets of the file's one logical stream, in order.
class PacketReader
{
public:
    explicit PacketReader(SourceFile &source) : m_source(source)
    {
        m_sync.reset(new ogg_sync_state);
        ogg_sync_init(m_sync.get());
    }

    /// The next packet; nothing at the end of the stream (or of the file).
    Result<std::optional<Packet>> next()
    {
        for (;;) {
            if (m_stream) {
                ogg_packet op;
                const int got = ogg_stream_packetout(m_stream.get(), &op);
                if (got > 0)
                    return std::optional<Packet>(Packet{
                        QByteArray(reinterpret_cast<const char *>(op.packet), qsizetype(op.bytes)),
                        op.granulepos, 0, m_pages - 1});
                if (got < 0)
                    return refuse(QStringLiteral("the Ogg stream is damaged"));
                if (m_ended)
                    return std::optional<Packet>();
            }
            ogg_page page;
            const int paged = ogg_sync_pageout(m_sync.get(), &page);
            if (paged < 0)
                continue; // bytes skipped to the next page, as libvorbisfile does
            if (paged == 0) {
                if (m_fed >= m_source.size())
                    return std::optional<Packet>();
                const int64_t step = std::min<int64_t>(m_source.size() - m_fed, 1 << 16);
                char *buffer = ogg_sync_buffer(m_sync.get(), long(step));
                if (Status s = m_source.read(m_fed, buffer, step); !s)
                    return s;
                ogg_sync_wrote(m_sync.get(), long(step));
                m_fed += step;
                continue;
            }
            const int serial = ogg_page_serialno(&page);
            if (!m_stream) {
                m_serial = serial;
                m_stream.reset(new ogg_stream_state);
                ogg_stream_init(m_stream.get(), serial);
            } else if (serial != m_serial) {
                // After our stream's end a new one is a chain; before it, a second stream.
                if (m_ended)
                    return std::optional<Packet>();
                return refuse(QStringLiteral("the Ogg file holds more than one stream"));
            }
            if (ogg_stream_pagein(m_stream.get(), &page) != 0)
                return refuse(QStringLiteral("the Ogg stream is damaged"));
            m_continued.push_back(ogg_page_continued(&page) != 0);
            ++m_pages;
            if (ogg_page_eos(&page))
                m_ended = true;
        }
    }

    int serial() const { return m_serial; }
    /// Whether page `page` (counted from 0) goes on with a packet begun on an earlier page.
    bool continued(int64_t page) const
    {
        return page >= 0 && page < int64_t(m_continued.size()) && m_continued[size_t(page)];
    }

private:
    Status refuse(const QString &reason) const
    {
        return Status::cannotCopy(m_source.path(), reason);
    }

    SourceFile &m_source;
    SyncPtr m_sync;
    StreamPtr m_stream;
    int m_serial = 0;
    int64_t m_pages = 0;
    std::vector<bool> m_continued;
    int64_t m_fed = 0;
    bool m_ended = false;
};

/// The three Vorbis headers, read into `info`.
struct Headers
{
    std::unique_ptr<vorbis_info, InfoDeleter> info;
    std::unique_ptr<vorbis_comment, CommentDeleter> comment;
    QByteArray packets[3];
    int64_t lastPage = 0; ///< the page the setup header ends on
};

Result<Headers> readHeaders(PacketReader &reader, const QString &path)
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

/// The serial number of the last page in the file: another than the first one's means a
/// chained file, whose parts the reader leaves out.
Result<std::optional<int>> lastPageSerial(SourceFile &source)
{
    const int64_t from = std::max<int64_t>(0, source.size() - (1 << 16));
    const auto tail = source.view(from, source.size() - from);
    if (!tail)
        return tail.status();
    const uint8_t *d = tail.value();
    for (int64_t at = source.size() - from - 27; at >= 0; --at)
        if (std::memcmp(d + at, "OggS", 4) == 0)
            return std::optional<int>(int(readLittleEndian32(d + at + 14)));
    return std::optional<int>();
}

/// Re-pages packets into the destination.
class PageWriter
{
public:
    PageWriter(DestinationFile &out, int serial) : m_out(out)
    {
        m_stream.reset(new ogg_stream_state);
        ogg_stream_init(m_stream.get(), serial);
    }

    Status add(QByteArray &bytes, int64_t granule, bool first, bool last)
    {
        ogg_packet op{};
        op.packet = reinterpret_cast<unsigned char *>(bytes.data());
        op.bytes = long(bytes.size());
        op.b_o_s = first;
        op.e_o_s = last;
        op.granulepos = granule;
        if (ogg_stream_packetin(m_stream.get(), &op) != 0)
            return Status::failure(
                QStringLiteral("Cannot write '%1': the Ogg page is refused").arg(m_out.path()));
        return last ? flush() : pages(ogg_stream_pageout);
    }
    Status flush() { return pages(ogg_stream_flush); }
    int64_t written() const { return m_written; }

private:
    Status pages(int (*take)(ogg_stream_state *, ogg_page *))
    {
        ogg_page page;
        while (take(m_stream.get(), &page) != 0) {
            if (Status s = m_out.write(page.header, page.header_len); !s)
                return s;
            if (Status s = m_out.write(page.body, page.body_len); !s)
                return s;
            m_written += page.header_len + page.body_len;
        }
        return Status::success();
    }

    DestinationFile &m_out;
    StreamPtr m_stream;
    int64_t m_written = 0;
};

} // namespace

Result<OggSource> parseOgg(SourceFile &source)
{
    const auto head = source.view(0, std::min<int64_t>(4, source.size()));
    if (!head)
        return head.status();
    if (source.size() < 4 || std::memcmp(head.value(), "OggS", 4) != 0)
        return Status::cannotCopy(source.path(), QStringLiteral("not an Ogg file"));
    PacketReader reader(source);
    auto headers = readHeaders(reader, source.path());
    if (!headers)
        return headers.status();
    const auto last = lastPageSerial(source);
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
    PacketReader reader(source);
    auto headers = readHeaders(reader, path);
    if (!headers)
        return headers.status();
    vorbis_info &vi = *headers.value().info;

    // libvorbisfile starts decoding at the first page after the headers: audio packets that
    // share the setup header's page, and one that begins there and ends later, are never
    // decoded, so they are left out of the count and of the copy.
    const int64_t headerPage = headers.value().lastPage;
    bool firstAfterHeaders = true;
    auto decodedBySource = [&](const Packet &p) {
        if (p.page <= headerPage)
            return false;
        const bool begunBefore = firstAfterHeaders && reader.continued(headerPage + 1);
        firstAfterHeaders = false;
        return !begunBefore;
    };
    // The source's own start trimming: the first granule counts fewer samples than its
    // packets decode to. Positions in the reader's frames start after it.
    std::deque<Packet> firstPage;
    int64_t decoded = 0;
    long previousBlock = -1;
    auto measure = [&](Packet &p) {
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
    PageWriter pages(out, reader.serial());
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
    std::optional<Packet> previous;
    std::optional<Packet> pending; ///< held back so the last one written can end the stream
    bool started = false;
    int64_t lastSourceEnd = -1;
    int64_t sinceLook = 0;
    bool cancelled = false;
    for (;;) {
        std::optional<Packet> packet;
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
        if (pending) {
            if (Status s = pages.add(pending->bytes, pending->end - from, false, false); !s)
                return s;
        }
        if (packet->end >= to) {
            if (Status s = pages.add(packet->bytes, to - from, false, true); !s)
                return s;
            pending.reset();
            break;
        }
        sinceLook += packet->bytes.size();
        pending = std::move(packet);
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
    if (pending) {
        // Cancelled, or the source ended first: the stream ends with what was copied, no
        // further than the source's own end.
        int64_t last = pending->end;
        if (!cancelled && lastSourceEnd >= 0)
            last = std::min(last, lastSourceEnd);
        last = std::min(last, to);
        if (Status s = pages.add(pending->bytes, last - from, false, true); !s)
            return s;
    }
    return finishCopy(out, QByteArray(), pacer);
}

} // namespace engine
