#pragma once

#include "engine/api/Status.h"
#include "engine/lossless/CopySupport.h"

#include <QByteArray>

#include <ogg/ogg.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace engine {

class DestinationFile;

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

/// The packets of the file's one logical stream, in order. A second stream multiplexed
/// into the first is refused; one chained after it ends the packets.
class OggPacketReader
{
public:
    explicit OggPacketReader(SourceFile &source);

    /// The next packet; nothing at the end of the stream (or of the file).
    Result<std::optional<OggPacket>> next();

    int serial() const { return m_serial; }
    /// Whether page `page` (counted from 0) goes on with a packet begun on an earlier page.
    bool continued(int64_t page) const
    {
        return page >= 0 && page < int64_t(m_continued.size()) && m_continued[size_t(page)];
    }
    /// Whether the page with the end-of-stream flag has been read (its packets may follow).
    bool ended() const { return m_ended; }

private:
    Status refuse(const QString &reason) const;

    SourceFile &m_source;
    OggSyncPtr m_sync;
    OggStreamPtr m_stream;
    int m_serial = 0;
    int64_t m_pages = 0;
    std::vector<bool> m_continued;
    int64_t m_fed = 0;
    bool m_ended = false;
};

/// Re-pages packets into the destination with libogg's page sizes.
class OggPageWriter
{
public:
    OggPageWriter(DestinationFile &out, int serial);

    /// Adds a packet; `last` also ends the stream and writes its final page.
    Status add(QByteArray &bytes, int64_t granule, bool first, bool last);
    /// Ends the page under way, so that the next packet starts a page of its own.
    Status flush() { return pages(ogg_stream_flush); }
    int64_t written() const { return m_written; }

private:
    Status pages(int (*take)(ogg_stream_state *, ogg_page *));

    DestinationFile &m_out;
    OggStreamPtr m_stream;
    int64_t m_written = 0;
};

/// The serial number of the last page in the file: another than the first one's means a
/// chained file, whose parts the reader leaves out.
Result<std::optional<int>> lastOggPageSerial(SourceFile &source);

} // namespace engine
