// The slider under real mouse and key events: what each raises, in which order and with which
// arguments, and where the value goes. 539 pixels at 96 dpi make 8085 twips: halfThumb 82,
// trackWidth 7920.
#include "ZivSlider.h"

// Mouse events go through the window as a platform's do, so that Qt's pointer grab and its
// double-click detection are part of the test.
#define QTEST_QPA_MOUSE_HANDLING
#include <QtTest>

namespace {

// Every event and paint of the slider, as text, in the order raised.
class EventLog
{
public:
    explicit EventLog(ZivSlider &slider)
    {
        const auto mouse = [this](const char *name) {
            return [this, name](int16_t button, int16_t shift, float x, float y) {
                lines << QStringLiteral("%1 %2 %3 %4 %5")
                             .arg(QLatin1String(name))
                             .arg(button)
                             .arg(shift)
                             .arg(double(x))
                             .arg(double(y));
            };
        };
        const auto plain = [this](const char *name) {
            return [this, name]() { lines << QLatin1String(name); };
        };
        const auto key = [this](const char *name) {
            return [this, name](int16_t code, int16_t shift) {
                lines << QStringLiteral("%1 %2 %3").arg(QLatin1String(name)).arg(code).arg(shift);
            };
        };
        QObject::connect(&slider, &ZivSlider::MouseDown, &slider, mouse("MouseDown"));
        QObject::connect(&slider, &ZivSlider::MouseMove, &slider, mouse("MouseMove"));
        QObject::connect(&slider, &ZivSlider::MouseUp, &slider, mouse("MouseUp"));
        QObject::connect(&slider, &ZivSlider::Click, &slider, plain("Click"));
        QObject::connect(&slider, &ZivSlider::DblClick, &slider, plain("DblClick"));
        QObject::connect(&slider, &ZivSlider::Paint, &slider, plain("Paint"));
        QObject::connect(&slider, &ZivSlider::KeyDown, &slider, key("KeyDown"));
        QObject::connect(&slider, &ZivSlider::KeyUp, &slider, key("KeyUp"));
        QObject::connect(&slider, &ZivSlider::KeyPress, &slider, [this](int16_t ascii) {
            lines << QStringLiteral("KeyPress %1").arg(ascii);
        });
    }
    void clear() { lines.clear(); }
    // Moves with no button held come and go with the pointer's way to a press; left out.
    QStringList withPaints() const
    {
        QStringList kept = lines;
        kept.removeIf([](const QString &line) { return line.startsWith(u"MouseMove 0 "); });
        return kept;
    }
    QStringList events() const
    {
        QStringList kept = withPaints();
        kept.removeAll(QStringLiteral("Paint"));
        return kept;
    }

    QStringList lines;
};

QStringList split(const char *text)
{
    return QString::fromLatin1(text).split(QLatin1Char('|'));
}

} // namespace

class SliderInputTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dragThenRelease();
    void modifiersAreShiftStates();
    void rightButtonAloneDoesNotDrag();
    void bothButtonsDrag();
    void dragBeyondTheEndsPinsAndReleaseOutsideIsNoClick();
    void doubleClick();
    void raisedMin();
    void noScale();
    void keys_data();
    void keys();
    void characterKeyAndRepeat();

private:
    std::unique_ptr<QWidget> m_host;
    ZivSlider *m_slider = nullptr;
};

void SliderInputTest::init()
{
    // Room around the slider, so that a drag can leave it.
    m_host = std::make_unique<QWidget>();
    m_host->resize(700, 100);
    m_slider = new ZivSlider(m_host.get());
    m_slider->setGeometry(50, 30, 539, 34);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    QCOMPARE(m_slider->twipsPerPixel(), 15.0);
    QCOMPARE(m_slider->trackWidth(), 7920);
    m_slider->setValue(250);
}

void SliderInputTest::cleanup()
{
    m_host.reset();
}

void SliderInputTest::dragThenRelease()
{
    EventLog log(*m_slider);
    QTest::mousePress(m_slider, Qt::LeftButton, {}, QPoint(100, 10));
    // A press alone leaves the thumb where it was.
    QCOMPARE(m_slider->Value(), 250);
    QTest::mouseMove(m_slider, QPoint(200, 12));
    // (3000 − 82) × 1000 / 7920 = 368.4
    QCOMPARE(m_slider->Value(), 368);
    // The pointer moves to where it is let go: a last drag step, then the click there.
    QTest::mouseRelease(m_slider, Qt::LeftButton, {}, QPoint(300, 12));
    // (4500 − 82) × 1000 / 7920 = 557.8
    QCOMPARE(m_slider->Value(), 558);
    QCOMPARE(log.withPaints(), split("MouseDown 1 0 1500 150|Paint|Paint|MouseMove 1 0 3000 180|"
                                     "Paint|Paint|MouseMove 1 0 4500 180|MouseUp 1 0 4500 180|"
                                     "Paint|Paint|Click"));
    QCOMPARE(m_slider->thumbLeft(), 4419); // 558 / 1000 × 7920, rounded
}

