#pragma once

#include <QStringList>

#include <optional>

namespace velmora {

struct CountCommand;

/// The files to count, in order: the FILE arguments, each folder replaced by its files when
/// the command walks folders (otherwise a folder stays, and fails as any unreadable file).
QStringList inputFiles(const CountCommand& command);

/// The size of all `inputs` together, when each of them is a regular file ("-" standing for
/// standard input).
std::optional<qint64> knownTotalBytes(const QStringList& inputs);

} // namespace velmora
