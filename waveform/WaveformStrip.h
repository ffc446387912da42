#pragma once

#include "SliderBitmaps.h"
#include "SliderGeometry.h"
#include "WaveformSource.h"
#include "WaveformView.h"

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

/// A strip that shows the sound of the open file over the slider's value scale: peaks per
/// channel (filled in as they come), the selection band and its two marks as the slider draws
/// them, and the play position. The wheel zooms around the pointer down to single samples,
/// Shift+wheel (or a horizontal wheel) scrolls, a double click shows the whole file.
///
/// It knows no window and no engine: the host hands it the length, a Source, the selection
/// and the position, and hears of clicks and dropped marks through the signals, in frames.
class WaveformStrip : public QWidget
{
    Q_OBJECT
public:
    enum class Mark
    {
        Begin,
        End
    };
    /// Height of the strip, twips (80 pixels at 96 dpi).
    static constexpr int32_t kHeight = 1200;
    /// Height of the time ruler shown while zoomed, twips.
    static constexpr int32_t kRulerHeight = 210;
    /// The closest zoom: this many pixels per frame.
    static constexpr double kMostPixelsPerFrame = 12.0;

    explicit WaveformStrip(QWidget *parent = nullptr);

    /// The open file's frames and rate; 0 frames: no file, an empty strip. Shows the whole
    /// file and forgets the source.
    void setLength(int64_t frames, int32_t sampleRate);
    int64_t length() const { return m_length; }
    void setSource(std::shared_ptr<waveform::Source> source);
    /// The selection's marks, frames; a band is drawn when end > begin.
    void setSelection(double begin, double end);
    void setPosition(double frame);
    double position() const { return m_position; }
    /// Parts of the file, frames [first, second), drawn as numbered bands apart from the
    /// selection's; `selected` (an index, or -1) is outlined.
    void setParts(std::vector<std::pair<double, double>> parts, int selected);
    /// The fades of the selection, frames from each mark (0: none), drawn as the envelope over
    /// its edges; quarter-sine when `equalPower`, straight otherwise.
    void setFades(double fadeIn, double fadeOut, bool equalPower);
    int32_t sampleRate() const { return m_rate; }

    waveform::View view() const { return m_view; }
    void setView(const waveform::View &view);
    void showWholeFile();
    bool zoomed() const;

    /// The scale the frames are laid on: the slider's, for this width.
    slider::Geometry geometry() const;
    double twipsPerPixel() const;
    /// The frame under a pointer at x (pixels), rounded to a whole frame.
    int64_t frameAtPixel(double x) const;
    /// The pixel column a frame is drawn in.
    int columnOfFrame(double frame) const;

    /// Peaks or frames are still on their way, and the strip looks for them.
    bool busy() const { return m_poll.isActive(); }

    QSize sizeHint() const override;

signals:
    /// A click (not on a mark) asks to play from this frame.
    void positionPicked(int64_t frame);
    /// A mark was dragged and dropped here.
    void markDropped(WaveformStrip::Mark mark, int64_t frame);
    /// The frames shown changed (zoom, scroll, whole file).
    void viewChanged(double begin, double end);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    /// The frames the view needs read, or none when the peaks are fine enough.
    bool wantsFrames() const;
    /// Asks for the frames of the view when they are wanted and not yet there.
    void fetchFrames();
    void pollSource();
    void keepPolling();
    std::optional<Mark> markAt(double x) const;
    double markFrame(Mark mark) const;

    void paintPeaks(class QPainter &painter, const QRect &lane, int32_t channel, int firstColumn,
                    int lastColumn, const waveform::Frames *frames) const;
    void paintSamples(class QPainter &painter, const QRect &lane, int32_t channel,
                      const waveform::Frames &frames) const;
    void paintRuler(class QPainter &painter, const QRect &ruler) const;
    void paintMarks(class QPainter &painter, int bottom);
    void paintParts(class QPainter &painter, int top, int bottom) const;
    void paintFades(class QPainter &painter, int top, int bottom) const;

    int64_t m_length = 0;
    int32_t m_rate = 0;
    std::shared_ptr<waveform::Source> m_source;
    waveform::View m_view;
    double m_selBegin = 0;
    double m_selEnd = 0;
    double m_position = 0;
    std::vector<std::pair<double, double>> m_parts;
    int m_selectedPart = -1;
    double m_fadeIn = 0;
    double m_fadeOut = 0;
    bool m_equalPower = false;
    std::optional<Mark> m_dragging;
    double m_dragFrame = 0;
    bool m_pressed = false;
    std::optional<std::pair<int64_t, int64_t>> m_requested;
    QTimer m_poll;
    SliderBitmaps m_bitmaps;
};
