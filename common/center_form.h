#pragma once

#include <QPointF>
#include <QSizeF>

namespace velmora {

/// Where a window's outer frame goes to be centred on the whole screen (not its work area).
/// Sizes and the result share one unit; a window larger than the screen gets a negative
/// position.
inline QPointF CenterForm(QSizeF windowOuterSize, QSizeF screenSize)
{
    return { (screenSize.width() - windowOuterSize.width()) / 2.0,
             (screenSize.height() - windowOuterSize.height()) / 2.0 };
}

} // namespace velmora
