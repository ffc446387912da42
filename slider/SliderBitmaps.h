#pragma once

#include <QPixmap>

/// The six pictures the slider is drawn from, at one pixel density. They are never shown as
/// they are: the paint copies them, in slices or stretched, onto the control.
struct SliderBitmaps
{
    QPixmap PicSdXP;    ///< the track, drawn in three slices
    QPixmap ImageSd;    ///< the thumb while the control is enabled
    QPixmap Imagedis;   ///< the thumb while it is disabled
    QPixmap ImageStart; ///< the selection's start mark
    QPixmap ImageEnd;   ///< the selection's end mark
    QPixmap ImageSel;   ///< the selection band, stretched horizontally
    int scale = 0;      ///< bitmap pixels per 1x pixel; 0 until loaded

    /// The set for a screen of this device pixel ratio: the 2x pictures above 1.
    static SliderBitmaps forPixelRatio(double devicePixelRatio);
};