void SliderInputTest::modifiersAreShiftStates()
{
    EventLog log(*m_slider);
    QTest::mousePress(m_slider, Qt::MiddleButton,
                      Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, QPoint(1, 2));
    QTest::mouseRelease(m_slider, Qt::MiddleButton, Qt::ShiftModifier, QPoint(1, 2));
    QCOMPARE(log.events(), split("MouseDown 4 7 15 30|MouseUp 4 1 15 30"));
    QCOMPARE(m_slider->Value(), 250);
}

void SliderInputTest::rightButtonAloneDoesNotDrag()
{
    EventLog log(*m_slider);
    QTest::mousePress(m_slider, Qt::RightButton, {}, QPoint(100, 10));
    QTest::mouseMove(m_slider, QPoint(400, 10));
    QTest::mouseRelease(m_slider, Qt::RightButton, {}, QPoint(400, 10));
    QCOMPARE(m_slider->Value(), 250);
    QCOMPARE(log.events(), split("MouseDown 2 0 1500 150|MouseUp 2 0 6000 150"));
}

void SliderInputTest::bothButtonsDrag()
{
    EventLog log(*m_slider);
    QTest::mousePress(m_slider, Qt::LeftButton, {}, QPoint(100, 10));
    QTest::mousePress(m_slider, Qt::RightButton, {}, QPoint(100, 10));
    QTest::mouseMove(m_slider, QPoint(270, 10));
    QCOMPARE(m_slider->Value(), 501); // (4050 − 82) × 1000 / 7920 = 501.0
    QVERIFY(log.events().contains(QStringLiteral("MouseMove 3 0 4050 150")));
    // Any button coming up ends the drag.
    QTest::mouseRelease(m_slider, Qt::RightButton, {}, QPoint(270, 10));
    QTest::mouseMove(m_slider, QPoint(400, 10));
    QCOMPARE(m_slider->Value(), 501);
    QTest::mouseRelease(m_slider, Qt::LeftButton, {}, QPoint(400, 10));
}

void SliderInputTest::dragBeyondTheEndsPinsAndReleaseOutsideIsNoClick()
{
    EventLog log(*m_slider);
    QTest::mousePress(m_slider, Qt::LeftButton, {}, QPoint(100, 10));
    QTest::mouseMove(m_slider, QPoint(-40, 60));
    QCOMPARE(m_slider->Value(), 0);
    QTest::mouseMove(m_slider, QPoint(590, -20));
    QCOMPARE(m_slider->Value(), 1000);
    QTest::mouseRelease(m_slider, Qt::LeftButton, {}, QPoint(590, -20));
    QCOMPARE(m_slider->Value(), 1000);
    QCOMPARE(log.events(), split("MouseDown 1 0 1500 150|MouseMove 1 0 -600 900|"
                                 "MouseMove 1 0 8850 -300|MouseUp 1 0 8850 -300"));
}

void SliderInputTest::doubleClick()
{
    EventLog log(*m_slider);
    // What a widget receives for a double click on a desktop: press, release, double click
    // (instead of the second press), release. QTest keeps its clicks apart, so the second
    // click is sent by hand.
    QTest::mouseClick(m_slider, Qt::LeftButton, {}, QPoint(200, 10));
    const QPointF at(270, 10);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, at, m_slider->mapToGlobal(at),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, m_slider->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(m_slider, &doubleClick);
    QApplication::sendEvent(m_slider, &release);
    QCOMPARE(log.events(),
             split("MouseDown 1 0 3000 150|MouseUp 1 0 3000 150|Click|MouseDown 1 0 4050 150|"
                   "DblClick|MouseUp 1 0 4050 150|Click"));
    QCOMPARE(m_slider->Value(), 501);
}

