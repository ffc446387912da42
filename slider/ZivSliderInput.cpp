// Mouse and keyboard: a press anywhere starts a drag, moves put the thumb under the pointer,
// a left release inside the control is a click, and the page and arrow keys step the value.
// Qt grabs the pointer for the widget while a button is held, so a drag continues outside.
#include "ZivSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>

using namespace slider;

namespace {

int16_t buttonCode(Qt::MouseButtons buttons)
{
    int16_t code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

int16_t shiftState(Qt::KeyboardModifiers modifiers)
{
    int16_t state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= 1;
    if (modifiers & Qt::ControlModifier)
        state |= 2;
    if (modifiers & Qt::AltModifier)
        state |= 4;
    return state;
}

// The key codes the events carry: the common desktop virtual-key numbers, 0 for keys without
// one. Letters, digits and the space bar have the same numbers in Qt.
int16_t keyCode(const QKeyEvent &event)
{
    const int key = event.key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return int16_t((event.modifiers() & Qt::KeypadModifier) ? key - Qt::Key_0 + 96 : key);
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || key == Qt::Key_Space)
        return int16_t(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return int16_t(key - Qt::Key_F1 + 112);
    switch (key) {
    case Qt::Key_PageUp:
        return KeyPageUp;
    case Qt::Key_PageDown:
        return KeyPageDown;
    case Qt::Key_End:
        return KeyEnd;
    case Qt::Key_Home:
        return KeyHome;
    case Qt::Key_Left:
        return KeyLeft;
    case Qt::Key_Up:
        return KeyUp;
    case Qt::Key_Right:
        return KeyRight;
    case Qt::Key_Down:
        return KeyDown;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}

} // namespace

QPointF ZivSlider::toTwips(const QPointF &pixels) const
{
    return pixels * twipsPerPixel();
}

void ZivSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
    const QPointF at = toTwips(event->position());
    onMouseDown(buttonCode(event->button()), shiftState(event->modifiers()), float(at.x()),
                float(at.y()));
}

void ZivSlider::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click comes only as this event. It is a press like the
    // first, so that its drag and the click of its release work the same.
    mousePressEvent(event);
    emit DblClick();
}

void ZivSlider::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = toTwips(event->position());
    onMouseMove(buttonCode(event->buttons()), shiftState(event->modifiers()), float(at.x()),
                float(at.y()));
}

void ZivSlider::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF pixels = event->position();
    const bool left = event->button() == Qt::LeftButton;
    const bool clicked =
        left && m_leftPressed &&
        rect().contains(QPoint(int(std::floor(pixels.x())), int(std::floor(pixels.y()))));
    if (left)
        m_leftPressed = false;
    const QPointF at = toTwips(pixels);
    onMouseUp(buttonCode(event->button()), shiftState(event->modifiers()), float(at.x()),
              float(at.y()));
    if (clicked)
        onClick();
}

void ZivSlider::keyPressEvent(QKeyEvent *event)
{
    const int32_t before = m_value;
    onKeyDown(keyCode(*event), shiftState(event->modifiers()));
    if (m_value != before)
        m_keysMoved = true;
    if (!event->text().isEmpty())
        emit KeyPress(int16_t(event->text().at(0).unicode()));
}

void ZivSlider::keyReleaseEvent(QKeyEvent *event)
{
    // A held key repeats its key down; the host hears one key up, when it is let go.
    if (event->isAutoRepeat())
        return;
    emit KeyUp(keyCode(*event), shiftState(event->modifiers()));
    m_keysMoved = false;
}

void ZivSlider::onMouseDown(int16_t button, int16_t shift, float x, float y)
{
    // No hit test on the thumb: the first move puts it under the pointer.
    m_mouseDown = true;
    emit MouseDown(button, shift, x, y);
}

void ZivSlider::onMouseMove(int16_t button, int16_t shift, float x, float y)
{
    if (button == 2)
        return; // the right button alone never drags
    if (m_mouseDown) {
        setValue(valueForDrag(x, m_min, m_max, m_geometry));
        paintNow();
    }
    emit MouseMove(button, shift, x, y);
}

void ZivSlider::onMouseUp(int16_t button, int16_t shift, float x, float y)
{
    m_mouseDown = false;
    if (button == 1)
        m_lastClickX = roundHalfEven(x);
    emit MouseUp(button, shift, x, y);
}

void ZivSlider::onClick()
{
    setValue(valueForClick(m_lastClickX, m_min, m_max, m_geometry));
    paintNow();
    emit Click();
}

void ZivSlider::onKeyDown(int16_t code, int16_t shift)
{
    if (const auto next = valueAfterKey(code, m_value, m_min, m_max, m_smallChange, m_largeChange))
        setValue(*next);
    paintNow();
    emit KeyDown(code, shift);
}
