#pragma once

#include "folder_walk_guard.h"

namespace velmora {

class FileListModel;
struct Platform;

/// "Add All Text File(s) In Folder": asks for an extension and a folder, then appends every
/// file "*.<extension>" of the folder and of all its visible sub-folders, skipping names that
/// begin with "~", doubled separators reduced, under the busy pointer and yielding to the
/// window as it goes. Refused, before any question, while another folder operation runs.
FolderOperationResult addAllFilesInFolder(FileListModel& list, FolderWalkGuard& guard,
                                          const Platform& platform);

} // namespace velmora
