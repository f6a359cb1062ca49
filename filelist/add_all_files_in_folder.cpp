#include "add_all_files_in_folder.h"

#include "common/application_title.h"
#include "entry_batch.h"
#include "pick_folder.h"
#include "platform/platform.h"

namespace velmora {

FolderOperationResult addAllFilesInFolder(FileListModel& list, FolderWalkGuard& guard,
                                          const Platform& platform)
{
    const FolderWalkScope walking(guard);
    if (!walking.entered())
        return FolderOperationResult::RefusedWhileWalking;

    const QString extension = platform.input.ask(
        QStringLiteral("Enter file extension to load:\r\r(* for all files, txt for all txt "
                       "files, doc for all doc files, etc.)"),
        applicationTitle(), QStringLiteral("txt"));
    if (extension.isEmpty())
        return FolderOperationResult::Finished;
    const QString folder
        = PickFolder(platform.folderPicker, QStringLiteral("Please select folder:"));
    if (folder.isEmpty())
        return FolderOperationResult::Finished;

    platform.pointer.setPointer(MousePointer::Busy);
    {
        EntryBatch batch(list, platform.events, guard);
        appendFolderTreeFiles(folder, FileNamePattern(QStringLiteral("*.") + extension),
                              DoubledSeparators::Reduce, batch);
    }
    platform.pointer.setPointer(MousePointer::Default);
    return FolderOperationResult::Finished;
}

} // namespace velmora
