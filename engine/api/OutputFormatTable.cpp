#include "engine/api/OutputFormatTable.h"

#include <QFileInfo>

namespace engine {

namespace {

constexpr bool numberedByPlace()
{
    for (size_t i = 0; i < kOutputFormats.size(); ++i)
        if (static_cast<size_t>(kOutputFormats[i].format) != i)
            return false;
    return true;
}
static_assert(numberedByPlace(), "a format's number is its place in the table");

} // namespace

const OutputFormatEntry *outputFormatAt(int index)
{
    if (index < 0 || index >= static_cast<int>(kOutputFormats.size()))
        return nullptr;
    return &kOutputFormats[static_cast<size_t>(index)];
}

const OutputFormatEntry *outputFormatOf(const QString &path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("m4r"))
        return &kOutputFormats[static_cast<size_t>(OutputFormat::M4a)];
    for (const OutputFormatEntry &entry : kOutputFormats)
        if (extension == QLatin1String(entry.extension))
            return &entry;
    return nullptr;
}

} // namespace engine
