// The strip's drawing: peaks or samples per channel, the selection as the slider shows it, the
// play position, and a time ruler while zoomed.
#include "WaveformStrip.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

using slider::lineColumn;
using slider::twipsToPixels;

namespace {

const QColor kBackground(240, 240, 240); // the slider's back colour
const QColor kLane(255, 255, 255);       // the slider's groove
const QColor kFrame(162, 161, 158);      // the groove's upper line
const QColor kWave(52, 70, 104);
const QColor kUnknown(222, 222, 222);
const QColor kCentre(214, 214, 214);
const QColor kBand(93, 136, 236, 70); // the slider's band, seen through
const QColor kMarkLine(0, 0, 0, 150);
const QColor kPlayLine(0, 158, 63); // the slider's thumb
const QColor kRuler(232, 232, 232);
// Parts in two alternating warm tones, so that neighbours stay apart, under the blue selection.
const QColor kPartTones[] = {QColor(255, 166, 43, 60), QColor(214, 104, 35, 60)};
const QColor kPartEdge(170, 80, 20, 170);
const QColor kPartText(120, 50, 10);
const QColor kFadeLine(20, 40, 120, 200);
const QColor kFadeShade(20, 40, 120, 45);
const QColor kRulerText(70, 70, 70);

/// Time between ruler ticks: the first of these (seconds) that leaves room for a label.
constexpr std::array kRulerSteps{0.001, 0.002, 0.005, 0.01,  0.02,   0.05,   0.1,   0.2,
                                 0.5,   1.0,   2.0,   5.0,   10.0,   15.0,   30.0,  60.0,
                                 120.0, 300.0, 600.0, 900.0, 1800.0, 3600.0, 7200.0};
constexpr double kRulerLabelPixels = 90;

QString rulerText(double seconds, double step)
{
    const auto milliseconds = int64_t(std::llround(seconds * 1000));
    const int64_t whole = milliseconds / 1000;
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(whole / 3600)
                       .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
                       .arg(whole % 60, 2, 10, QLatin1Char('0'));
    if (step < 1.0)
        text += QStringLiteral(".%1").arg(milliseconds % 1000, 3, 10, QLatin1Char('0'));
    return text;
}

/// y of a sample value in a lane, +1 at the top.
double yOf(float value, const QRect &lane)
{
    const double half = lane.height() / 2.0;
    return lane.top() + half - std::clamp(double(value), -1.0, 1.0) * (half - 1);
}

} // namespace

void WaveformStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    const double perPixel = twipsPerPixel();
    const slider::Geometry scale = geometry();
    const int left = lineColumn(scale.halfThumb, perPixel);
    const int right = lineColumn(scale.halfThumb + scale.trackWidth, perPixel);
    const QRect area(left, 0, right - left + 1, height());
    if (m_length <= 0 || area.width() <= 0)
        return; // nothing open: an empty, quiet area

    painter.fillRect(area, kLane);
    int top = 0;
    if (zoomed()) {
        const int ruler = twipsToPixels(QRectF(0, 0, 0, kRulerHeight), perPixel).height();
        paintRuler(painter, QRect(left, 0, area.width(), ruler));
        top = ruler;
    }
    // The marks hang below the lanes, where the slider draws its own.
    const int markHeight = twipsToPixels(QRectF(0, 0, 0, slider::kMarkHeight), perPixel).height();
    const int bottom = height() - markHeight;
    const int32_t channels = m_source ? m_source->channelCount() : 0;
    const auto frames = wantsFrames() ? m_source->frames() : nullptr;
    const double framesPerPixel = m_view.span() / std::max(1.0, scale.trackWidth / perPixel);
    for (int32_t c = 0; c < std::max(channels, 1); ++c) {
        const int laneTop = top + (bottom - top) * c / std::max(channels, 1);
        const int laneBottom = top + (bottom - top) * (c + 1) / std::max(channels, 1);
        const QRect lane(left, laneTop, area.width(), laneBottom - laneTop);
        painter.fillRect(QRect(left, lane.center().y(), area.width(), 1), kCentre);
        if (channels == 0)
            break;
        if (frames && framesPerPixel < 1.0)
            paintSamples(painter, lane, c, *frames);
        else
            paintPeaks(painter, lane, c, left, right, frames.get());
    }

    paintParts(painter, top, bottom);
    if (m_selEnd > m_selBegin) {
        const int from = columnOfFrame(m_selBegin);
        const int to = columnOfFrame(m_selEnd);
        painter.fillRect(QRect(from, top, std::max(to - from, 1), bottom - top), kBand);
    }
    paintFades(painter, top, bottom);
    if (m_position >= m_view.begin && m_position <= m_view.end)
        painter.fillRect(QRect(columnOfFrame(m_position), top, 1, bottom - top), kPlayLine);
    paintMarks(painter, bottom);
}

