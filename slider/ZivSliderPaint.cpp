// The slider's size and drawing: the height is fixed, the parts are placed in twips by
// SliderGeometry and copied from the bitmaps onto whole pixels, so nothing is blurred.
#include "ZivSlider.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QResizeEvent>

#include <algorithm>

using namespace slider;

namespace {

constexpr QRgb kTickColor = 0xFF787878; // RGB(120, 120, 120)
// The visible range of a zoomed view: the band's colours, seen through, round the groove.
constexpr QRgb kVisibleEdge = 0xFF376CE7; // RGB(55, 108, 231)
constexpr QRgb kVisibleFill = 0x505D88EC; // RGB(93, 136, 236) at a third
constexpr double kGrooveTop = 45;         // the track picture's rows 3 to 20
constexpr double kGrooveHeight = 270;

// Copies the part of a bitmap given in its twips onto the control's twips rectangle.
void drawPicture(QPainter &painter, const QPixmap &picture, int scale, const QRectF &target,
                 const QRectF &source, double perPixel)
{
    const QRect to = twipsToPixels(target, perPixel);
    if (to.width() <= 0 || to.height() <= 0)
        return;
    painter.drawPixmap(to, picture, bitmapPixels(source, scale));
}

// Copies a whole bitmap onto the control's twips rectangle.
void drawPicture(QPainter &painter, const QPixmap &picture, const QRectF &target, double perPixel)
{
    const QRect to = twipsToPixels(target, perPixel);
    if (to.width() <= 0 || to.height() <= 0)
        return;
    painter.drawPixmap(to, picture, QRect(QPoint(0, 0), picture.size()));
}

} // namespace

double ZivSlider::twipsPerPixel() const
{
    return slider::twipsPerPixel(logicalDpiX());
}

QSize ZivSlider::sizeHint() const
{
    const double perPixel = twipsPerPixel();
    return twipsToPixels(QRectF(0, 0, kTrackPictureWidth, kHeight), perPixel).size();
}

void ZivSlider::applyHeightAndGeometry()
{
    const int height = twipsToPixels(QRectF(0, 0, 0, kHeight), twipsPerPixel()).height();
    // A different height is undone; when the widget is visible this resizes (and so runs
    // this again) before the geometry below is taken.
    if (this->height() != height || minimumHeight() != height || maximumHeight() != height)
        setFixedHeight(height);
    m_geometry = geometryForWidth(width() * twipsPerPixel());
}

void ZivSlider::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyHeightAndGeometry();
    emit Resize();
}

const SliderBitmaps &ZivSlider::bitmapsFor(double devicePixelRatio)
{
    const int wanted = devicePixelRatio > 1.0 ? 2 : 1;
    if (m_bitmaps.scale != wanted)
        m_bitmaps = SliderBitmaps::forPixelRatio(devicePixelRatio);
    return m_bitmaps;
}

void ZivSlider::paintNow()
{
    repaint();
}

void ZivSlider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // The surface really painted on: the window's backing store, or an image that render()
    // redirects to, whose pixel ratio may differ from the screen's.
    const QPaintDevice *surface =
        painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
    const SliderBitmaps &pictures =
        bitmapsFor(surface ? surface->devicePixelRatioF() : devicePixelRatioF());
    const int scale = pictures.scale;
    const double perPixel = twipsPerPixel();
    const double w = width() * perPixel;
    const double h = height() * perPixel;

    // Qt double-buffers and every paint covers the whole control, so no old thumb, band or
    // tick can survive a paint.
    if (m_backStyle == 1)
        painter.fillRect(rect(), toColor(m_backColor));

    for (const Slice &slice : trackSlices(w))
        drawPicture(painter, pictures.PicSdXP, scale, slice.target, slice.source, perPixel);

    if (m_showTicks) {
        for (int32_t x : tickXs(m_tickNumber, m_geometry, w)) {
            const QRect line = twipsToPixels(tickLine(x, h), perPixel);
            painter.fillRect(QRect(lineColumn(x, perPixel), line.top(), 1, line.height()),
                             QColor::fromRgb(kTickColor));
        }
    }

    // Parts in the groove, in the strip's two warm tones, under the selection's band.
    for (size_t i = 0; i < m_parts.size(); ++i) {
        const auto from = xOfValue(m_parts[i].first, m_max, m_geometry);
        const auto to = xOfValue(m_parts[i].second, m_max, m_geometry);
        if (!from || !to)
            continue;
        const QRect part = twipsToPixels(
            QRectF(*from, kGrooveTop, std::max(*to - *from, 0.0), kGrooveHeight), perPixel);
        painter.fillRect(part, i % 2 ? QColor(214, 104, 35, 110) : QColor(255, 166, 43, 110));
        if (int(i) == m_selectedPart) {
            painter.setPen(QColor(170, 80, 20));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(part.adjusted(0, 0, -1, -1));
        }
    }

    if (const auto mark = startMarkRect(m_selStart, m_min, m_max, m_geometry, h))
        drawPicture(painter, pictures.ImageStart, *mark, perPixel);
    if (const auto mark = endMarkRect(m_selStart, m_selLength, m_max, m_geometry, h))
        drawPicture(painter, pictures.ImageEnd, *mark, perPixel);
    if (const auto band = bandRect(m_selStart, m_selLength, m_max, m_geometry))
        drawPicture(painter, pictures.ImageSel, *band, perPixel);

    // The part a zoomed view shows: a frame round the groove, under the thumb.
    if (m_visibleRange) {
        const auto from = xOfValue(m_visibleRange->first, m_max, m_geometry);
        const auto to = xOfValue(m_visibleRange->second, m_max, m_geometry);
        if (from && to) {
            const QRect shown = twipsToPixels(
                QRectF(*from, kGrooveTop, std::max(*to - *from, 0.0), kGrooveHeight), perPixel);
            painter.fillRect(shown, QColor::fromRgba(kVisibleFill));
            painter.setPen(QColor::fromRgb(kVisibleEdge));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(shown.adjusted(0, 0, -1, -1));
        }
    }

    if (const auto left = thumbLeftFor(m_value, m_min, m_max, m_geometry))
        m_thumbLeft = *left;
    drawPicture(painter, isEnabled() ? pictures.ImageSd : pictures.Imagedis, thumbRect(m_thumbLeft),
                perPixel);

    // The keys move the thumb only while the control has the focus, so that is shown: a
    // dotted frame in the text colour, as desktop controls mark their focus.
    if (hasFocus()) {
        painter.setPen(QPen(toColor(m_foreColor), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

    emit Paint();
}
