#include "engine/lossless/OggPackets.h"

#include <cstring>

namespace engine {

Result<std::optional<int>> lastOggPageSerial(SourceFile &source)
{
    const int64_t from = std::max<int64_t>(0, source.size() - (1 << 16));
    const auto tail = source.view(from, source.size() - from);
    if (!tail)
        return tail.status();
    const uint8_t *d = tail.value();
    for (int64_t at = source.size() - from - 27; at >= 0; --at)
        if (std::memcmp(d + at, "OggS", 4) == 0)
            return std::optional<int>(int(readLittleEndian32(d + at + 14)));
    return std::optional<int>();
}

Status refuseChained(SourceFile &source, int serial)
{
    const auto last = lastOggPageSerial(source);
    if (!last)
        return last.status();
    if (last.value().value_or(serial) != serial)
        return Status::cannotCopy(source.path(), QStringLiteral("a chained Ogg file"));
    return Status::success();
}

} // namespace engine
