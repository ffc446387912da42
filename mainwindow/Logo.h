#pragma once

#include <QPixmap>

/// The product logo: a waveform with a cut marked out of it.
QPixmap productLogo(int size);
/// The About box's decorative strip: a quiet waveform.
QPixmap decorativeWave(int width, int height);
