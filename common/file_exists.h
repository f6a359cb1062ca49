#pragma once

#include <QString>

namespace velmora {

/// True when the last-modified time of `path` can be read; never fails and shows nothing.
bool FileExists(const QString& path);

} // namespace velmora
