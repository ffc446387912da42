#include "engine/lossless/OggCopy.h"

#include "engine/lossless/OggPackets.h"
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

/// What the copies of one source share: the headers, the source's own start trimming, and
/// an index of its packets (where each ends, in samples and pages), learnt as far as the
/// copies so far have needed it. Each copy then reads only from the page before its first
/// packet, never again from the file's start.
class OggCopySource : public CopySource
{
public:
    /// Over `source`, which `owned` holds when the copies own it.
    static Result<std::unique_ptr<OggCopySource>> open(SourceFile &source,
                                                       std::unique_ptr<SourceFile> owned = {});

    std::optional<int64_t> length() const override { return std::nullopt; }
    int32_t sampleRate() const override { return int32_t(m_headers.info->rate); }
    QByteArray tagHeader() const override { return m_headers.packets[1]; }
    Status copy(const QString &destPath, int64_t begin, int64_t end, const QByteArray &tags,
                const JobCallbacks &callbacks) override
    {
        return commitWritten(writeCopy(destPath, begin, end, tags, callbacks));
    }
    Result<std::unique_ptr<UnfinishedCopy>> write(const QString &destPath, int64_t begin,
                                                  int64_t end, const QByteArray &tags,
                                                  const JobCallbacks &callbacks) override
    {
        return leaveUnfinished(writeCopy(destPath, begin, end, tags, callbacks));
    }

private:
    OggCopySource(SourceFile &source, std::unique_ptr<SourceFile> owned, Headers headers)
        : m_owned(std::move(owned)), m_source(source), m_headers(std::move(headers)),
          m_scan(m_source, {}, 0, &m_marks)
    {}
    /// The copy written in full, not yet in the destination's place.
    Result<std::unique_ptr<DestinationFile>> writeCopy(const QString &destPath, int64_t begin,
                                                       int64_t end, const QByteArray &tags,
                                                       const JobCallbacks &callbacks);
    Status skipHeaders(OggPacketReader &reader);
    /// Indexes one more packet and hands it out, its end set; nothing at the end of the
    /// stream. A failure stays the answer: what lies behind it is never indexed.
    Result<std::optional<OggPacket>> indexNext();
    /// Whether libvorbisfile, which starts decoding at the first page after the headers,
    /// decodes `p` at all: audio packets that share the setup header's page, and one that
    /// begins there and ends later, are never decoded.
    bool decodedBySource(const OggPacket &p);

    std::unique_ptr<SourceFile> m_owned;
    SourceFile &m_source;
    Headers m_headers;
    std::vector<OggPageMark> m_marks; ///< every page the index has read, by number
    OggPacketReader m_scan;
    /// The number, counted from the stream's first packet, of the first indexed one.
    int64_t m_firstIndexed = 3;
    bool m_firstAfterHeaders = true;
    std::vector<int64_t> m_ends;  ///< samples decoded through each indexed packet
    std::vector<int64_t> m_pages; ///< the page each indexed packet ends on
    std::vector<int32_t> m_sizes; ///< its bytes, to check that a copy reads the same one
    long m_previousBlock = -1;
    int64_t m_decoded = 0;
    int64_t m_lastGranule = -1;
    bool m_granuleSeen = false;
    bool m_scanEnded = false;
    Status m_scanFailure;
    /// Samples decoded through the first packet with a granule position less that position:
    /// positive where the source trims its start, negative where its granules start after 0.
    int64_t m_shift = 0;
    int64_t m_gapAt = 0;
    int64_t m_gap = 0;
};

Status OggCopySource::skipHeaders(OggPacketReader &reader)
{
    for (int i = 0; i < 3; ++i) {
        auto packet = reader.next();
        if (!packet)
            return packet.status();
    }
    return Status::success();
}

bool OggCopySource::decodedBySource(const OggPacket &p)
{
    const int64_t headerPage = m_headers.lastPage;
    if (p.page <= headerPage)
        return false;
    const bool begunBefore = m_firstAfterHeaders && headerPage + 1 < int64_t(m_marks.size()) &&
                             m_marks[size_t(headerPage + 1)].continued;
    m_firstAfterHeaders = false;
    return !begunBefore;
}

