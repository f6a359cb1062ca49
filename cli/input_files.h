#pragma once

#include "count_inputs.h"

#include <QStringList>

#include <optional>

namespace velmora {

struct CountCommand;

/// The files to count, in order: the FILE arguments, each folder replaced by its files when
/// the command walks folders (otherwise a folder stays, and fails as any unreadable file).
/// Each file or folder the walk cannot reach is told to `complain`.
QStringList inputFiles(const CountCommand& command, const Complaint& complain);

/// The size of all `inputs` together, when each of them is a regular file ("-" standing for
/// standard input).
std::optional<qint64> knownTotalBytes(const QStringList& inputs);

} // namespace velmora
