#include "dropped_paths.h"

#include "entry_batch.h"
#include "folder_tree.h"

#include <QFileInfo>

namespace velmora {

namespace {

// The folder add's own listing leaves hidden entries out, and so does this test: a hidden
// folder dropped on the list stays one entry, as it always has.
bool isVisibleFolder(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isHidden();
}

} // namespace

FolderOperationResult addDroppedPaths(const QStringList& paths, FileListModel& list,
                                      FolderWalkGuard& guard, EventPump& events)
{
    const FolderWalkScope walking(guard);
    if (!walking.entered())
        return FolderOperationResult::RefusedWhileWalking;

    const FileNamePattern everyFile(QStringLiteral("*.*"));
    EntryBatch batch(list, events, guard);
    for (const QString& path : paths) {
        if (!isVisibleFolder(path)) {
            batch.append(path);
            continue;
        }
        if (appendFolderTreeFiles(path, everyFile, DoubledSeparators::Keep, batch)
            == WalkStep::Stop)
            break;
    }
    return FolderOperationResult::Finished;
}

} // namespace velmora
