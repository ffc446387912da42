#pragma once

#include <QString>

#include <cstdint>

/// Whole seconds as hours, minutes and seconds ("00:03:00"), each field two digits at least.
QString TimeText(double seconds);

/// A position given in whole milliseconds: its whole seconds as TimeText, then the fraction
/// of the second cut (not rounded) to two decimals at most (".25", ".5", ".05", ".00"), or
/// nothing on a whole second. "." whatever the locale.
QString positionText(int64_t milliseconds);
