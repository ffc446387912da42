#include "SliderBitmaps.h"

#include <QString>

namespace {

QPixmap picture(const char *name, int scale)
{
    const QString suffix = scale == 2 ? QStringLiteral("@2x.xpm") : QStringLiteral(".xpm");
    return QPixmap(QStringLiteral(":/slider/") + QLatin1String(name) + suffix);
}

} // namespace

SliderBitmaps SliderBitmaps::forPixelRatio(double devicePixelRatio)
{
    const int scale = devicePixelRatio > 1.0 ? 2 : 1;
    return SliderBitmaps{picture("track", scale),
                         picture("thumb", scale),
                         picture("thumb-disabled", scale),
                         picture("start-mark", scale),
                         picture("end-mark", scale),
                         picture("band", scale),
                         scale};
}
