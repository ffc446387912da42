#pragma once

// What the copies of Ogg streams share, whatever codec they hold: packets read from any page
// of the source with libogg, and re-paged into the destination.
#include "engine/api/Status.h"
#include "engine/lossless/CopySupport.h"
#include "engine/write/DestinationFile.h"

#include <QByteArray>

#include <ogg/ogg.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace engine {

struct OggSyncDeleter
{
    void operator()(ogg_sync_state *s) const
    {
        ogg_sync_clear(s);
        delete s;
    }
};
struct OggStreamDeleter
{
    void operator()(ogg_stream_state *s) const
    {
        ogg_stream_clear(s);
        delete s;
    }
};
using OggSyncPtr = std::unique_ptr<ogg_sync_state, OggSyncDeleter>;
using OggStreamPtr = std::unique_ptr<ogg_stream_state, OggStreamDeleter>;

/// A packet kept beyond the libogg call that returned it.
struct OggPacket
{
    QByteArray bytes;
    int64_t granule = -1; ///< the source page's granule, on the last packet of a page
    int64_t end = 0;      ///< samples decoded from the source's start through this packet
    int64_t page = 0;     ///< the page it ends on, counted from 0
};

/// Where a page starts, and which packet libogg hands out first when it starts reading there.
struct OggPageMark
{
    int64_t offset = 0;
    /// Packets (the headers included) that end on earlier pages.
    int64_t endedBefore = 0;
    /// The page goes on with a packet begun on an earlier page, whose rest libogg skips when
    /// it starts here.
    bool continued = false;

    int64_t firstPacket() const { return endedBefore + (continued ? 1 : 0); }
};

/// The packets of the file's one logical stream, in order, from its start or from any page.
class OggPacketReader
{
public:
    /// Reads from the page at `mark`, page number `page`; `marks`, when given, learns every
    /// page read.
    OggPacketReader(SourceFile &source, const OggPageMark &mark = {}, int64_t page = 0,
                    std::vector<OggPageMark> *marks = nullptr)
        : m_source(source), m_marks(marks), m_pages(page), m_taken(mark.firstPacket()),
          m_fed(mark.offset), m_offset(mark.offset)
    {
        m_sync.reset(new ogg_sync_state);
        ogg_sync_init(m_sync.get());
    }

    /// The next packet; nothing at the end of the stream (or of the file).
    Result<std::optional<OggPacket>> next()
    {
        for (;;) {
            if (m_stream) {
                ogg_packet op;
                const int got = ogg_stream_packetout(m_stream.get(), &op);
                if (got > 0) {
                    ++m_taken;
                    return std::optional<OggPacket>(OggPacket{
                        QByteArray(reinterpret_cast<const char *>(op.packet), qsizetype(op.bytes)),
                        op.granulepos, 0, m_pages - 1});
                }
                if (got < 0)
                    return refuse(QStringLiteral("the Ogg stream is damaged"));
                if (m_ended)
                    return std::optional<OggPacket>();
            }
            ogg_page page;
            // Counted, unlike ogg_sync_pageout, so that every page's place is known.
            const long paged = ogg_sync_pageseek(m_sync.get(), &page);
            if (paged < 0) {
                m_offset -= paged; // bytes skipped to the next page, as libvorbisfile does
                continue;
            }
            if (paged == 0) {
                if (m_fed >= m_source.size())
                    return std::optional<OggPacket>();
                const int64_t step = std::min<int64_t>(m_source.size() - m_fed, 1 << 16);
                char *buffer = ogg_sync_buffer(m_sync.get(), long(step));
                if (Status s = m_source.read(m_fed, buffer, step); !s)
                    return s;
                ogg_sync_wrote(m_sync.get(), long(step));
                m_fed += step;
                continue;
            }
            const int64_t pageOffset = m_offset;
            m_offset += paged;
            const int serial = ogg_page_serialno(&page);
            if (!m_stream) {
                m_serial = serial;
                m_stream.reset(new ogg_stream_state);
                ogg_stream_init(m_stream.get(), serial);
                // Read from a page in the middle: no page is missing before it.
                if (m_pages > 0)
                    ogg_stream_reset(m_stream.get());
            } else if (serial != m_serial) {
                // After our stream's end a new one is a chain; before it, a second stream.
                if (m_ended)
                    return std::optional<OggPacket>();
                return refuse(QStringLiteral("the Ogg file holds more than one stream"));
            }
            if (ogg_stream_pagein(m_stream.get(), &page) != 0)
                return refuse(QStringLiteral("the Ogg stream is damaged"));
            if (m_marks)
                m_marks->push_back({pageOffset, m_taken, ogg_page_continued(&page) != 0});
            ++m_pages;
            if (ogg_page_eos(&page))
                m_ended = true;
        }
    }

    int serial() const { return m_serial; }
    /// Whether the page with the end-of-stream flag has been read (its packets may follow).
    bool ended() const { return m_ended; }

private:
    Status refuse(const QString &reason) const
    {
        return Status::cannotCopy(m_source.path(), reason);
    }

    SourceFile &m_source;
    std::vector<OggPageMark> *m_marks;
    OggSyncPtr m_sync;
    OggStreamPtr m_stream;
    int m_serial = 0;
    int64_t m_pages = 0;
    int64_t m_taken = 0; ///< packets handed out, counted from the stream's first
    int64_t m_fed = 0;
    int64_t m_offset = 0; ///< where the next page starts
    bool m_ended = false;
};

/// The serial number of the last page in the file: another than the first one's means a
/// chained file, whose parts the reader leaves out.
Result<std::optional<int>> lastOggPageSerial(SourceFile &source);
/// Refuses a chained file (its last page of another stream than `serial`): a copy of its
/// first stream would not be what the reader plays.
Status refuseChained(SourceFile &source, int serial);

/// Re-pages packets into the destination, gathered into writes of kCopyStep bytes: a page
/// is a few kilobytes, and two unbuffered writes for each were most of a copy's time.
class OggPageWriter
{
public:
    OggPageWriter(DestinationFile &out, int serial) : m_out(out)
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
    /// Ends the page being filled.
    Status flush() { return pages(ogg_stream_flush); }
    /// Writes what is gathered; the file then holds every page made.
    Status finish()
    {
        const Status written = m_out.write(m_gathered.constData(), m_gathered.size());
        m_gathered.clear();
        return written;
    }

private:
    Status pages(int (*take)(ogg_stream_state *, ogg_page *))
    {
        ogg_page page;
        while (take(m_stream.get(), &page) != 0) {
            m_gathered.append(reinterpret_cast<const char *>(page.header), page.header_len);
            m_gathered.append(reinterpret_cast<const char *>(page.body), page.body_len);
        }
        return m_gathered.size() >= kCopyStep ? finish() : Status::success();
    }

    DestinationFile &m_out;
    OggStreamPtr m_stream;
    QByteArray m_gathered;
};

} // namespace engine
