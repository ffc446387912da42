#pragma once

#include <cstdint>
#include <vector>

struct AVFormatContext;

namespace engine {

/// Where every MP3 frame starts, in the file and on the decoder's raw timeline (before the
/// encoder delay is trimmed). Built by one demux-only pass: it gives the exact length of VBR
/// files without a Xing header and byte seeks that cost well under a millisecond.
class Mp3Index
{
public:
    struct Entry
    {
        int64_t bytePosition;
        int64_t rawStart;
    };

    /// Reads every packet of `stream` from the current position to the end. Frames at another
    /// sample rate than `rate` (files joined end to end) are left out: they cannot be played
    /// on this file's timeline.
    int scan(AVFormatContext *format, int stream, int rate);

    const std::vector<Entry> &entries() const { return m_entries; }
    /// Decoded frames the decoder's skip data trims at the start and at the end.
    int64_t startSkip() const { return m_startSkip; }
    int64_t endSkip() const { return m_endSkip; }
    int64_t rawLength() const { return m_rawLength; }
    int64_t length() const { return m_rawLength - m_startSkip - m_endSkip; }

    /// The packet that holds raw frame `raw`.
    int64_t packetAt(int64_t raw) const;
    /// The packet that starts at `bytePosition`, or -1.
    int64_t packetStartingAt(int64_t bytePosition) const;

    /// The sample rate an MPEG audio frame header gives, or 0 if `data` holds no header.
    static int frameRate(const uint8_t *data, int size);

private:
    std::vector<Entry> m_entries;
    int64_t m_startSkip = 0;
    int64_t m_endSkip = 0;
    int64_t m_rawLength = 0;
};

} // namespace engine
