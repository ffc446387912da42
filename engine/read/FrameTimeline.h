#pragma once

#include "engine/api/Status.h"
#include "engine/read/FramePlacement.h"

#include <cstdint>
#include <memory>
#include <optional>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace engine {

/// What the reader lends a timeline: its demuxer and decoder, for learning the timeline at
/// open and for moving to another position.
class TimelineHost
{
public:
    /// Decodes the next frame into decoded(); false at the end of the stream.
    virtual Result<bool> decodeNext() = 0;
    virtual const AVFrame &decoded() const = 0;
    /// A fresh demuxer and decoder at the start of the file, as a sequential read begins.
    virtual Status reopen() = 0;
    virtual AVFormatContext &input() = 0;
    virtual int streamIndex() const = 0;
    /// The failure of reading the file, if reading it failed (a demuxer reports that as the
    /// end of the file).
    virtual Status readFailure() const = 0;
    /// `code` from FFmpeg as a failure to `what` ("Cannot seek in") the file.
    virtual Status failure(const QString &what, int code) const = 0;

protected:
    ~TimelineHost() = default;
};

/// How the frames decoded after a reposition find their place on the timeline.
enum class Landing
{
    /// Decoding started anew at the file's start, or at a packet whose frames before it are
    /// known (FrameTimeline::countStart): frames are counted, as a sequential read counts them.
    Counted,
    /// Frames carry their place (FrameTimeline::position). The packet the demuxer landed in
    /// is pre-roll only, and a first frame beyond the wanted one means the seek landed late.
    Placed,
    /// Frames are placed by an index of every packet: exact from the first one, and a frame
    /// that does not decode is silence in its place.
    Indexed,
};

/// One way of putting decoded frames on the sequential timeline, chosen per container and
/// codec by FramePlacement.
class FrameTimeline
{
public:
    virtual ~FrameTimeline() = default;

    /// Demuxer settings this placement relies on; applied to every demuxer of the file.
    virtual void configureInput(AVFormatContext &) const {}
    /// The decoder this placement relies on for `codec`.
    virtual const AVCodec *decoder(AVCodecID codec) const { return avcodec_find_decoder(codec); }
    /// Decoder settings this placement relies on, before the decoder opens.
    virtual void configureDecoder(AVCodecContext &codec, const AVStream &stream) const;
    /// Learns at open what placing frames needs (an index, a timestamp anchor).
    virtual Status learn(TimelineHost &host) = 0;
    /// The exact length where it is known without decoding the end of the file.
    virtual std::optional<int64_t> knownLength() const { return std::nullopt; }
    /// Where the end of the file probably is, for decoding only its last seconds; 0 decodes
    /// the whole file.
    virtual int64_t lengthEstimate(const AVFormatContext &, const AVStream &) const { return 0; }
    /// The fewest frames to decode before a wanted one after a seek.
    virtual int64_t minimumPreroll() const { return 8192; }
    /// Moves the input so that frames from `frame - preroll` on come next.
    virtual Result<Landing> reposition(TimelineHost &host, int64_t frame, int64_t preroll) = 0;
    /// Sees every packet of the stream before the decoder does; false drops it.
    virtual bool admitPacket(AVPacket &) { return true; }
    /// The packets after the last reposition are not the ones it aimed at: the read has to
    /// start again, earlier.
    virtual bool landingMissed() const { return false; }
    /// Where counted frames start after the last reposition that returned Landing::Counted.
    virtual int64_t countStart() const { return 0; }
    /// A decoded frame's place on the timeline; AV_NOPTS_VALUE where it is not known.
    virtual int64_t position(const AVFrame &) const { return AV_NOPTS_VALUE; }
    /// A seek forward from `from` to `to` is cheaper by reading on from the current position.
    virtual bool readsForward(int64_t /*from*/, int64_t /*to*/) const { return false; }
};

/// A decoded frame's timestamp, or the decoder's best guess where it has none.
int64_t framePts(const AVFrame &frame);

/// The timeline for `placement` of `stream`, a stream of `format`.
std::unique_ptr<FrameTimeline>
makeFrameTimeline(FramePlacement placement, const AVFormatContext &format, const AVStream &stream);

} // namespace engine
