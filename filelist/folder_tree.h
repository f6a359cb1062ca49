#pragma once

#include "add_folder.h"

#include <functional>

namespace velmora {

/// Whether the paths of a folder's files have every doubled separator reduced to one.
enum class DoubledSeparators { Reduce, Keep };

/// Hands `found` the path of every file of `folder` (no trailing separator, except at a
/// root) and of all its sub-folders that matches `pattern` and whose name does not begin with
/// "~": the folder's own files first, then level by level as CollectSubFolders orders the
/// folders. Each path is the folder, the separator and the name. Each file or folder that
/// cannot be reached is told to `unreachable` once, its path made as the files' are. Yields
/// now and then; says Stop when a yield did.
WalkStep walkFolderTreeFiles(const QString& folder, const FileNamePattern& pattern,
                             DoubledSeparators separators,
                             const std::function<void(const QString&)>& found,
                             const WalkYield& yieldToEvents,
                             const WalkFailureSink& unreachable = {});

} // namespace velmora
