#pragma once

#include <QString>

namespace velmora {

/// The caption of the main window and of every informational message box.
inline QString applicationTitle()
{
    return QStringLiteral("Velmora");
}

} // namespace velmora
