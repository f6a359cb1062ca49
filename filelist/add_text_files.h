#pragma once

namespace velmora {

class FileDialogs;
class FileListModel;
class MessageBoxes;

/// "Add Text File(s)": the open dialog, then one chosen file appended as returned, or several
/// each as folder, separator and name with doubled separators reduced; a composed path the
/// file system cannot find is not added but reported in a box of its own, one per path.
void addTextFiles(FileListModel& list, FileDialogs& dialogs, MessageBoxes& messages);

} // namespace velmora
