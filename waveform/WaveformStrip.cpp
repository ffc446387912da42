// The strip's model and input: the view, the marks, the frames it asks for.
#include "WaveformStrip.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using waveform::View;

namespace {

/// How close (pixels) a press must be to a mark to take hold of it.
constexpr double kMarkReach = 4.0;
/// One notch of the wheel zooms by this much.
constexpr double kZoomPerNotch = 0.8;
/// One notch of a scroll moves a tenth of the view.
constexpr double kScrollPerNotch = 0.1;
/// While peaks or frames are on their way, the strip looks for them this often (ms).
constexpr int kPollMilliseconds = 40;

} // namespace

WaveformStrip::WaveformStrip(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Waveform"));
    // Screen readers and the interface tests know the strip by this name.
    setAccessibleName(tr("Waveform"));
    setMouseTracking(false);
    setFixedHeight(slider::twipsToPixels(QRectF(0, 0, 0, kHeight), twipsPerPixel()).height());
    m_poll.setInterval(kPollMilliseconds);
    connect(&m_poll, &QTimer::timeout, this, &WaveformStrip::pollSource);
}

double WaveformStrip::twipsPerPixel() const
{
    return slider::twipsPerPixel(logicalDpiX());
}

slider::Geometry WaveformStrip::geometry() const
{
    return slider::geometryForWidth(width() * twipsPerPixel());
}

QSize WaveformStrip::sizeHint() const
{
    return slider::twipsToPixels(QRectF(0, 0, slider::kTrackPictureWidth, kHeight), twipsPerPixel())
        .size();
}

void WaveformStrip::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fetchFrames();
}

void WaveformStrip::setLength(int64_t frames, int32_t sampleRate)
{
    m_length = std::max<int64_t>(frames, 0);
    m_rate = sampleRate;
    m_source.reset();
    m_requested.reset();
    m_dragging.reset();
    m_pressed = false;
    m_selBegin = m_selEnd = m_position = 0;
    m_poll.stop();
    showWholeFile();
}

void WaveformStrip::setSource(std::shared_ptr<waveform::Source> source)
{
    m_source = std::move(source);
    m_requested.reset();
    fetchFrames();
    keepPolling();
    update();
}

void WaveformStrip::setSelection(double begin, double end)
{
    m_selBegin = begin;
    m_selEnd = end;
    update();
}

void WaveformStrip::setParts(std::vector<std::pair<double, double>> parts, int selected)
{
    // Handed over on every change of the selection too; most leave the parts as they were.
    if (parts == m_parts && selected == m_selectedPart)
        return;
    m_parts = std::move(parts);
    m_selectedPart = selected;
    update();
}

void WaveformStrip::setFades(double fadeIn, double fadeOut, bool equalPower)
{
    if (fadeIn == m_fadeIn && fadeOut == m_fadeOut && equalPower == m_equalPower)
        return;
    m_fadeIn = fadeIn;
    m_fadeOut = fadeOut;
    m_equalPower = equalPower;
    update();
}

void WaveformStrip::setPosition(double frame)
{
    if (frame == m_position)
        return;
    m_position = frame;
    update();
}

void WaveformStrip::setView(const View &view)
{
    const View before = m_view;
    m_view = view;
    fetchFrames();
    update();
    if (before.begin != m_view.begin || before.end != m_view.end)
        emit viewChanged(m_view.begin, m_view.end);
}

void WaveformStrip::showWholeFile()
{
    setView(View{0, double(m_length)});
}

bool WaveformStrip::zoomed() const
{
    return m_length > 0 && (m_view.begin > 0 || m_view.end < double(m_length));
}

int64_t WaveformStrip::frameAtPixel(double x) const
{
    const double frame = waveform::frameAtX(x * twipsPerPixel(), m_view, geometry());
    return std::clamp<int64_t>(std::llround(frame), 0, m_length);
}

int WaveformStrip::columnOfFrame(double frame) const
{
    return slider::lineColumn(waveform::xOfFrame(frame, m_view, geometry()), twipsPerPixel());
}

