#pragma once

// Where the slider's parts go, in twips (1/1440 inch) inside the control, and how a pointer
// position or a key turns into a value. Plain functions over plain values: the widget feeds
// them its width and its model, the painting and the input handlers use the answers.

#include <QRect>
#include <QRectF>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace slider {

// Sizes of the control and of its bitmaps, in twips.
inline constexpr int32_t kHeight = 510;
inline constexpr int32_t kThumbWidth = 165;
inline constexpr int32_t kThumbHeight = 390;
inline constexpr int32_t kTrackPictureWidth = 6450;
inline constexpr int32_t kTrackPictureHeight = 450;
inline constexpr int32_t kTrackEndWidth = 100;
inline constexpr int32_t kMarkWidth = 45;
inline constexpr int32_t kMarkHeight = 75;
inline constexpr int32_t kBandTop = 75;
inline constexpr int32_t kBandHeight = 225;
inline constexpr int32_t kTickLength = 100;
/// The bitmaps are drawn for 96 dpi: one 1x bitmap pixel is 15 twips.
inline constexpr double kBitmapTwipsPerPixel = 15.0;

/// Nearest integer, halves to the even neighbour (2.5 gives 2, 3.5 gives 4); saturates at the
/// ends of the 32-bit range and gives 0 for NaN.
int32_t roundHalfEven(double value);

/// Twips per device-independent pixel on a screen of this logical dpi (15 at 96 dpi).
double twipsPerPixel(double logicalDpi);
/// The pixels a twips rectangle covers: each edge goes to the nearest pixel boundary, so
/// neighbouring rectangles stay neighbours and a rectangle keeps its width when it moves.
QRect twipsToPixels(const QRectF &twips, double twipsPerPixel);
/// The column of the pixel that holds the vertical line at x.
int lineColumn(double xTwips, double twipsPerPixel);
/// The pixels of a bitmap at `scale` (1 or 2) that a rectangle of its twips covers.
QRect bitmapPixels(const QRectF &twips, int scale);

/// What the resize fixes: the scale runs from x = halfThumb (value 0) to x = halfThumb +
/// trackWidth (value Max).
struct Geometry
{
    int32_t halfThumb = 0;
    int32_t trackWidth = 0;
};
Geometry geometryForWidth(double widthTwips);

/// x of a value on the scale; none when Max is 0.
std::optional<double> xOfValue(double value, int32_t max, const Geometry &geometry);

/// Left edge of the thumb image for Value; none when it cannot be placed (Max 0 with Value
/// strictly between Min and Max), and the paint then keeps the last position.
std::optional<int32_t> thumbLeftFor(int32_t value, int32_t min, int32_t max,
                                    const Geometry &geometry);
QRectF thumbRect(int32_t thumbLeft);

/// The track picture is drawn in three slices: its middle stretched over the whole width,
/// then its two ends unscaled. Sources are in the picture's own twips.
struct Slice
{
    QRectF source;
    QRectF target;
};
std::array<Slice, 3> trackSlices(double widthTwips);

/// x of every tick that falls inside the control: one at halfThumb, then TickNumber more at
/// whole spacings. Ticks outside the control are left out, which also bounds the work for an
/// absurd TickNumber.
std::vector<int32_t> tickXs(int32_t tickNumber, const Geometry &geometry, double widthTwips);
/// The tick line at x, from H − 100 down to H.
QRectF tickLine(int32_t x, double heightTwips);

/// The start mark ends where the selection starts; drawn only while Min ≤ SelStart < Max.
std::optional<QRectF> startMarkRect(int32_t selStart, int32_t min, int32_t max,
                                    const Geometry &geometry, double heightTwips);
/// The end mark starts where the selection ends; drawn only when the selection ends at or
/// before Max.
std::optional<QRectF> endMarkRect(int32_t selStart, int32_t selLength, int32_t max,
                                  const Geometry &geometry, double heightTwips);
/// The band between the marks, under the same condition as the end mark.
std::optional<QRectF> bandRect(int32_t selStart, int32_t selLength, int32_t max,
                               const Geometry &geometry);

/// The value a drag to x gives (already pinned to Min or Max at the ends).
int32_t valueForDrag(double x, int32_t min, int32_t max, const Geometry &geometry);
/// The value a click released at lastClickX gives: 0 at or left of Min (the Value setter then
/// raises it to a positive Min), Max at or right of Max.
int32_t valueForClick(int32_t lastClickX, int32_t min, int32_t max, const Geometry &geometry);

/// Key codes the slider steps with (the platform-neutral codes its events carry).
enum KeyCode : int16_t
{
    KeyPageUp = 33,
    KeyPageDown = 34,
    KeyEnd = 35,
    KeyHome = 36,
    KeyLeft = 37,
    KeyUp = 38,
    KeyRight = 39,
    KeyDown = 40,
};
/// The value after a key; none for keys that do not step. The sums are exact, so a step near
/// the ends of the 32-bit range pins to Min or Max instead of wrapping.
std::optional<int32_t> valueAfterKey(int16_t keyCode, int32_t value, int32_t min, int32_t max,
                                     int32_t smallChange, int32_t largeChange);

} // namespace slider
