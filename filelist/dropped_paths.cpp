#include "dropped_paths.h"

#include "common/long_path.h"
#include "common/path_bytes.h"
#include "entry_batch.h"

#include <sys/stat.h>

namespace velmora {

namespace {

// The folder add's own listing leaves hidden entries out, and so does this test: a hidden
// folder dropped on the list stays one entry, as it always has.
bool isVisibleFolder(const QString& path)
{
    struct stat status;
    const QString name = path.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
    return statLongPath(pathBytes(path), &status) == 0 && S_ISDIR(status.st_mode)
        && !name.startsWith(QLatin1Char('.'));
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
