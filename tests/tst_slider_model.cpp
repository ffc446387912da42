// ZivSlider's model: clamping, which setters repaint, that no setter raises an event, and
// the property store.
#include "ZivSlider.h"

#include <QSignalSpy>
#include <QtTest>

class SliderModelTest : public QObject
{
    Q_OBJECT

private slots:
    void valueClamping();
    void rangeChangesDoNotReclamp();
    void settersThatRepaint();
    void settersRaiseNoEvent();
    void notifications();
    void loadEmptyStore();
    void saveLoadRoundTrip();
    void loadRejectsWrongTypes();
};

void SliderModelTest::valueClamping()
{
    ZivSlider slider;
    slider.setValue(1500);
    QCOMPARE(slider.Value(), 1000);
    slider.setValue(-5);
    QCOMPARE(slider.Value(), 0);
    slider.setMin(50);
    slider.setMax(10);
    slider.setValue(30);
    QCOMPARE(slider.Value(), 50);
    slider.setValue(-100);
    QCOMPARE(slider.Value(), 50);
}

void SliderModelTest::rangeChangesDoNotReclamp()
{
    ZivSlider slider;
    slider.setValue(500);
    slider.setMax(100);
    QCOMPARE(slider.Value(), 500);
    slider.setMin(600);
    QCOMPARE(slider.Value(), 500);
    slider.setValue(500);
    QCOMPARE(slider.Value(), 600);
}

void SliderModelTest::settersThatRepaint()
{
    QWidget host;
    auto *slider = new ZivSlider(&host);
    slider->resize(300, 30);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QCoreApplication::processEvents();
    QSignalSpy paints(slider, &ZivSlider::Paint);

    slider->setValue(10);
    QCOMPARE(paints.count(), 1);
    slider->setSelStart(100);
    QCOMPARE(paints.count(), 2);
    slider->setSelLength(50);
    QCOMPARE(paints.count(), 3);
    slider->Refresh();
    QCOMPARE(paints.count(), 4);

    slider->setTickNumber(5);
    slider->setShowTicks(false);
    slider->setMin(1);
    slider->setMax(900);
    slider->setSmallChange(2);
    slider->setLargeChange(20);
    QCOMPARE(paints.count(), 4);
}

void SliderModelTest::settersRaiseNoEvent()
{
    ZivSlider slider;
    QList<QSignalSpy *> spies;
    spies << new QSignalSpy(&slider, &ZivSlider::Click)
          << new QSignalSpy(&slider, &ZivSlider::KeyDown)
          << new QSignalSpy(&slider, &ZivSlider::KeyUp)
          << new QSignalSpy(&slider, &ZivSlider::MouseDown)
          << new QSignalSpy(&slider, &ZivSlider::MouseMove)
          << new QSignalSpy(&slider, &ZivSlider::MouseUp)
          << new QSignalSpy(&slider, &ZivSlider::DblClick)
          << new QSignalSpy(&slider, &ZivSlider::KeyPress);
    slider.setValue(300);
    slider.setSelStart(10);
    slider.setSelLength(20);
    slider.setMax(500);
    slider.setEnabled(false);
    for (QSignalSpy *spy : spies) {
        QCOMPARE(spy->count(), 0);
        delete spy;
    }
}

void SliderModelTest::notifications()
{
    ZivSlider slider;
    QSignalSpy changed(&slider, &ZivSlider::propertyChanged);
    slider.setValue(3);
    slider.setSelStart(1);
    slider.setEnabled(false);
    slider.setBackColor(0x123456);
    QStringList names;
    for (const auto &call : changed)
        names << call.at(0).toString();
    QCOMPARE(names, (QStringList{QStringLiteral("Value"), QStringLiteral("SelStart"),
                                 QStringLiteral("Enabled"), QStringLiteral("BackColor")}));
}

void SliderModelTest::loadEmptyStore()
{
    ZivSlider slider;
    slider.setValue(300);
    slider.setBackColor(0);
    QVERIFY(slider.loadProperties({}));
    QCOMPARE(slider.BackColor(), ZivSlider::OleColor(15916757));
    QCOMPARE(slider.toColor(slider.BackColor()), QColor(213, 222, 242));
    QCOMPARE(slider.ForeColor(), ZivSlider::OleColor(0x80000012));
    QCOMPARE(slider.Max(), 1000);
    QCOMPARE(slider.TickNumber(), 10);
    QCOMPARE(slider.ShowTicks(), true);
    QCOMPARE(slider.Value(), 0);
    QCOMPARE(slider.SmallChange(), 1);
    QCOMPARE(slider.LargeChange(), 10);
    QCOMPARE(slider.BackStyle(), int16_t(1));
    QCOMPARE(slider.BorderStyle(), int16_t(0));
    QVERIFY(slider.isEnabled());
}

void SliderModelTest::saveLoadRoundTrip()
{
    QWidget host;
    auto *slider = new ZivSlider(&host);
    // At the defaults only "BackColor" is written.
    const PropertyBag defaults = slider->saveProperties();
    QCOMPARE(defaults.size(), 1);
    QCOMPARE(defaults.first().first, QStringLiteral("BackColor"));

    slider->setBackColor(0x00F0F0F0);
    slider->setMax(2000);
    slider->setValue(1500);
    slider->setTickNumber(4);
    slider->setShowTicks(false);
    slider->setSelStart(7);
    slider->setSelLength(70);
    slider->setEnabled(false);
    const PropertyBag saved = slider->saveProperties();
    QStringList keys;
    for (const auto &entry : saved)
        keys << entry.first;
    QCOMPARE(keys, (QStringList{QStringLiteral("BackColor"), QStringLiteral("Enabled"),
                                QStringLiteral("Value"), QStringLiteral("ShowTicks"),
                                QStringLiteral("Max"), QStringLiteral("TickNumber"),
                                QStringLiteral("SelStart"), QStringLiteral("SelLength")}));

    auto *copy = new ZivSlider(&host);
    QVERIFY(copy->loadProperties(saved));
    QCOMPARE(copy->saveProperties(), saved);
    QCOMPARE(copy->Value(), 1500);
    QVERIFY(!copy->isEnabled());
}

void SliderModelTest::loadRejectsWrongTypes()
{
    ZivSlider slider;
    QVERIFY(!slider.loadProperties({{QStringLiteral("Max"), QStringLiteral("many")}}));
    QVERIFY(!slider.loadProperties({{QStringLiteral("BackStyle"), QVariantList{}}}));
}

QTEST_MAIN(SliderModelTest)
#include "tst_slider_model.moc"
