// The slider's geometry as plain numbers: resize, ticks, thumb, marks and band, the pointer
// mapping, and the twips-to-pixels conversion.
#include "SliderGeometry.h"

#include <QtTest>

#include <limits>

using namespace slider;

Q_DECLARE_METATYPE(slider::Geometry)

namespace {

constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr double kWidth = 8085; // twips: halfThumb 82, trackWidth 7920
const Geometry kWide{82, 7920};
const Geometry kNarrowTrack{82, 4000};

} // namespace

class SliderGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void resize();
    void ticks_data();
    void ticks();
    void thumbLeft_data();
    void thumbLeft();
    void selection_data();
    void selection();
    void trackSlicesKeepTheEnds();
    void pixels();
    void rounding();
    void pointer_data();
    void pointer();
};

void SliderGeometryTest::resize()
{
    const Geometry geometry = geometryForWidth(kWidth);
    QCOMPARE(geometry.halfThumb, 82);
    QCOMPARE(geometry.trackWidth, 7920);
    // No wider than the thumb: no scale at all.
    QCOMPARE(geometryForWidth(165).trackWidth, 0);
}

void SliderGeometryTest::ticks_data()
{
    QTest::addColumn<int32_t>("tickNumber");
    QTest::addColumn<Geometry>("geometry");
    QTest::addColumn<double>("width");
    QTest::addColumn<QList<int32_t>>("expected");

    QList<int32_t> ten;
    for (int32_t i = 0; i <= 10; ++i)
        ten << 82 + i * 792;
    QTest::newRow("ten") << 10 << kWide << kWidth << ten;
    QTest::newRow("zero: the first only") << 0 << kWide << kWidth << QList<int32_t>{82};
    QTest::newRow("negative: the first only") << -3 << kWide << kWidth << QList<int32_t>{82};
    // 7920 / 7 = 1131.4: the rounded spacing leaves the last tick short of the end.
    QTest::newRow("seven") << 7 << kWide << kWidth
                           << QList<int32_t>{82, 1213, 2344, 3475, 4606, 5737, 6868, 7999};
    QTest::newRow("spacing 12.5 rounds to 12")
        << 2 << Geometry{82, 25} << 200.0 << QList<int32_t>{82, 94, 106};
    // A spacing of 0 stacks every tick on the first; without the stop this would loop for
    // two billion turns.
    QTest::newRow("huge count") << kIntMax << kWide << kWidth << QList<int32_t>{82};
    QTest::newRow("ticks past the control are dropped")
        << 4 << Geometry{82, 7920} << 6000.0 << QList<int32_t>{82, 2062, 4042};
}

void SliderGeometryTest::ticks()
{
    QFETCH(int32_t, tickNumber);
    QFETCH(Geometry, geometry);
    QFETCH(double, width);
    QFETCH(QList<int32_t>, expected);
    const std::vector<int32_t> xs = tickXs(tickNumber, geometry, width);
    QCOMPARE(QList<int32_t>(xs.begin(), xs.end()), expected);
}

void SliderGeometryTest::thumbLeft_data()
{
    QTest::addColumn<int32_t>("value");
    QTest::addColumn<int32_t>("min");
    QTest::addColumn<int32_t>("max");
    QTest::addColumn<Geometry>("geometry");
    QTest::addColumn<int32_t>("expected"); // -1: cannot be placed

    QTest::newRow("at Min") << 0 << 0 << 1000 << kWide << 0;
    QTest::newRow("middle") << 500 << 0 << 1000 << kWide << 3960;
    QTest::newRow("at Max") << 1000 << 0 << 1000 << kWide << 7920;
    QTest::newRow("past Max") << 1200 << 0 << 1000 << kWide << 7920;
    QTest::newRow("below a raised Min") << 150 << 200 << 1000 << kWide << 0;
    QTest::newRow("0.5 rounds to 0") << 1 << 0 << 10 << Geometry{82, 5} << 0;
    QTest::newRow("1.5 rounds to 2") << 3 << 0 << 10 << Geometry{82, 5} << 2;
    QTest::newRow("Max 0, Min 0") << 0 << 0 << 0 << kWide << 0;
    QTest::newRow("Max 0, Value between") << -5 << -10 << 0 << kWide << -1;
}

