#include "TimeText.h"

#include <QtTest>

class TimeTextTest : public QObject
{
    Q_OBJECT

private slots:
    void timeText_data();
    void timeText();
    void positionText_data();
    void positionText();
};

void TimeTextTest::timeText_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << QStringLiteral("00:00:00");
    QTest::newRow("negative") << -5.0 << QStringLiteral("00:00:00");
    QTest::newRow("5") << 5.0 << QStringLiteral("00:00:05");
    QTest::newRow("59") << 59.0 << QStringLiteral("00:00:59");
    QTest::newRow("60") << 60.0 << QStringLiteral("00:01:00");
    QTest::newRow("3 minutes") << 180.0 << QStringLiteral("00:03:00");
    QTest::newRow("hour less a second") << 3599.0 << QStringLiteral("00:59:59");
    QTest::newRow("hour") << 3600.0 << QStringLiteral("01:00:00");
    QTest::newRow("day less a second") << 86399.0 << QStringLiteral("23:59:59");
    QTest::newRow("100 hours") << 360000.0 << QStringLiteral("100:00:00");
}

void TimeTextTest::timeText()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(TimeText(seconds), text);
}

void TimeTextTest::positionText_data()
{
    QTest::addColumn<qint64>("milliseconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("65.25 s") << qint64(65250) << QStringLiteral("00:01:05.25");
    QTest::newRow("65 s") << qint64(65000) << QStringLiteral("00:01:05");
    QTest::newRow("half") << qint64(500) << QStringLiteral("00:00:00.5");
    QTest::newRow("cut, not rounded") << qint64(1256) << QStringLiteral("00:00:01.25");
    QTest::newRow("259 ms") << qint64(2259) << QStringLiteral("00:00:02.25");
    QTest::newRow("50 ms") << qint64(50) << QStringLiteral("00:00:00.05");
    QTest::newRow("5 ms") << qint64(5) << QStringLiteral("00:00:00.00");
    QTest::newRow("100 ms") << qint64(100) << QStringLiteral("00:00:00.1");
    QTest::newRow("long file") << qint64(3600001) << QStringLiteral("01:00:00.00");
    QTest::newRow("long file 990") << qint64(35999990) << QStringLiteral("09:59:59.99");
    QTest::newRow("negative") << qint64(-20) << QStringLiteral("00:00:00");
}

// Whatever the locale, "." is the decimal point.
void TimeTextTest::positionText()
{
    QFETCH(qint64, milliseconds);
    QFETCH(QString, text);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(::positionText(milliseconds), text);
    QLocale::setDefault(QLocale::c());
}

QTEST_GUILESS_MAIN(TimeTextTest)
#include "tst_timetext.moc"