Result<std::optional<OggPacket>> OggCopySource::indexNext()
{
    if (m_scanFailure.failed())
        return m_scanFailure;
    if (m_scanEnded)
        return std::optional<OggPacket>();
    for (;;) {
        auto packet = m_scan.next();
        if (!packet) {
            m_scanFailure = packet.status();
            return m_scanFailure;
        }
        if (!packet.value()) {
            m_scanEnded = true;
            return std::optional<OggPacket>();
        }
        OggPacket &p = *packet.value();
        if (!decodedBySource(p)) {
            ++m_firstIndexed;
            continue;
        }
        ogg_packet op{};
        op.packet = reinterpret_cast<unsigned char *>(p.bytes.data());
        op.bytes = long(p.bytes.size());
        const long block = vorbis_packet_blocksize(m_headers.info.get(), &op);
        if (block > 0) {
            if (m_previousBlock > 0)
                m_decoded += m_previousBlock / 4 + block / 4;
            m_previousBlock = block;
        }
        p.end = m_decoded;
        m_ends.push_back(m_decoded);
        m_pages.push_back(p.page);
        m_sizes.push_back(int32_t(p.bytes.size()));
        if (p.granule >= 0) {
            m_lastGranule = p.granule;
            if (!m_granuleSeen) {
                m_granuleSeen = true;
                m_shift = m_decoded - p.granule;
                // libvorbis trims the start out of what it has not yet handed out:
                // libvorbisfile takes each packet's samples before it decodes the next, so
                // only the output of the packet that carries the first granule loses
                // samples, at its own start. With that packet alone on the page this is the
                // stream's start; behind others it is a gap in the middle.
                if (m_shift > 0) {
                    m_gapAt = m_ends.size() > 1 ? m_ends[m_ends.size() - 2] : 0;
                    m_gap = std::min(m_shift, m_decoded - m_gapAt);
                }
            }
        }
        return packet;
    }
}

Result<std::unique_ptr<OggCopySource>> OggCopySource::open(SourceFile &source,
                                                           std::unique_ptr<SourceFile> owned)
{
    const QString path = source.path();
    OggPacketReader reader(source);
    auto headers = readHeaders(reader, path);
    if (!headers)
        return headers.status();
    std::unique_ptr<OggCopySource> copies(
        new OggCopySource(source, std::move(owned), std::move(headers.value())));
    if (Status s = copies->skipHeaders(copies->m_scan); !s)
        return s;
    // The source's start trimming comes with the first granule position.
    while (!copies->m_granuleSeen) {
        const auto more = copies->indexNext();
        if (!more)
            return more.status();
        if (!more.value())
            break;
    }
    if (copies->m_ends.empty())
        return Status::cannotCopy(path, QStringLiteral("the Ogg file holds no audio"));
    return copies;
}

