#pragma once

#include <QSize>

namespace velmora {

/// What the window needs to know of the screen it starts on.
class ScreenInfo
{
public:
    virtual ~ScreenInfo() = default;
    /// The whole screen, not only its work area, in device-independent pixels.
    virtual QSize screenSize() const = 0;
    /// Dots per inch of the screen's logical coordinate system (96 on a standard screen).
    virtual double logicalDpi() const = 0;
};

} // namespace velmora
