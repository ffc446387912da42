#include "OutputChoice.h"

namespace engine {

namespace {
Status notYet()
{
    return Status::failure(QStringLiteral("Writing audio files is not available in this build."));
}
} // namespace

Status OutputChoice::setDefaultOutputFormat(int32_t, int32_t, int32_t)
{
    return notYet();
}
Status OutputChoice::selectMp3(const Mp3Settings &)
{
    return notYet();
}
Status OutputChoice::selectWav(int32_t, int16_t, int32_t)
{
    return notYet();
}
Result<bool> OutputChoice::checkOgg(int32_t, int32_t, int32_t, int32_t, int32_t) const
{
    return notYet();
}
Status OutputChoice::selectOgg(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t)
{
    return notYet();
}
Status OutputChoice::selectWmaProfile(int32_t)
{
    return notYet();
}
QString OutputChoice::description() const
{
    return QString();
}
Result<std::unique_ptr<AudioWriter>> OutputChoice::createWriter(const QString &) const
{
    return notYet();
}

} // namespace engine
