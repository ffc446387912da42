#pragma once

#include "SliderBitmaps.h"
#include "SliderGeometry.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

/// Stored properties in their key order (what a host keeps of a slider in its layout).
using PropertyBag = QList<std::pair<QString, QVariant>>;

/// The program's position slider: a track from 0 to Max, a thumb, tick marks and a selection
/// band. Setters never raise an event; a host hears of user changes from Click, KeyDown/KeyUp
/// and the mouse events, and reads Value then.
///
/// Its height is fixed at 510 twips; the width is free. Event coordinates are twips inside the
/// control (15 per pixel at 96 dpi), buttons 1 left, 2 right, 4 middle, shift states 1 Shift,
/// 2 Ctrl, 4 Alt, key codes 33 to 40 for Page Up, Page Down, End, Home and the arrows.
class ZivSlider : public QWidget
{
    Q_OBJECT
public:
    /// Colours are OLE colours: 0x00BBGGRR, or 0x800000nn for system colour nn.
    using OleColor = uint32_t;
    static constexpr OleColor kDefaultBackColor = 15916757; // RGB(213, 222, 242)
    static constexpr OleColor kDefaultForeColor = 0x80000012;

    explicit ZivSlider(QWidget *parent = nullptr);

    OleColor BackColor() const { return m_backColor; }
    void setBackColor(OleColor New_BackColor);
    OleColor ForeColor() const { return m_foreColor; }
    void setForeColor(OleColor New_ForeColor);
    int16_t BackStyle() const { return m_backStyle; }
    void setBackStyle(int16_t New_BackStyle);
    int16_t BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int16_t New_BorderStyle);
    // Enabled and Font are QWidget's own; changing them notifies "Enabled" / "Font".

    /// Repaints at once.
    void Refresh();

    int32_t Value() const { return m_value; }
    void setValue(int32_t New_Value);
    int32_t Min() const { return m_min; }
    void setMin(int32_t New_Min);
    int32_t SmallChange() const { return m_smallChange; }
    void setSmallChange(int32_t New_SmallChange);
    int32_t LargeChange() const { return m_largeChange; }
    void setLargeChange(int32_t New_LargeChange);
    bool ShowTicks() const { return m_showTicks; }
    void setShowTicks(bool New_ShowTicks);
    int32_t Max() const { return m_max; }
    void setMax(int32_t New_Max);
    int32_t TickNumber() const { return m_tickNumber; }
    void setTickNumber(int32_t New_TickNumber);
    int32_t SelStart() const { return m_selStart; }
    void setSelStart(int32_t New_SelStart);
    int32_t SelLength() const { return m_selLength; }
    void setSelLength(int32_t New_SelLength);

    /// Restores the stored properties; a missing key takes its default. False (and the
    /// control keeps what it had read so far) when a stored value has the wrong type.
    bool loadProperties(const PropertyBag &bag);
    /// The properties in key order, leaving out those at their default ("BackColor" always).
    PropertyBag saveProperties() const;

    /// The colour an OLE colour stands for, system colours from the widget's palette.
    QColor toColor(OleColor color) const;

    /// Half the thumb's width, twips: where the value scale begins.
    int32_t halfThumb() const { return m_geometry.halfThumb; }
    /// The length of the value scale, twips: the width less the thumb's.
    int32_t trackWidth() const { return m_geometry.trackWidth; }
    /// The thumb's left edge as last painted, twips.
    int32_t thumbLeft() const { return m_thumbLeft; }
    /// Twips per device-independent pixel on this control's screen.
    double twipsPerPixel() const;

    /// The keys pressed since the last KeyUp moved Value. Read in a KeyUp handler, it tells a
    /// key that moved the thumb from one that only passed through (Shift, a letter, Home).
    bool keysMovedValue() const { return m_keysMoved; }

    /// Marks the part of the scale a zoomed view elsewhere shows, in values (fractions
    /// allowed); none takes the mark away. Not a stored property.
    void setVisibleRange(std::optional<std::pair<double, double>> range);
    std::optional<std::pair<double, double>> visibleRange() const { return m_visibleRange; }
    /// Parts of the file in value units [first, second), drawn in the groove beside the
    /// selection; `selected` (an index, or -1) is outlined.
    void setParts(std::vector<std::pair<double, double>> parts, int selected);

    QSize sizeHint() const override;

signals:
    void propertyChanged(const QString &name);

    void Resize();
    void Click();
    void DblClick();
    void KeyDown(int16_t KeyCode, int16_t Shift);
    void KeyPress(int16_t KeyAscii);
    void KeyUp(int16_t KeyCode, int16_t Shift);
    void MouseDown(int16_t Button, int16_t Shift, float x, float y);
    void MouseMove(int16_t Button, int16_t Shift, float x, float y);
    void MouseUp(int16_t Button, int16_t Shift, float x, float y);
    void Paint();

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

    /// Paints the whole control at once (when it is visible).
    void paintNow();

private:
    // The handlers in the units of the events they raise.
    void onMouseDown(int16_t button, int16_t shift, float x, float y);
    void onMouseMove(int16_t button, int16_t shift, float x, float y);
    void onMouseUp(int16_t button, int16_t shift, float x, float y);
    void onClick();
    void onKeyDown(int16_t keyCode, int16_t shift);

    void applyHeightAndGeometry();
    QPointF toTwips(const QPointF &pixels) const;
    const SliderBitmaps &bitmapsFor(double devicePixelRatio);

    OleColor m_backColor = kDefaultBackColor;
    OleColor m_foreColor = kDefaultForeColor;
    int16_t m_backStyle = 1;
    int16_t m_borderStyle = 0;

    int32_t m_value = 0;
    int32_t m_min = 0;
    int32_t m_smallChange = 1;
    int32_t m_largeChange = 10;
    bool m_showTicks = true;
    int32_t m_max = 1000;
    int32_t m_tickNumber = 10;
    int32_t m_selStart = 0;
    int32_t m_selLength = 0;

    slider::Geometry m_geometry;
    int32_t m_thumbLeft = 0;
    bool m_mouseDown = false;
    bool m_leftPressed = false; // a left press began on the control; its release may click
    int32_t m_lastClickX = 0;
    bool m_keysMoved = false;
    std::optional<std::pair<double, double>> m_visibleRange;
    std::vector<std::pair<double, double>> m_parts;
    int m_selectedPart = -1;
    SliderBitmaps m_bitmaps;
};
