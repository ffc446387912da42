#include "SliderGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace slider {

namespace {

constexpr double kTwipsPerInch = 1440.0;
// Coordinates far outside any screen are pinned here before they become ints.
constexpr double kPixelLimit = 1.0e6;

int pixelEdge(double twips, double perPixel)
{
    return int(std::floor(std::clamp(twips / perPixel, -kPixelLimit, kPixelLimit) + 0.5));
}

int32_t saturated(int64_t value)
{
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// The common ending of a drag and a click: pinned at the ends, rounded in between.
int32_t pinnedOrRounded(double v, int32_t atOrBelowMin, int32_t min, int32_t max)
{
    if (v <= min)
        return atOrBelowMin;
    if (v >= max)
        return max;
    return roundHalfEven(v);
}

} // namespace

int32_t roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    // nearbyint rounds halves to even in the default rounding mode.
    const double rounded = std::nearbyint(value);
    if (rounded <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (rounded >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return int32_t(rounded);
}

double twipsPerPixel(double logicalDpi)
{
    return logicalDpi > 0 ? kTwipsPerInch / logicalDpi : kBitmapTwipsPerPixel;
}

QRect twipsToPixels(const QRectF &twips, double perPixel)
{
    const int left = pixelEdge(twips.left(), perPixel);
    const int top = pixelEdge(twips.top(), perPixel);
    const int right = pixelEdge(twips.left() + twips.width(), perPixel);
    const int bottom = pixelEdge(twips.top() + twips.height(), perPixel);
    return QRect(left, top, right - left, bottom - top);
}

int lineColumn(double xTwips, double perPixel)
{
    return int(std::floor(std::clamp(xTwips / perPixel, -kPixelLimit, kPixelLimit)));
}

QRect bitmapPixels(const QRectF &twips, int scale)
{
    // Rounded on the 1x grid first, so that both densities cut the same columns.
    const QRect oneX = twipsToPixels(twips, kBitmapTwipsPerPixel);
    return QRect(oneX.x() * scale, oneX.y() * scale, oneX.width() * scale, oneX.height() * scale);
}

Geometry geometryForWidth(double widthTwips)
{
    return Geometry{roundHalfEven(kThumbWidth / 2.0), roundHalfEven(widthTwips - kThumbWidth)};
}

std::optional<double> xOfValue(double value, int32_t max, const Geometry &geometry)
{
    if (max == 0)
        return std::nullopt;
    return value / max * geometry.trackWidth + geometry.halfThumb;
}

std::optional<int32_t> thumbLeftFor(int32_t value, int32_t min, int32_t max,
                                    const Geometry &geometry)
{
    if (value <= min)
        return 0;
    if (value >= max)
        return geometry.trackWidth;
    if (max == 0)
        return std::nullopt;
    return roundHalfEven(double(value) / max * geometry.trackWidth);
}

QRectF thumbRect(int32_t thumbLeft)
{
    return QRectF(thumbLeft, 0, kThumbWidth, kThumbHeight);
}

std::array<Slice, 3> trackSlices(double widthTwips)
{
    const double height = kTrackPictureHeight;
    const double end = kTrackEndWidth;
    const double picture = kTrackPictureWidth;
    return {Slice{QRectF(end, 0, end, height), QRectF(0, 0, widthTwips, height)},
            Slice{QRectF(0, 0, end, height), QRectF(0, 0, end, height)},
            Slice{QRectF(picture - end, 0, end, height), QRectF(widthTwips - end, 0, end, height)}};
}

std::vector<int32_t> tickXs(int32_t tickNumber, const Geometry &geometry, double widthTwips)
{
    std::vector<int32_t> xs{geometry.halfThumb};
    if (tickNumber <= 0)
        return xs;
    const int32_t spacing = roundHalfEven(double(geometry.trackWidth) / tickNumber);
    if (spacing == 0)
        return xs; // every further tick would stand on the first
    for (int64_t i = 1; i <= tickNumber; ++i) {
        const int64_t x = geometry.halfThumb + i * spacing;
        if (x < 0 || x > widthTwips)
            break; // the ticks only move further out from here
        xs.push_back(int32_t(x));
    }
    return xs;
}

QRectF tickLine(int32_t x, double heightTwips)
{
    return QRectF(x, heightTwips - kTickLength, 0, kTickLength);
}

std::optional<QRectF> startMarkRect(int32_t selStart, int32_t min, int32_t max,
                                    const Geometry &geometry, double heightTwips)
{
    if (selStart < min || selStart >= max)
        return std::nullopt;
    const std::optional<double> x = xOfValue(selStart, max, geometry);
    if (!x)
        return std::nullopt;
    return QRectF(*x - kMarkWidth, heightTwips - kMarkHeight, kMarkWidth, kMarkHeight);
}

namespace {

bool selectionEndsInRange(int32_t selStart, int32_t selLength, int32_t max)
{
    return int64_t(selLength) <= int64_t(max) - selStart;
}

} // namespace

std::optional<QRectF> endMarkRect(int32_t selStart, int32_t selLength, int32_t max,
                                  const Geometry &geometry, double heightTwips)
{
    if (!selectionEndsInRange(selStart, selLength, max))
        return std::nullopt;
    const std::optional<double> x = xOfValue(double(int64_t(selStart) + selLength), max, geometry);
    if (!x)
        return std::nullopt;
    return QRectF(*x, heightTwips - kMarkHeight, kMarkWidth, kMarkHeight);
}

std::optional<QRectF> bandRect(int32_t selStart, int32_t selLength, int32_t max,
                               const Geometry &geometry)
{
    if (!selectionEndsInRange(selStart, selLength, max))
        return std::nullopt;
    const std::optional<double> x = xOfValue(selStart, max, geometry);
    if (!x)
        return std::nullopt;
    const double width = double(selLength) / max * geometry.trackWidth;
    return QRectF(*x, kBandTop, width, kBandHeight);
}

int32_t valueForDrag(double x, int32_t min, int32_t max, const Geometry &geometry)
{
    // A control no wider than the thumb has no scale; the value then counts as 0.
    double v = 0;
    if (geometry.trackWidth != 0)
        v = (x - geometry.halfThumb) * (double(max) / geometry.trackWidth);
    return pinnedOrRounded(v, min, min, max);
}

int32_t valueForClick(int32_t lastClickX, int32_t min, int32_t max, const Geometry &geometry)
{
    double v = 0;
    if (geometry.trackWidth != 0)
        v = (double(max) / geometry.trackWidth) * double(int64_t(lastClickX) - geometry.halfThumb);
    return pinnedOrRounded(v, 0, min, max);
}

std::optional<int32_t> valueAfterKey(int16_t keyCode, int32_t value, int32_t min, int32_t max,
                                     int32_t smallChange, int32_t largeChange)
{
    const auto down = [&](int32_t step) {
        const int64_t next = int64_t(value) - step;
        return next <= min ? min : saturated(next);
    };
    const auto up = [&](int32_t step) {
        const int64_t next = int64_t(value) + step;
        return next >= max ? max : saturated(next);
    };
    switch (keyCode) {
    case KeyPageUp:
        return down(largeChange);
    case KeyPageDown:
        return up(largeChange);
    case KeyLeft:
        return down(smallChange);
    case KeyRight:
        return up(smallChange);
    default:
        return std::nullopt;
    }
}

} // namespace slider
