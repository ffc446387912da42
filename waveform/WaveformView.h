#pragma once

// Which frames the strip shows, and where a frame goes. The strip lays its frames over the
// slider's value scale (SliderGeometry: from halfThumb to halfThumb + trackWidth, in twips),
// so with the whole file shown a frame stands at the same x as the slider's value for it.

#include "SliderGeometry.h"

#include <cstdint>

namespace waveform {

/// The frames [begin, end) spread over the scale; doubles, so a zoom keeps fractions.
struct View
{
    double begin = 0;
    double end = 0;
    double span() const { return end - begin; }
};

/// x (twips) of a frame.
double xOfFrame(double frame, const View &view, const slider::Geometry &geometry);
/// The frame at x (twips), not rounded; the ends of the scale pin it to the view.
double frameAtX(double x, const View &view, const slider::Geometry &geometry);

/// The view after zooming by `factor` (below 1 in, above 1 out) with the frame at x kept
/// at x, at least `minSpan` frames wide and never beyond [0, length].
View zoomedAt(const View &view, double x, double factor, double minSpan, int64_t length,
              const slider::Geometry &geometry);
/// The view moved by `frames`, kept inside [0, length].
View scrolledBy(const View &view, double frames, int64_t length);

} // namespace waveform
