#pragma once

#include <QPaintDevice>
#include <QSize>

// Window and column sizes are given for a screen of 96 dots per inch and grow
// with the screen's.
inline int ScaledPx(const QPaintDevice& device, int nPixels)
{
    return nPixels * device.logicalDpiY() / 96;
}

inline QSize ScaledSize(const QPaintDevice& device, QSize size)
{
    return {ScaledPx(device, size.width()), ScaledPx(device, size.height())};
}
