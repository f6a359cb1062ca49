#pragma once

#include "folder_walk_guard.h"

#include <QStringList>

namespace velmora {

class EventPump;
class FileListModel;

/// A drop on the file list, given the dropped local paths in drop order. A visible folder is
/// replaced by every file of it and of its visible sub-folders, except names that begin with
/// "~", its separators kept as composed; anything else (a file whatever its name, a hidden
/// folder, a path that is not there) is appended as it came. The whole drop is refused while
/// another folder operation runs.
FolderOperationResult addDroppedPaths(const QStringList& paths, FileListModel& list,
                                      FolderWalkGuard& guard, EventPump& events);

} // namespace velmora
