#pragma once

#include <QString>

namespace velmora {

/// Replaces every doubled separator by one, scanning once from the left without overlap, so a
/// run of three separators leaves two; a leading pair is reduced too.
QString reduceDoubledSeparators(const QString& path);

/// "False" when the file system can tell what `path` is (a file or a folder, whatever its
/// attributes), "True" for anything it cannot: empty text, a missing path, an unreachable one.
QString PathHasBadCharacters(const QString& path);

} // namespace velmora
