// The slider as drawn: found on a rendered image by colour, never compared pixel for pixel.
// 539 pixels at 96 dpi make 8085 twips: halfThumb 82, trackWidth 7920, one twip 1/15 pixel.
#include "SliderBitmaps.h"
#include "ZivSlider.h"

#include <QtTest>

namespace {

bool isThumbGreen(QRgb c)
{
    return qGreen(c) > qRed(c) + 40 && qGreen(c) > qBlue(c) + 40;
}
bool isBandBlue(QRgb c)
{
    return qBlue(c) > qRed(c) + 60 && qBlue(c) > qGreen(c) + 30;
}
bool isMarkDark(QRgb c)
{
    return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100;
}
bool isDisabledThumbOutline(QRgb c)
{
    return c == qRgb(202, 202, 202);
}
bool isTick(QRgb c)
{
    return c == qRgb(120, 120, 120);
}

// The columns in which any pixel of the given rows matches.
QList<int> columnsWhere(const QImage &image, bool (*matches)(QRgb), int fromRow = 0, int toRow = -1)
{
    if (toRow < 0)
        toRow = image.height() - 1;
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = fromRow; y <= toRow; ++y) {
            if (matches(image.pixel(x, y))) {
                columns << x;
                break;
            }
        }
    }
    return columns;
}

QList<int> range(int first, int last)
{
    QList<int> columns;
    for (int x = first; x <= last; ++x)
        columns << x;
    return columns;
}

} // namespace

class SliderPaintTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void bitmapsLoad();
    void heightIsFixed();
    void thumbWhereTheValueSays_data();
    void thumbWhereTheValueSays();
    void disabledThumbIsGrey();
    void bandSpansTheSelection();
    void ticks();
    void degenerateModels();
    void doubleDensity();

private:
    QImage shot(qreal pixelRatio = 1.0) const;

    std::unique_ptr<QWidget> m_host;
    ZivSlider *m_slider = nullptr;
};

void SliderPaintTest::init()
{
    m_host = std::make_unique<QWidget>();
    m_slider = new ZivSlider(m_host.get());
    m_slider->setBackColor(0x00F0F0F0);
    m_slider->setGeometry(0, 0, 539, 34);
    m_host->resize(539, 34);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    // Alone in its window it takes the focus; these cases look at it without the focus frame.
    m_slider->clearFocus();
    QCOMPARE(m_slider->twipsPerPixel(), 15.0);
}

void SliderPaintTest::cleanup()
{
    m_host.reset();
}

QImage SliderPaintTest::shot(qreal pixelRatio) const
{
    QImage image(m_slider->size() * pixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::magenta);
    m_slider->render(&image);
    return image;
}

void SliderPaintTest::bitmapsLoad()
{
    const SliderBitmaps one = SliderBitmaps::forPixelRatio(1.0);
    const SliderBitmaps two = SliderBitmaps::forPixelRatio(2.0);
    const QList<std::pair<QPixmap SliderBitmaps::*, QSize>> sizes{
        {&SliderBitmaps::PicSdXP, {430, 30}}, {&SliderBitmaps::ImageSd, {11, 26}},
        {&SliderBitmaps::Imagedis, {11, 26}}, {&SliderBitmaps::ImageStart, {3, 5}},
        {&SliderBitmaps::ImageEnd, {3, 5}},   {&SliderBitmaps::ImageSel, {25, 15}}};
    for (const auto &[member, size] : sizes) {
        QCOMPARE((one.*member).size(), size);
        QCOMPARE((two.*member).size(), size * 2);
    }
    QCOMPARE(one.scale, 1);
    QCOMPARE(two.scale, 2);
}

void SliderPaintTest::heightIsFixed()
{
    QSignalSpy resized(m_slider, &ZivSlider::Resize);
    m_slider->resize(300, 80);
    QCOMPARE(m_slider->height(), 34); // 510 twips
    QVERIFY(resized.count() >= 1);
    QCOMPARE(m_slider->halfThumb(), 82);
    QCOMPARE(m_slider->trackWidth(), 300 * 15 - 165);
}

void SliderPaintTest::thumbWhereTheValueSays_data()
{
    QTest::addColumn<int32_t>("value");
    QTest::addColumn<int>("left"); // the thumb's first pixel column

    QTest::newRow("at Min") << 0 << 0;
    QTest::newRow("a quarter") << 250 << 132;  // 1980 twips
    QTest::newRow("the middle") << 500 << 264; // 3960 twips
    QTest::newRow("at Max") << 1000 << 528;    // 7920 twips
}

void SliderPaintTest::thumbWhereTheValueSays()
{
    QFETCH(int32_t, value);
    QFETCH(int, left);
    m_slider->setValue(value);
    const QImage image = shot();
    // The thumb is the only green, 11 pixels wide, centred on the value's x.
    QCOMPARE(columnsWhere(image, isThumbGreen), range(left, left + 10));
    QCOMPARE(columnsWhere(image, isThumbGreen, 25, 25), QList<int>{left + 5}); // its tip
    // The green runs from the top down to the tip's row, over the track.
    QVERIFY(isThumbGreen(image.pixel(left + 5, 1)));
    QVERIFY(!isThumbGreen(image.pixel(left + 5, 26)));
}

