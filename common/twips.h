#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cmath>

namespace velmora {

/// Window design units: 1440 twips to the inch, so 15 twips make one pixel at 96 dpi.
constexpr double twipsPerInch = 1440.0;

inline int twipsToPixels(double twips, double logicalDpi)
{
    return static_cast<int>(std::lround(twips * logicalDpi / twipsPerInch));
}

inline double pixelsToTwips(double pixels, double logicalDpi)
{
    return pixels * twipsPerInch / logicalDpi;
}

inline QRect twipsToPixels(int left, int top, int width, int height, double logicalDpi)
{
    return { twipsToPixels(left, logicalDpi), twipsToPixels(top, logicalDpi),
             twipsToPixels(width, logicalDpi), twipsToPixels(height, logicalDpi) };
}

} // namespace velmora
