#pragma once

#include <QString>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace settings {

/// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
inline double roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5)
        return floor + 1;
    if (diff < 0.5)
        return floor;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

/// The value of the number a text starts with: leading blanks skipped, reading stops at the
/// first character that cannot continue a number. No leading number gives 0.
double leadingNumber(const QString &text);

/// `value` rounded half to even into T, or nothing when it falls outside T's range.
template <typename T> std::optional<T> roundedInto(double value)
{
    const double rounded = roundHalfEven(value);
    if (!(rounded >= double(std::numeric_limits<T>::min()) &&
          rounded <= double(std::numeric_limits<T>::max())))
        return std::nullopt;
    return static_cast<T>(rounded);
}

} // namespace settings
