#pragma once

#include <QCursor>
#include <QString>

#include <optional>

namespace velmora {

/// Reads a Windows cursor file (.cur): its first image and that image's hot spot.
std::optional<QCursor> loadCursorFile(const QString& path);

} // namespace velmora
