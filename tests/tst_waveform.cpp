// The waveform strip: a frame at the slider's x for it, zoom around the pointer, and in the
// window a click and a dropped mark that do what the slider and "Set End " do.
#include "WaveformStrip.h"
#include "WindowHarness.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

constexpr int32_t kRate = 44100;

void wheel(QWidget *widget, double x, int notchesY, int notchesX = 0,
           Qt::KeyboardModifiers modifiers = {})
{
    const QPointF at(x, widget->height() / 2.0);
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(notchesX * 120, notchesY * 120),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

void mouse(QWidget *widget, QEvent::Type type, int x, Qt::MouseButtons buttons)
{
    const QPointF at(x + 0.5, widget->height() / 2.0);
    QMouseEvent event(type, at, widget->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, {});
    QApplication::sendEvent(widget, &event);
}

} // namespace

class FormMainTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void frameStandsAtTheSlidersX_data();
    void frameStandsAtTheSlidersX();
    void wheelKeepsTheFrameUnderThePointer_data();
    void wheelKeepsTheFrameUnderThePointer();
    void scrollAndWholeFile();
    void clickAndDroppedEndMatchTheButtons_data();
    void clickAndDroppedEndMatchTheButtons();

private:
    QString ini() const
    {
        return m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) +
                              QStringLiteral(".ini"));
    }
    QTemporaryDir m_dir;
};

void FormMainTest::frameStandsAtTheSlidersX_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<qint64>("length");
    QTest::newRow("narrow, odd length") << 431 << 1234567LL;
    QTest::newRow("wide, an hour") << 1517 << 158760000LL;
    QTest::newRow("shorter than the track") << 800 << 300LL;
}

void FormMainTest::frameStandsAtTheSlidersX()
{
    QFETCH(int, width);
    QFETCH(qint64, length);
    ZivSlider slider;
    WaveformStrip strip;
    slider.resize(width, slider.height());
    strip.resize(width, strip.height());
    slider.show();
    strip.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    QVERIFY(QTest::qWaitForWindowExposed(&strip));
    strip.setLength(length, kRate);
    QCOMPARE(strip.geometry().halfThumb, slider.halfThumb());
    QCOMPARE(strip.geometry().trackWidth, slider.trackWidth());
    slider::Geometry geometry{slider.halfThumb(), slider.trackWidth()};
    for (int value = 0; value <= 1000; ++value) {
        const int column =
            slider::lineColumn(*slider::xOfValue(value, 1000, geometry), slider.twipsPerPixel());
        QCOMPARE(strip.columnOfFrame(value / 1000.0 * double(length)), column);
    }
}

void FormMainTest::wheelKeepsTheFrameUnderThePointer_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<QList<int>>("notches"); // + zooms in
    QTest::newRow("one in, middle") << 300.5 << QList<int>{1};
    QTest::newRow("in and out, left part") << 57.25 << QList<int>{3, -1, 2};
    QTest::newRow("to single samples") << 421.0 << QList<int>{60};
    QTest::newRow("far right") << 590.75 << QList<int>{5, 5};
}

void FormMainTest::wheelKeepsTheFrameUnderThePointer()
{
    QFETCH(double, x);
    QFETCH(QList<int>, notches);
    WaveformStrip strip;
    strip.resize(640, strip.height());
    const int64_t length = 600LL * kRate;
    strip.setLength(length, kRate);
    const double perPixel = strip.twipsPerPixel();
    const double before = waveform::frameAtX(x * perPixel, strip.view(), strip.geometry());
    for (int n : notches)
        wheel(&strip, x, n);
    const double after = waveform::frameAtX(x * perPixel, strip.view(), strip.geometry());
    QVERIFY(strip.zoomed());
    QVERIFY2(std::abs(after - before) < 1e-6 * double(length),
             qPrintable(QStringLiteral("%1 became %2").arg(before).arg(after)));
    // At the closest, a frame is several pixels wide.
    const double pixels = strip.geometry().trackWidth / perPixel;
    QVERIFY(strip.view().span() >= pixels / WaveformStrip::kMostPixelsPerFrame - 1e-6);
}