void SliderGeometryTest::thumbLeft()
{
    QFETCH(int32_t, value);
    QFETCH(int32_t, min);
    QFETCH(int32_t, max);
    QFETCH(Geometry, geometry);
    QFETCH(int32_t, expected);
    QCOMPARE(thumbLeftFor(value, min, max, geometry).value_or(-1), expected);
}

void SliderGeometryTest::selection_data()
{
    QTest::addColumn<int32_t>("selStart");
    QTest::addColumn<int32_t>("selLength");
    QTest::addColumn<int32_t>("min");
    QTest::addColumn<int32_t>("max");
    // Where each part meets the selection; NaN when the part is not drawn.
    QTest::addColumn<double>("startMarkRight");
    QTest::addColumn<double>("endMarkLeft");
    QTest::addColumn<double>("bandLeft");
    QTest::addColumn<double>("bandWidth");
    const double none = qQNaN();

    QTest::newRow("no selection") << 0 << 0 << 0 << 1000 << 82.0 << 82.0 << 82.0 << 0.0;
    QTest::newRow("200 to 500") << 200 << 300 << 0 << 1000 << 1666.0 << 4042.0 << 1666.0 << 2376.0;
    QTest::newRow("SelStart at Max") << 1000 << 0 << 0 << 1000 << none << 8002.0 << 8002.0 << 0.0;
    QTest::newRow("ends past Max") << 900 << 200 << 0 << 1000 << 7210.0 << none << none << none;
    QTest::newRow("starts below Min")
        << 50 << 100 << 100 << 1000 << none << 1270.0 << 478.0 << 792.0;
    QTest::newRow("Max 0") << 0 << 0 << -10 << 0 << none << none << none << none;
    // Max − SelStart does not fit 32 bits; the selection still ends before Max.
    QTest::newRow("far left start") << kIntMin << kIntMax << 0 << 1000 << none << 82 - 7.92
                                    << 82 - 2147483648 * 7.92 << kIntMax * 7.92;
}

void SliderGeometryTest::selection()
{
    QFETCH(int32_t, selStart);
    QFETCH(int32_t, selLength);
    QFETCH(int32_t, min);
    QFETCH(int32_t, max);
    QFETCH(double, startMarkRight);
    QFETCH(double, endMarkLeft);
    QFETCH(double, bandLeft);
    QFETCH(double, bandWidth);
    const double height = kHeight;

    const auto start = startMarkRect(selStart, min, max, kWide, height);
    QCOMPARE(start.has_value(), !qIsNaN(startMarkRight));
    if (start) {
        QCOMPARE(start->right(), startMarkRight);
        QCOMPARE(*start, QRectF(startMarkRight - 45, 435, 45, 75));
    }
    const auto end = endMarkRect(selStart, selLength, max, kWide, height);
    QCOMPARE(end.has_value(), !qIsNaN(endMarkLeft));
    if (end)
        QCOMPARE(*end, QRectF(endMarkLeft, 435, 45, 75));
    const auto band = bandRect(selStart, selLength, max, kWide);
    QCOMPARE(band.has_value(), !qIsNaN(bandLeft));
    if (band)
        QCOMPARE(*band, QRectF(bandLeft, 75, bandWidth, 225));
}

void SliderGeometryTest::trackSlicesKeepTheEnds()
{
    // The picture's columns 0–1 close the left end, 427–429 the right end; 2–426 are equal.
    const auto slices = trackSlices(kWidth);
    const QRect middle = bitmapPixels(slices[0].source, 1);
    QVERIFY(middle.left() >= 2 && middle.right() <= 426);
    QCOMPARE(slices[0].target, QRectF(0, 0, kWidth, 450));
    QCOMPARE(bitmapPixels(slices[1].source, 1).left(), 0);
    QCOMPARE(bitmapPixels(slices[2].source, 1).right(), 429);
    QVERIFY(bitmapPixels(slices[2].source, 1).left() <= 427);
    // Source and target of the unscaled ends have the same number of pixels, at both
    // densities.
    for (int i : {1, 2}) {
        const QRect target = twipsToPixels(slices[i].target, 15);
        QCOMPARE(bitmapPixels(slices[i].source, 1).size(), target.size());
        QCOMPARE(bitmapPixels(slices[i].source, 2).size(), target.size() * 2);
    }
}

