#include "TimeText.h"

#include "TextNumbers.h"

#include <charconv>
#include <cmath>

namespace {

QString twoDigits(int64_t value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString TimeText(double seconds)
{
    if (!(seconds > 0))
        return QStringLiteral("00:00:00");
    if (seconds < 60)
        return QStringLiteral("00:00:") + twoDigits(int64_t(settings::roundHalfEven(seconds)));
    int64_t minutes = int64_t(std::trunc(seconds / 60));
    const int64_t secs = int64_t(settings::roundHalfEven(seconds)) % 60;
    int64_t hours = 0;
    if (minutes >= 60) {
        hours = minutes / 60;
        minutes %= 60;
    }
    return twoDigits(hours) + u':' + twoDigits(minutes) + u':' + twoDigits(secs);
}

QString positionText(int64_t milliseconds)
{
    if (milliseconds < 0)
        milliseconds = 0;
    const double seconds = milliseconds / 1000.0;
    const double whole = std::trunc(seconds);
    // The fraction's shortest text in single precision, cut to four characters: "0.25",
    // "0.5", "0.00" (from 0.005), or "0".
    char digits[64] = {};
    const auto end = std::to_chars(digits, digits + sizeof digits - 1, float(seconds - whole),
                                   std::chars_format::fixed);
    QString fraction = QString::fromLatin1(digits, end.ptr - digits).left(4);
    QString suffix;
    if (fraction != QStringLiteral("0")) {
        if (fraction.startsWith(QStringLiteral("0.")))
            fraction.remove(0, 1);
        if (!fraction.startsWith(u'.'))
            fraction.prepend(u'.');
        suffix = fraction;
    }
    return TimeText(whole) + suffix;
}