Result<std::unique_ptr<DestinationFile>> OggCopySource::writeCopy(const QString &destPath,
                                                                  int64_t begin, int64_t end,
                                                                  const QByteArray &tags,
                                                                  const JobCallbacks &callbacks)
{
    const QString &path = m_source.path();
    if (m_gap > 0 && begin < m_gapAt && end > m_gapAt)
        return Status::cannotCopy(
            path, QStringLiteral("the selection spans samples the source's first page drops"));
    // Positions in the reader's frames start after the source's own start trimming.
    const int64_t from = begin < m_gapAt ? begin : begin + m_gap;
    const int64_t to = end <= m_gapAt ? end : end + m_gap;

    auto created = DestinationFile::create(destPath);
    if (!created)
        return created;
    DestinationFile &out = *created.value();
    OggPageWriter pages(out, m_scan.serial());
    QByteArray comment = tags.isEmpty() ? m_headers.packets[1] : tags;
    for (int i = 0; i < 3; ++i) {
        if (Status s = pages.add(i == 1 ? comment : m_headers.packets[i], 0, i == 0, false); !s)
            return s;
        // The identification header has a page of its own; the others end before the audio.
        if (i != 1)
            if (Status s = pages.flush(); !s)
                return s;
    }
    // Indexed as far as the packet holding Begin; the rest is indexed as it is copied, so
    // parts in their order read the source once.
    while (m_ends.empty() || m_ends.back() <= from) {
        const auto more = indexNext();
        if (!more)
            return more.status();
        if (!more.value())
            break;
    }
    // The packet holding Begin, and the one before it, which only primes the decoder's
    // overlap.
    const auto holding = std::upper_bound(m_ends.begin(), m_ends.end(), from);
    if (holding == m_ends.end())
        return Status::cannotCopy(path, QStringLiteral("the selection lies past the Ogg audio"));
    const auto beginIndex = int64_t(holding - m_ends.begin());
    if (*holding >= to)
        return Status::cannotCopy(path,
                                  QStringLiteral("the selection ends within the first Ogg packet"));
    const int64_t firstIndex = std::max<int64_t>(beginIndex - 1, 0);
    // Indexed packets are read again from the page where the one before the first ends (the
    // first begins there or on the next page); past the index, the index's own reader goes on.
    std::optional<OggPacketReader> again;
    int64_t number = 0;
    if (firstIndex > 0) {
        const int64_t page = m_pages[size_t(firstIndex - 1)];
        again.emplace(m_source, m_marks[size_t(page)], page);
        number = m_marks[size_t(page)].firstPacket();
    } else {
        again.emplace(m_source);
    }
    int64_t wanted = firstIndex;
    auto nextPacket = [&]() -> Result<std::optional<OggPacket>> {
        if (wanted >= int64_t(m_ends.size())) {
            again.reset();
            ++wanted;
            return indexNext();
        }
        const auto changed = [&path] {
            return Status::failure(
                QStringLiteral("Cannot read '%1': the file changed while it was copied.")
                    .arg(path));
        };
        for (;;) {
            auto next = again->next();
            if (!next)
                return next;
            if (!next.value())
                return changed();
            const int64_t index = number++ - m_firstIndexed;
            if (index < wanted)
                continue;
            OggPacket &packet = *next.value();
            if (m_sizes[size_t(index)] != packet.bytes.size())
                return changed();
            packet.end = m_ends[size_t(index)];
            ++wanted;
            return next;
        }
    };

    CopyPacer pacer(callbacks, int64_t(double(m_source.size()) * double(to - from) /
                                       std::max<double>(1, double(to))));
    // Held back so the last one written can end the stream. A flag beside a value rather than
    // an optional: GCC 12 takes the optional's payload for uninitialised when inlined here.
    OggPacket pending;
    bool heldBack = false;
    bool started = false;
    bool reachedEnd = false;
    int64_t sinceLook = 0;
    bool cancelled = false;
    for (;;) {
        const int64_t index = wanted;
        auto next = nextPacket();
        if (!next)
            return next.status();
        if (!next.value())
            break;
        OggPacket &packet = *next.value();
        if (!started) {
            if (index < beginIndex) {
                if (Status s = pages.add(packet.bytes, 0, false, false); !s)
                    return s;
                continue;
            }
            // A page of its own: on a page that is both first and last, libvorbis would trim
            // the end instead of the start.
            if (Status s = pages.add(packet.bytes, packet.end - from, false, false); !s)
                return s;
            if (Status s = pages.flush(); !s)
                return s;
            started = true;
            continue;
        }
        if (heldBack) {
            if (Status s = pages.add(pending.bytes, pending.end - from, false, false); !s)
                return s;
        }
        if (packet.end >= to) {
            if (Status s = pages.add(packet.bytes, to - from, false, true); !s)
                return s;
            heldBack = false;
            reachedEnd = true;
            break;
        }
        sinceLook += packet.bytes.size();
        pending = std::move(packet);
        heldBack = true;
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
    if (heldBack && !reachedEnd) {
        // Cancelled, or the source ended first: the stream ends with what was copied, no
        // further than the source's own end.
        const int64_t lastSourceEnd = m_lastGranule >= 0 ? m_lastGranule + m_shift : -1;
        int64_t last = pending.end;
        if (!cancelled && lastSourceEnd >= 0)
            last = std::min(last, lastSourceEnd);
        last = std::min(last, to);
        if (Status s = pages.add(pending.bytes, last - from, false, true); !s)
            return s;
    }
    if (Status s = pages.finish(); !s)
        return s;
    if (Status s = completeCopy(out, QByteArray(), pacer); !s)
        return s;
    return created;
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
    if (Status s = refuseChained(source, reader.serial()); !s)
        return s;
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
    auto copies = OggCopySource::open(source);
    if (!copies)
        return copies.status();
    return copies.value()->copy(destPath, begin, end, {}, callbacks);
}

Result<std::unique_ptr<CopySource>> prepareOgg(std::unique_ptr<SourceFile> source)
{
    if (auto ogg = parseOgg(*source); !ogg)
        return ogg.status();
    SourceFile &file = *source;
    auto copies = OggCopySource::open(file, std::move(source));
    if (!copies)
        return copies.status();
    return std::unique_ptr<CopySource>(std::move(copies.value()));
}

} // namespace engine