void WaveformStrip::paintFades(QPainter &painter, int top, int bottom) const
{
    if (m_selEnd <= m_selBegin || (m_fadeIn <= 0 && m_fadeOut <= 0))
        return;
    // The envelope the cut multiplies by, from silence at the marks to full height inside;
    // what it takes away is shaded.
    const auto level = [this](double fraction) {
        return m_equalPower ? std::sin(fraction * std::numbers::pi / 2) : fraction;
    };
    const auto edge = [&](double from, double length, bool rising) {
        if (length <= 0)
            return;
        QPolygonF curve;
        QPolygonF shade;
        const int first = columnOfFrame(from);
        const int last = std::max(columnOfFrame(from + length), first + 1);
        shade << QPointF(first, top);
        for (int x = first; x <= last; ++x) {
            const double fraction = double(x - first) / double(last - first);
            const double y = bottom - (bottom - top) * level(rising ? fraction : 1 - fraction);
            curve << QPointF(x, y);
            shade << QPointF(x, y);
        }
        shade << QPointF(last, top);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kFadeShade);
        painter.drawPolygon(shade);
        painter.setPen(QPen(kFadeLine, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(curve);
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    edge(m_selBegin, m_fadeIn, true);
    edge(m_selEnd - m_fadeOut, m_fadeOut, false);
    painter.restore();
}

void WaveformStrip::paintParts(QPainter &painter, int top, int bottom) const
{
    QFont font = painter.font();
    font.setPixelSize(std::max(9, std::min(12, (bottom - top) / 4)));
    painter.setFont(font);
    for (size_t i = 0; i < m_parts.size(); ++i) {
        const auto [begin, end] = m_parts[i];
        if (end <= m_view.begin || begin >= m_view.end || end <= begin)
            continue;
        const int from = columnOfFrame(std::max(begin, m_view.begin));
        const int to = columnOfFrame(std::min(end, m_view.end));
        const QRect band(from, top, std::max(to - from, 1), bottom - top);
        painter.fillRect(band, kPartTones[i % 2]);
        painter.fillRect(QRect(columnOfFrame(begin), top, 1, bottom - top), kPartEdge);
        painter.setPen(kPartText);
        painter.drawText(band.adjusted(3, 1, -1, -1), Qt::AlignLeft | Qt::AlignTop,
                         QString::number(i + 1));
        if (int(i) == m_selectedPart) {
            painter.setPen(QPen(kPartEdge, 2));
            painter.drawRect(band.adjusted(1, 1, -1, -1));
        }
    }
}

void WaveformStrip::paintPeaks(QPainter &painter, const QRect &lane, int32_t channel,
                               int firstColumn, int lastColumn,
                               const waveform::Frames *frames) const
{
    const double perPixel = twipsPerPixel();
    const slider::Geometry scale = geometry();
    for (int column = firstColumn; column <= lastColumn; ++column) {
        // The frames drawn in this column: those the slider's scale puts in it.
        const auto begin = int64_t(std::ceil(waveform::frameAtX(column * perPixel, m_view, scale)));
        auto end = int64_t(std::ceil(waveform::frameAtX((column + 1) * perPixel, m_view, scale)));
        if (column == lastColumn)
            end = std::max(end, int64_t(std::ceil(m_view.end)));
        end = std::min(end, m_length);
        if (begin >= end)
            continue;
        std::optional<waveform::Span> span;
        if (frames && frames->begin <= begin && frames->begin + frames->count() >= end) {
            waveform::Span read{1.0f, -1.0f};
            for (int64_t f = begin; f < end; ++f) {
                const float v = frames->at(f, channel);
                read.min = std::min(read.min, v);
                read.max = std::max(read.max, v);
            }
            span = read;
        } else {
            span = m_source->span(channel, begin, end);
        }
        if (!span) {
            painter.fillRect(QRect(column, lane.top(), 1, lane.height()), kUnknown);
            continue;
        }
        const int high = int(std::floor(yOf(span->max, lane)));
        const int low = int(std::ceil(yOf(span->min, lane)));
        painter.fillRect(QRect(column, high, 1, std::max(low - high, 1)), kWave);
    }
}

void WaveformStrip::paintSamples(QPainter &painter, const QRect &lane, int32_t channel,
                                 const waveform::Frames &frames) const
{
    const double perPixel = twipsPerPixel();
    const slider::Geometry scale = geometry();
    // One frame beyond each edge, so the line runs off the sides instead of stopping short.
    const int64_t first = std::max(int64_t(std::floor(m_view.begin)) - 1, frames.begin);
    const int64_t last =
        std::min(int64_t(std::ceil(m_view.end)) + 1, frames.begin + frames.count() - 1);
    QPolygonF line;
    for (int64_t f = first; f <= last; ++f) {
        const float v = frames.at(f, channel);
        const double x = waveform::xOfFrame(double(f), m_view, scale) / perPixel;
        line << QPointF(x, yOf(v, lane));
    }
    painter.save();
    painter.setClipRect(lane);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kWave, 1.2));
    painter.drawPolyline(line);
    // Close enough to tell the samples apart: each is marked.
    const double pixelsPerFrame = scale.trackWidth / perPixel / std::max(m_view.span(), 1.0);
    if (pixelsPerFrame >= 4) {
        painter.setBrush(kWave);
        for (const QPointF &point : line)
            painter.drawEllipse(point, 1.8, 1.8);
    }
    painter.restore();
}

