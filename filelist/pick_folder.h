#pragma once

#include <QString>

namespace velmora {

class FolderPicker;

/// The folder the user chose, without a trailing separator except for a root, or the empty
/// text when the user cancelled.
QString PickFolder(FolderPicker& picker, const QString& prompt);

} // namespace velmora
