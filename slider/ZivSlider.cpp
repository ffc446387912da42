#include "ZivSlider.h"

#include <QEvent>
#include <QFont>

namespace {

QFont ambientFont(const QWidget &control)
{
    return control.parentWidget() ? control.parentWidget()->font() : QFont();
}

// The system colours an OLE colour can name, by index, as palette roles.
QColor systemColor(const QPalette &palette, uint32_t index)
{
    switch (index) {
    case 5: // window background
        return palette.color(QPalette::Base);
    case 8: // window text
        return palette.color(QPalette::Text);
    case 15: // button face
        return palette.color(QPalette::Button);
    case 16: // button shadow
        return palette.color(QPalette::Dark);
    case 18: // button text
        return palette.color(QPalette::ButtonText);
    case 20: // button highlight
        return palette.color(QPalette::Light);
    case 13: // highlight
        return palette.color(QPalette::Highlight);
    default:
        return palette.color(QPalette::Window);
    }
}

} // namespace

ZivSlider::ZivSlider(QWidget *parent) : QWidget(parent)
{
    setFont(ambientFont(*this));
    setFocusPolicy(Qt::StrongFocus);
    // Moves without a button held are events too.
    setMouseTracking(true);
    applyHeightAndGeometry();
}

QColor ZivSlider::toColor(OleColor color) const
{
    if (color & 0x80000000u)
        return systemColor(palette(), color & 0xFFu);
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

void ZivSlider::setBackColor(OleColor New_BackColor)
{
    m_backColor = New_BackColor;
    emit propertyChanged(QStringLiteral("BackColor"));
}

void ZivSlider::setForeColor(OleColor New_ForeColor)
{
    m_foreColor = New_ForeColor;
    emit propertyChanged(QStringLiteral("ForeColor"));
}

void ZivSlider::setBackStyle(int16_t New_BackStyle)
{
    m_backStyle = New_BackStyle;
    emit propertyChanged(QStringLiteral("BackStyle"));
}

void ZivSlider::setBorderStyle(int16_t New_BorderStyle)
{
    m_borderStyle = New_BorderStyle;
    emit propertyChanged(QStringLiteral("BorderStyle"));
}

void ZivSlider::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        emit propertyChanged(QStringLiteral("Enabled"));
    else if (event->type() == QEvent::FontChange)
        emit propertyChanged(QStringLiteral("Font"));
    QWidget::changeEvent(event);
}

void ZivSlider::Refresh()
{
    repaint();
}

void ZivSlider::setValue(int32_t New_Value)
{
    // Max first, then Min: when Min > Max the result is Min.
    if (New_Value > m_max)
        New_Value = m_max;
    if (New_Value < m_min)
        New_Value = m_min;
    m_value = New_Value;
    emit propertyChanged(QStringLiteral("Value"));
    paintNow();
}

void ZivSlider::setMin(int32_t New_Min)
{
    m_min = New_Min;
    emit propertyChanged(QStringLiteral("Min"));
}

void ZivSlider::setSmallChange(int32_t New_SmallChange)
{
    m_smallChange = New_SmallChange;
    emit propertyChanged(QStringLiteral("SmallChange"));
}

void ZivSlider::setLargeChange(int32_t New_LargeChange)
{
    m_largeChange = New_LargeChange;
    emit propertyChanged(QStringLiteral("LargeChange"));
}

void ZivSlider::setShowTicks(bool New_ShowTicks)
{
    m_showTicks = New_ShowTicks;
    emit propertyChanged(QStringLiteral("ShowTicks"));
}

void ZivSlider::setMax(int32_t New_Max)
{
    m_max = New_Max;
    emit propertyChanged(QStringLiteral("Max"));
}

void ZivSlider::setTickNumber(int32_t New_TickNumber)
{
    m_tickNumber = New_TickNumber;
    emit propertyChanged(QStringLiteral("TickNumber"));
}

void ZivSlider::setSelStart(int32_t New_SelStart)
{
    m_selStart = New_SelStart;
    emit propertyChanged(QStringLiteral("SelStart"));
    // The marks reach below the track picture; a full paint also clears their old place.
    paintNow();
}