void WaveformStrip::paintRuler(QPainter &painter, const QRect &ruler) const
{
    painter.fillRect(ruler, kRuler);
    if (m_rate <= 0)
        return;
    const double perPixel = twipsPerPixel();
    const slider::Geometry scale = geometry();
    const double secondsPerPixel =
        m_view.span() / m_rate / std::max(1.0, scale.trackWidth / perPixel);
    double step = kRulerSteps.back();
    for (double s : kRulerSteps) {
        if (s / secondsPerPixel >= kRulerLabelPixels) {
            step = s;
            break;
        }
    }
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
    painter.setFont(small);
    painter.setPen(kRulerText);
    const double from = std::ceil(m_view.begin / m_rate / step) * step;
    for (double t = from; t <= m_view.end / m_rate; t += step) {
        const int x = columnOfFrame(t * m_rate);
        painter.fillRect(QRect(x, ruler.bottom() - 3, 1, 4), kRulerText);
        painter.drawText(QRect(x + 3, ruler.top(), 200, ruler.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, rulerText(t, step));
    }
}

void WaveformStrip::paintMarks(QPainter &painter, int bottom)
{
    const QPaintDevice *surface =
        painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
    const double ratio = surface ? surface->devicePixelRatioF() : devicePixelRatioF();
    if (m_bitmaps.scale != (ratio > 1.0 ? 2 : 1))
        m_bitmaps = SliderBitmaps::forPixelRatio(ratio);
    const double perPixel = twipsPerPixel();
    const double h = height() * perPixel;
    const slider::Geometry scale = geometry();
    const int top = zoomed() ? twipsToPixels(QRectF(0, 0, 0, kRulerHeight), perPixel).height() : 0;
    for (Mark mark : {Mark::Begin, Mark::End}) {
        const double frame = markFrame(mark);
        if (frame < m_view.begin || frame > m_view.end)
            continue;
        const double x = waveform::xOfFrame(frame, m_view, scale);
        painter.fillRect(QRect(lineColumn(x, perPixel), top, 1, bottom - top), kMarkLine);
        // The slider's own mark pictures: Begin ends on its frame, End starts on it.
        const QRectF twips(mark == Mark::Begin ? x - slider::kMarkWidth : x,
                           h - slider::kMarkHeight, slider::kMarkWidth, slider::kMarkHeight);
        const QPixmap &picture = mark == Mark::Begin ? m_bitmaps.ImageStart : m_bitmaps.ImageEnd;
        painter.drawPixmap(twipsToPixels(twips, perPixel), picture,
                           QRect(QPoint(0, 0), picture.size()));
    }
}
