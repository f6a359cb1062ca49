#pragma once

#include "count_inputs.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace velmora {

struct CountCommand;

/// Whether a file to count was named on the command line or found by walking a folder: only
/// walked files are passed over when they look binary.
enum class InputOrigin { Named, Walked };

struct InputFiles
{
    QStringList paths;
    /// One for each of `paths`.
    QList<InputOrigin> origins;
    /// The --ext values that took no file in any walked folder, as given.
    QStringList unmatchedExtensions;
};

/// The files to count, in order: the FILE arguments, each folder replaced by its files when
/// the command walks folders (otherwise a folder stays, and fails as any unreadable file).
/// Each file or folder the walk cannot reach is told to `complain`.
InputFiles inputFiles(const CountCommand& command, const Complaint& complain);

/// The size of all `inputs` together, when each of them is a regular file ("-" standing for
/// standard input).
std::optional<qint64> knownTotalBytes(const QStringList& inputs);

} // namespace velmora