void SliderInputTest::raisedMin()
{
    m_slider->setMin(100);
    m_slider->setValue(500);
    // x = 495 twips: (495 − 82) × 1000 / 7920 = 52, at or below Min.
    QTest::mouseClick(m_slider, Qt::LeftButton, {}, QPoint(33, 10));
    QCOMPARE(m_slider->Value(), 100);
    m_slider->setValue(500);
    QTest::mousePress(m_slider, Qt::LeftButton, {}, QPoint(300, 10));
    QTest::mouseMove(m_slider, QPoint(33, 10));
    QCOMPARE(m_slider->Value(), 100);
    QTest::mouseRelease(m_slider, Qt::LeftButton, {}, QPoint(33, 10));
}

void SliderInputTest::noScale()
{
    // 11 pixels are 165 twips, the thumb's own width: no scale to map onto.
    m_slider->resize(11, 34);
    QTRY_COMPARE(m_slider->trackWidth(), 0);
    QTest::mouseClick(m_slider, Qt::LeftButton, {}, QPoint(8, 10));
    QCOMPARE(m_slider->Value(), 0);
}

void SliderInputTest::keys_data()
{
    QTest::addColumn<int32_t>("value");
    QTest::addColumn<int32_t>("max");
    QTest::addColumn<int>("key");
    QTest::addColumn<int16_t>("code");
    QTest::addColumn<int32_t>("expected");
    const int32_t top = std::numeric_limits<int32_t>::max();

    QTest::newRow("Page Down to Max")
        << 995 << 1000 << int(Qt::Key_PageDown) << int16_t(34) << 1000;
    QTest::newRow("Right to Max") << 999 << 1000 << int(Qt::Key_Right) << int16_t(39) << 1000;
    QTest::newRow("Page Up to Min") << 5 << 1000 << int(Qt::Key_PageUp) << int16_t(33) << 0;
    QTest::newRow("Left to Min") << 1 << 1000 << int(Qt::Key_Left) << int16_t(37) << 0;
    QTest::newRow("Page Up") << 500 << 1000 << int(Qt::Key_PageUp) << int16_t(33) << 490;
    QTest::newRow("Home") << 500 << 1000 << int(Qt::Key_Home) << int16_t(36) << 500;
    QTest::newRow("End") << 500 << 1000 << int(Qt::Key_End) << int16_t(35) << 500;
    QTest::newRow("Up") << 500 << 1000 << int(Qt::Key_Up) << int16_t(38) << 500;
    QTest::newRow("Down") << 500 << 1000 << int(Qt::Key_Down) << int16_t(40) << 500;
    // The sum does not fit 32 bits: pinned at Max, not wrapped round to a negative value.
    QTest::newRow("Page Down at the top of the range")
        << top - 5 << top << int(Qt::Key_PageDown) << int16_t(34) << top;
}

void SliderInputTest::keys()
{
    QFETCH(int32_t, value);
    QFETCH(int32_t, max);
    QFETCH(int, key);
    QFETCH(int16_t, code);
    QFETCH(int32_t, expected);
    m_slider->setMax(max);
    m_slider->setValue(value);
    EventLog log(*m_slider);
    QTest::keyPress(m_slider, Qt::Key(key));
    QCOMPARE(m_slider->Value(), expected);
    // Every key repaints before KeyDown, also the keys that change nothing.
    QCOMPARE(log.lines.last(2),
             (QStringList{QStringLiteral("Paint"), QStringLiteral("KeyDown %1 0").arg(code)}));
    log.clear();
    // QTest lets go of Shift after the key.
    QTest::keyRelease(m_slider, Qt::Key(key), Qt::ShiftModifier);
    QCOMPARE(log.events(),
             (QStringList{QStringLiteral("KeyUp %1 1").arg(code), QStringLiteral("KeyUp 16 0")}));
}

void SliderInputTest::characterKeyAndRepeat()
{
    EventLog log(*m_slider);
    QTest::keyClick(m_slider, Qt::Key_A);
    QCOMPARE(log.events(), split("KeyDown 65 0|KeyPress 97|KeyUp 65 0"));
    log.clear();

    // Holding Right: repeated presses step on, the host hears one key up at the end.
    QKeyEvent first(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
    for (QKeyEvent *event : {&first, &repeatUp, &repeat, &repeatUp, &repeat, &up})
        QApplication::sendEvent(m_slider, event);
    QCOMPARE(m_slider->Value(), 253);
    QCOMPARE(log.events(), split("KeyDown 39 0|KeyDown 39 0|KeyDown 39 0|KeyUp 39 0"));
}

QTEST_MAIN(SliderInputTest)
#include "tst_slider_input.moc"
