#include "engine/lossless/OggPackets.h"

#include "engine/write/DestinationFile.h"

#include <algorithm>
#include <cstring>

namespace engine {

OggPacketReader::OggPacketReader(SourceFile &source) : m_source(source)
{
    m_sync.reset(new ogg_sync_state);
    ogg_sync_init(m_sync.get());
}

Status OggPacketReader::refuse(const QString &reason) const
{
    return Status::cannotCopy(m_source.path(), reason);
}

Result<std::optional<OggPacket>> OggPacketReader::next()
{
    for (;;) {
        if (m_stream) {
            ogg_packet op;
            const int got = ogg_stream_packetout(m_stream.get(), &op);
            if (got > 0)
                return std::optional<OggPacket>(OggPacket{
                    QByteArray(reinterpret_cast<const char *>(op.packet), qsizetype(op.bytes)),
                    op.granulepos, 0, m_pages - 1});
            if (got < 0)
                return refuse(QStringLiteral("the Ogg stream is damaged"));
            if (m_ended)
                return std::optional<OggPacket>();
        }
        ogg_page page;
        const int paged = ogg_sync_pageout(m_sync.get(), &page);
        if (paged < 0)
            continue; // bytes skipped to the next page, as libvorbisfile does
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
        const int serial = ogg_page_serialno(&page);
        if (!m_stream) {
            m_serial = serial;
            m_stream.reset(new ogg_stream_state);
            ogg_stream_init(m_stream.get(), serial);
        } else if (serial != m_serial) {
            // After our stream's end a new one is a chain; before it, a second stream.
            if (m_ended)
                return std::optional<OggPacket>();
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

OggPageWriter::OggPageWriter(DestinationFile &out, int serial) : m_out(out)
{
    m_stream.reset(new ogg_stream_state);
    ogg_stream_init(m_stream.get(), serial);
}

Status OggPageWriter::add(QByteArray &bytes, int64_t granule, bool first, bool last)
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

Status OggPageWriter::pages(int (*take)(ogg_stream_state *, ogg_page *))
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

Result<std::optional<int>> lastOggPageSerial(SourceFile &source)
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

} // namespace engine
