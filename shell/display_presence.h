#pragma once

#include <QProcessEnvironment>
#include <QStringList>

namespace velmora {

/// Whether Qt will find somewhere to show the window: the platforms chosen with Qt's -platform
/// argument or QT_QPA_PLATFORM (X11's and Wayland's only with their display named, any other
/// always), or with no choice made, an X or Wayland display. `arguments` start with the
/// program's own name.
bool windowCanAppear(const QStringList& arguments, const QProcessEnvironment& environment);

} // namespace velmora