bool WaveformStrip::wantsFrames() const
{
    if (!m_source || m_length <= 0)
        return false;
    const double pixels = geometry().trackWidth / twipsPerPixel();
    return pixels > 0 && m_view.span() / pixels < double(m_source->finestFrames());
}

void WaveformStrip::fetchFrames()
{
    if (!wantsFrames())
        return;
    const auto first = int64_t(std::floor(m_view.begin));
    const auto last = int64_t(std::ceil(m_view.end));
    if (const auto frames = m_source->frames();
        frames && frames->begin <= first && frames->begin + frames->count() >= last)
        return;
    if (m_requested && m_requested->first <= first && m_requested->second >= last)
        return;
    // A quarter of a view on either side, so a short scroll finds its frames already there.
    const int64_t margin = (last - first) / 4;
    const int64_t from = std::max<int64_t>(first - margin, 0);
    const int64_t to = std::min(last + margin, m_length);
    m_requested = {from, to};
    m_source->requestFrames(from, to - from);
    keepPolling();
}

void WaveformStrip::keepPolling()
{
    if (!m_poll.isActive())
        m_poll.start();
}

void WaveformStrip::pollSource()
{
    update();
    bool waiting = m_source && m_source->computing();
    if (m_source && m_requested) {
        const auto frames = m_source->frames();
        // The reader may give fewer frames than asked for (at most so many at once).
        const bool served = frames && frames->begin == m_requested->first;
        if (served)
            m_requested.reset();
        waiting = waiting || !served;
    }
    if (!waiting)
        m_poll.stop();
}

double WaveformStrip::markFrame(Mark mark) const
{
    if (m_dragging == mark)
        return m_dragFrame;
    return mark == Mark::Begin ? m_selBegin : m_selEnd;
}

std::optional<WaveformStrip::Mark> WaveformStrip::markAt(double x) const
{
    const int column = int(std::floor(x));
    const int begin = columnOfFrame(m_selBegin);
    const int end = columnOfFrame(m_selEnd);
    const int toBegin = std::abs(column - begin);
    const int toEnd = std::abs(column - end);
    if (std::min(toBegin, toEnd) > kMarkReach)
        return std::nullopt;
    // On one column the Begin mark hangs to the left of its line and the End mark to the
    // right, as the slider draws them.
    if (begin == end)
        return column < begin ? Mark::Begin : Mark::End;
    return toBegin <= toEnd ? Mark::Begin : Mark::End;
}

void WaveformStrip::mousePressEvent(QMouseEvent *event)
{
    if (m_length <= 0 || event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_pressed = true;
    m_dragging = markAt(event->position().x());
    if (m_dragging) {
        m_dragFrame = double(frameAtPixel(event->position().x()));
        update();
    }
}

void WaveformStrip::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging) {
        m_dragFrame = double(frameAtPixel(event->position().x()));
        update();
    }
}

void WaveformStrip::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_pressed || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    m_pressed = false;
    const int64_t frame = frameAtPixel(event->position().x());
    if (const auto mark = std::exchange(m_dragging, std::nullopt)) {
        update();
        emit markDropped(*mark, frame);
    } else {
        emit positionPicked(frame);
    }
}

void WaveformStrip::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_length > 0 && event->button() == Qt::LeftButton)
        showWholeFile();
}

void WaveformStrip::wheelEvent(QWheelEvent *event)
{
    if (m_length <= 0)
        return QWidget::wheelEvent(event);
    const QPoint delta = event->angleDelta();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    // Shift turns the wheel into a scroll; some systems then report it as horizontal.
    const int scroll = shift ? (delta.y() ? delta.y() : delta.x()) : (delta.y() ? 0 : delta.x());
    if (scroll) {
        setView(waveform::scrolledBy(m_view, -scroll / 120.0 * kScrollPerNotch * m_view.span(),
                                     m_length));
    } else if (delta.y()) {
        const double perPixel = twipsPerPixel();
        const double pixels = geometry().trackWidth / perPixel;
        setView(waveform::zoomedAt(m_view, event->position().x() * perPixel,
                                   std::pow(kZoomPerNotch, delta.y() / 120.0),
                                   pixels / kMostPixelsPerFrame, m_length, geometry()));
    }
    event->accept();
}
