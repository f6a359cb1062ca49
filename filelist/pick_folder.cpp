#include "pick_folder.h"

#include "platform/folder_picker.h"

namespace velmora {

QString PickFolder(FolderPicker& picker, const QString& prompt)
{
    return picker.pickFolder(prompt);
}

} // namespace velmora
