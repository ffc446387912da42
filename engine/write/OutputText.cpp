#include "engine/write/OutputText.h"

#include <QLocale>

namespace engine {

QString rateText(int hz)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(hz) + QStringLiteral(" Hz");
}

QString channelsText(int channels)
{
    return channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo");
}

} // namespace engine