void FormMainTest::scrollAndWholeFile()
{
    WaveformStrip strip;
    strip.resize(640, strip.height());
    strip.setLength(600LL * kRate, kRate);
    QSignalSpy views(&strip, &WaveformStrip::viewChanged);
    wheel(&strip, 320, 4);
    const waveform::View zoomed = strip.view();
    // Shift+wheel and a horizontal wheel scroll by a tenth of the view, the width kept.
    wheel(&strip, 320, -1, 0, Qt::ShiftModifier);
    QCOMPARE(strip.view().span(), zoomed.span());
    QVERIFY(std::abs(strip.view().begin - (zoomed.begin + zoomed.span() / 10)) < 1e-6);
    wheel(&strip, 100, 0, 2);
    QVERIFY(std::abs(strip.view().begin - (zoomed.begin - zoomed.span() / 10)) < 1e-6);
    const QPointF at(200, 10);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, strip.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, {});
    QApplication::sendEvent(&strip, &twice);
    QVERIFY(!strip.zoomed());
    QCOMPARE(strip.view().end, 600.0 * kRate);
    QCOMPARE(views.size(), 4);
}

void FormMainTest::clickAndDroppedEndMatchTheButtons_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("zoomNotches");
    QTest::addColumn<int>("x");
    QTest::newRow("whole file") << 180.0 << 0 << 400;
    QTest::newRow("zoomed in") << 180.0 << 12 << 333;
    QTest::newRow("short file") << 2.5 << 0 << 250;
}

void FormMainTest::clickAndDroppedEndMatchTheButtons()
{
    QFETCH(double, seconds);
    QFETCH(int, zoomNotches);
    QFETCH(int, x);
    // Two windows on the same file: a mark dropped in one, a click and "Set End " in the other.
    auto open = [&](WindowHarness &h) {
        h.window->resize(700, h.window->height());
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        for (fakes::FakeAudioFile *file : h.factory.files)
            file->frames = int32_t(seconds * kRate);
        h.dialogs.openAnswers << QStringLiteral("/music/song.mp3");
        h.button("CmdOpen")->click();
    };
    WindowHarness dropping(ini());
    open(dropping);
    WindowHarness clicking(ini() + QStringLiteral("2"));
    open(clicking);
    auto *strip = dropping.window->findChild<WaveformStrip *>(QStringLiteral("Waveform"));
    auto *other = clicking.window->findChild<WaveformStrip *>(QStringLiteral("Waveform"));
    QVERIFY(strip && other);
    QCOMPARE(strip->accessibleName(), QStringLiteral("Waveform"));
    QCOMPARE(strip->width(), dropping.slider()->width());
    QCOMPARE(strip->length(), int64_t(seconds * kRate));
    if (zoomNotches) {
        wheel(strip, x, zoomNotches);
        wheel(other, x, zoomNotches);
        QCOMPARE(other->view().begin, strip->view().begin);
        // Zoomed past the marks: End is first brought into view by "Set End " at the view's
        // first frame.
        dropping.window->cutter().markEnd(strip->view().begin);
    }

    // End hangs to the right of its line (with Begin on the same column at first).
    const int end = strip->columnOfFrame(dropping.window->cutter().state().selEndSample);
    mouse(strip, QEvent::MouseButtonPress, end + 1, Qt::LeftButton);
    mouse(strip, QEvent::MouseMove, (end + x) / 2, Qt::LeftButton);
    mouse(strip, QEvent::MouseMove, x, Qt::LeftButton);
    mouse(strip, QEvent::MouseButtonRelease, x, Qt::NoButton);
    const double dropped = dropping.window->cutter().state().selEndSample;
    QCOMPARE(dropped, double(strip->frameAtPixel(x + 0.5)));
    QVERIFY(dropped > 0);

    FormMain &w = *clicking.window;
    mouse(other, QEvent::MouseButtonPress, x, Qt::LeftButton);
    mouse(other, QEvent::MouseButtonRelease, x, Qt::NoButton);
    QCOMPARE(double(w.cutter().state().playOrigin), dropped);
    QCOMPARE(clicking.slider()->Value(),
             int(std::lround(dropped / w.cutter().state().totalSamples * 1000)));
    clicking.button("CmdSelStop")->click();
    QCOMPARE(w.cutter().state().selEndSample, dropped);
    QCOMPARE(clicking.panel(3), dropping.panel(3));
    QCOMPARE(clicking.slider()->SelLength(), dropping.slider()->SelLength());
    QCOMPARE(clicking.button("CmdCut")->isEnabled(), dropping.button("CmdCut")->isEnabled());
}

QTEST_MAIN(FormMainTest)
#include "tst_waveform.moc"