void SliderPaintTest::disabledThumbIsGrey()
{
    m_slider->setValue(500);
    m_slider->setEnabled(false);
    const QImage image = shot();
    QVERIFY(columnsWhere(image, isThumbGreen).isEmpty());
    QCOMPARE(columnsWhere(image, isDisabledThumbOutline), range(264, 274));
}

void SliderPaintTest::bandSpansTheSelection()
{
    m_slider->setValue(900);
    m_slider->setSelStart(200);  // x 1666 twips = pixel 111.07
    m_slider->setSelLength(300); // to x 4042 twips = pixel 269.47
    QImage image = shot();
    QCOMPARE(columnsWhere(image, isBandBlue), range(111, 268));
    // The band fills the groove from row 5 to row 19 and leaves the top line alone.
    QVERIFY(isBandBlue(image.pixel(200, 5)) && isBandBlue(image.pixel(200, 19)));
    QVERIFY(!isBandBlue(image.pixel(200, 4)) && !isBandBlue(image.pixel(200, 20)));
    // The marks stand below the track picture, outside the band: start mark to its left,
    // end mark to its right, touching it.
    const QList<int> dark = columnsWhere(image, isMarkDark, 29, 33);
    QCOMPARE(dark.first(), 108);
    QCOMPARE(dark.last(), 271);
    QVERIFY(dark.contains(110) && dark.contains(269));
    QCOMPARE(dark.size(), 6);
    QVERIFY(columnsWhere(image, isMarkDark, 0, 28).isEmpty());

    // A new selection leaves nothing of the old one behind.
    m_slider->setSelStart(600);
    m_slider->setSelLength(100);
    image = shot();
    const QList<int> band = columnsWhere(image, isBandBlue);
    QCOMPARE(band.first(), 322); // 4834 twips
    QCOMPARE(band.last(), 374);  // 5626 twips = 375.07
    const QList<int> marks = columnsWhere(image, isMarkDark, 29, 33);
    QVERIFY(marks.first() >= 319 && marks.last() <= 377);
}

void SliderPaintTest::ticks()
{
    m_slider->setValue(500);
    m_slider->setTickNumber(10);
    // A selection that draws no mark, so that nothing covers the ticks' lower ends.
    m_slider->setSelStart(1000);
    m_slider->setSelLength(1);
    // Row 27 is below the thumb and above the marks. Tick x = 82 + 792 i twips.
    const QList<int> expected{5, 58, 111, 163, 216, 269, 322, 375, 427, 480, 533};
    QCOMPARE(columnsWhere(shot(), isTick, 27, 27), expected);
    // A tick runs from row 27 to the bottom.
    QCOMPARE(columnsWhere(shot(), isTick, 33, 33), expected);

    m_slider->setTickNumber(0);
    QCOMPARE(columnsWhere(shot(), isTick), QList<int>{5});
    m_slider->setShowTicks(false);
    QVERIFY(columnsWhere(shot(), isTick).isEmpty());
}

void SliderPaintTest::degenerateModels()
{
    // Max 0: the Value setter keeps 0 and everything that divides by Max is left out.
    m_slider->setMax(0);
    m_slider->setValue(300);
    m_slider->setSelStart(0);
    m_slider->setSelLength(0);
    m_slider->setTickNumber(0);
    QImage image = shot();
    QCOMPARE(columnsWhere(image, isThumbGreen), range(0, 10));
    QVERIFY(columnsWhere(image, isMarkDark, 29, 33).isEmpty());
    QCOMPARE(columnsWhere(image, isTick), QList<int>{5});

    // Absurd tick counts are drawn in no time: all on the first, or only those that show.
    m_slider->setMax(1000);
    m_slider->setTickNumber(std::numeric_limits<int32_t>::max());
    QCOMPARE(columnsWhere(shot(), isTick, 27, 27), QList<int>{5});
    m_slider->setTickNumber(7920); // one twip apart: every column of the scale
    QCOMPARE(columnsWhere(shot(), isTick, 27, 27), range(5, 533));

    // Narrower than the thumb: still drawn, nothing to crash on.
    m_slider->resize(5, 34);
    image = shot();
    QCOMPARE(image.width(), 5);
}

void SliderPaintTest::doubleDensity()
{
    m_slider->setValue(500);
    m_slider->setSelStart(200);
    m_slider->setSelLength(100);
    const QImage image = shot(2.0);
    QCOMPARE(image.width(), 1078);
    // Everything at twice the pixel position, from the 2x pictures.
    QCOMPARE(columnsWhere(image, isThumbGreen), range(528, 549));
    QCOMPARE(columnsWhere(image, isThumbGreen, 51, 51), (QList<int>{538, 539}));
    QCOMPARE(columnsWhere(image, isBandBlue), range(222, 327)); // 1666 to 2458 twips
    QCOMPARE(columnsWhere(image, isTick, 55, 55).size(), 11 * 2);
    // The pointer's slopes step by one device pixel, not by two as a 1x picture blown up
    // would: the tip's rows narrow by one pixel on each side per row.
    const auto width = [&](int row) { return columnsWhere(image, isThumbGreen, row, row).size(); };
    QCOMPARE(width(48) - width(49), 2);
    QCOMPARE(width(49) - width(50), 2);
}

QTEST_MAIN(SliderPaintTest)
#include "tst_slider_paint.moc"