void ZivSlider::setSelLength(int32_t New_SelLength)
{
    m_selLength = New_SelLength;
    emit propertyChanged(QStringLiteral("SelLength"));
    paintNow();
}

void ZivSlider::setParts(std::vector<std::pair<double, double>> parts, int selected)
{
    if (parts == m_parts && selected == m_selectedPart)
        return;
    m_parts = std::move(parts);
    m_selectedPart = selected;
    update();
}

void ZivSlider::setVisibleRange(std::optional<std::pair<double, double>> range)
{
    if (range == m_visibleRange)
        return;
    m_visibleRange = range;
    update();
}

namespace {

template <typename T> bool take(const PropertyBag &bag, const QString &key, T fallback, T &out)
{
    for (const auto &[name, value] : bag) {
        if (name != key)
            continue;
        QVariant converted = value;
        if (!converted.convert(QMetaType::fromType<T>()))
            return false;
        out = converted.value<T>();
        return true;
    }
    out = fallback;
    return true;
}

} // namespace

bool ZivSlider::loadProperties(const PropertyBag &bag)
{
    OleColor back = 0;
    OleColor fore = 0;
    bool enabled = true;
    QFont font;
    int16_t backStyle = 0;
    int16_t borderStyle = 0;
    if (!take(bag, QStringLiteral("BackColor"), kDefaultBackColor, back))
        return false;
    setBackColor(back);
    if (!take(bag, QStringLiteral("ForeColor"), kDefaultForeColor, fore))
        return false;
    setForeColor(fore);
    if (!take(bag, QStringLiteral("Enabled"), true, enabled))
        return false;
    setEnabled(enabled);
    if (!take(bag, QStringLiteral("Font"), ambientFont(*this), font))
        return false;
    setFont(font);
    if (!take(bag, QStringLiteral("BackStyle"), int16_t(1), backStyle))
        return false;
    setBackStyle(backStyle);
    if (!take(bag, QStringLiteral("BorderStyle"), int16_t(0), borderStyle))
        return false;
    setBorderStyle(borderStyle);
    // The model values go straight into the fields: no clamping, no paint, no notification.
    return take(bag, QStringLiteral("Value"), 0, m_value) &&
           take(bag, QStringLiteral("Min"), 0, m_min) &&
           take(bag, QStringLiteral("SmallChange"), 1, m_smallChange) &&
           take(bag, QStringLiteral("LargeChange"), 10, m_largeChange) &&
           take(bag, QStringLiteral("ShowTicks"), true, m_showTicks) &&
           take(bag, QStringLiteral("Max"), 1000, m_max) &&
           take(bag, QStringLiteral("TickNumber"), 10, m_tickNumber) &&
           take(bag, QStringLiteral("SelStart"), 0, m_selStart) &&
           take(bag, QStringLiteral("SelLength"), 0, m_selLength);
}

PropertyBag ZivSlider::saveProperties() const
{
    PropertyBag bag;
    auto put = [&bag](const char *key, const QVariant &value, const QVariant &fallback) {
        if (value != fallback)
            bag.append({QString::fromLatin1(key), value});
    };
    bag.append({QStringLiteral("BackColor"), QVariant::fromValue(m_backColor)});
    put("ForeColor", QVariant::fromValue(m_foreColor), QVariant::fromValue(kDefaultForeColor));
    put("Enabled", isEnabled(), true);
    put("Font", font(), ambientFont(*this));
    put("BackStyle", QVariant::fromValue(m_backStyle), QVariant::fromValue(int16_t(1)));
    put("BorderStyle", QVariant::fromValue(m_borderStyle), QVariant::fromValue(int16_t(0)));
    put("Value", m_value, 0);
    put("Min", m_min, 0);
    put("SmallChange", m_smallChange, 1);
    put("LargeChange", m_largeChange, 10);
    put("ShowTicks", m_showTicks, true);
    put("Max", m_max, 1000);
    put("TickNumber", m_tickNumber, 10);
    put("SelStart", m_selStart, 0);
    put("SelLength", m_selLength, 0);
    return bag;
}
