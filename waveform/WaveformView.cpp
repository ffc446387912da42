#include "WaveformView.h"

#include <algorithm>

namespace waveform {

double xOfFrame(double frame, const View &view, const slider::Geometry &geometry)
{
    if (view.span() <= 0)
        return geometry.halfThumb;
    return (frame - view.begin) / view.span() * geometry.trackWidth + geometry.halfThumb;
}

double frameAtX(double x, const View &view, const slider::Geometry &geometry)
{
    if (geometry.trackWidth <= 0)
        return view.begin;
    const double fraction = std::clamp((x - geometry.halfThumb) / geometry.trackWidth, 0.0, 1.0);
    return view.begin + fraction * view.span();
}

namespace {

View keptInside(View view, int64_t length)
{
    const double span = std::min(view.span(), double(length));
    view.begin = std::clamp(view.begin, 0.0, double(length) - span);
    view.end = view.begin + span;
    return view;
}

} // namespace

View zoomedAt(const View &view, double x, double factor, double minSpan, int64_t length,
              const slider::Geometry &geometry)
{
    if (length <= 0 || geometry.trackWidth <= 0)
        return view;
    const double fraction = std::clamp((x - geometry.halfThumb) / geometry.trackWidth, 0.0, 1.0);
    const double kept = view.begin + fraction * view.span();
    const double span =
        std::clamp(view.span() * factor, std::min(minSpan, double(length)), double(length));
    return keptInside(View{kept - fraction * span, kept - fraction * span + span}, length);
}

View scrolledBy(const View &view, double frames, int64_t length)
{
    return keptInside(View{view.begin + frames, view.end + frames}, length);
}

} // namespace waveform