void SliderGeometryTest::pixels()
{
    QCOMPARE(twipsPerPixel(96), 15.0);
    QCOMPARE(twipsPerPixel(192), 7.5);
    QCOMPARE(twipsToPixels(QRectF(0, 0, kWidth, kHeight), 15), QRect(0, 0, 539, 34));
    // Neighbours stay neighbours: the band starts where the start mark ends.
    const QRect mark = twipsToPixels(QRectF(1621, 435, 45, 75), 15);
    const QRect band = twipsToPixels(QRectF(1666, 75, 2376, 225), 15);
    QCOMPARE(mark.right() + 1, band.left());
    QCOMPARE(band, QRect(111, 5, 158, 15));
    // A thumb keeps its 11 pixels wherever it stands.
    for (int32_t left : {0, 7, 8, 3960, 7919})
        QCOMPARE(twipsToPixels(thumbRect(left), 15).width(), 11);
    QCOMPARE(lineColumn(82, 15), 5);
    // Coordinates far off any screen do not overflow.
    QVERIFY(twipsToPixels(QRectF(-1e15, 0, 2e15, 10), 15).width() > 0);
}

void SliderGeometryTest::rounding()
{
    QCOMPARE(roundHalfEven(2.5), 2);
    QCOMPARE(roundHalfEven(3.5), 4);
    QCOMPARE(roundHalfEven(-2.5), -2);
    QCOMPARE(roundHalfEven(1e12), kIntMax);
    QCOMPARE(roundHalfEven(qQNaN()), 0);
}

void SliderGeometryTest::pointer_data()
{
    QTest::addColumn<bool>("click"); // else a drag
    QTest::addColumn<double>("x");
    QTest::addColumn<int32_t>("min");
    QTest::addColumn<Geometry>("geometry");
    QTest::addColumn<int32_t>("expected");

    QTest::newRow("click middle") << true << 2082.0 << 0 << kNarrowTrack << 500;
    QTest::newRow("click left of the scale") << true << 50.0 << 0 << kNarrowTrack << 0;
    QTest::newRow("click right of the scale") << true << 9000.0 << 0 << kNarrowTrack << 1000;
    QTest::newRow("drag 2.5 gives 2") << false << 92.0 << 0 << kNarrowTrack << 2;
    QTest::newRow("drag 3.5 gives 4") << false << 96.0 << 0 << kNarrowTrack << 4;
    QTest::newRow("drag left of the scale") << false << -300.0 << 0 << kNarrowTrack << 0;
    QTest::newRow("drag right of the scale") << false << 9000.0 << 0 << kNarrowTrack << 1000;
    // At or below a raised Min a click gives 0, which the Value setter lifts to Min; a drag
    // gives Min itself.
    QTest::newRow("click at Min 100") << true << 482.0 << 100 << kNarrowTrack << 0;
    QTest::newRow("drag at Min 100") << false << 482.0 << 100 << kNarrowTrack << 100;
    QTest::newRow("click just above Min 100") << true << 486.0 << 100 << kNarrowTrack << 101;
    QTest::newRow("click, no scale") << true << 2000.0 << 0 << Geometry{82, 0} << 0;
    QTest::newRow("drag, no scale") << false << 2000.0 << 7 << Geometry{82, 0} << 7;
}

void SliderGeometryTest::pointer()
{
    QFETCH(bool, click);
    QFETCH(double, x);
    QFETCH(int32_t, min);
    QFETCH(Geometry, geometry);
    QFETCH(int32_t, expected);
    const int32_t value = click ? valueForClick(int32_t(x), min, 1000, geometry)
                                : valueForDrag(x, min, 1000, geometry);
    QCOMPARE(value, expected);
}

QTEST_APPLESS_MAIN(SliderGeometryTest)
#include "tst_slider_geometry.moc"
