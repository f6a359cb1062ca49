#pragma once

#include <QString>

namespace velmora {

class DesktopShell;
class FileListModel;
class MessageBoxes;

/// Appends the sample's path (whether or not the file is there, and again if it is listed
/// already) and offers to open it in the desktop's default viewer.
void LoadSampleFile(const QString& samplePath, FileListModel& fileList, MessageBoxes& messages,
                    DesktopShell& shell);

} // namespace velmora
