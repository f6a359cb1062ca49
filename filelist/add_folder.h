#pragma once

#include "file_name_pattern.h"

#include <QStringList>

#include <functional>

namespace velmora {

/// What a folder walk does after it has let the window handle its waiting events.
enum class WalkStep { Continue, Stop };
/// Lets waiting window events run in the middle of a walk; may change the file list, never
/// the folders being walked.
using WalkYield = std::function<WalkStep()>;

/// A file or folder a walk could not reach, and why, in the system's words.
struct WalkFailure
{
    QString path; ///< without a trailing separator
    QString cause;
};
/// Told of each file or folder a walk could not reach; the walk goes on past it. A link whose
/// target does not exist is no failure: it is left out as neither file nor folder.
using WalkFailureSink = std::function<void(const WalkFailure&)>;

/// Appends to `folders` (each element ending in the separator) every sub-folder below them at
/// every depth, level by level, each level grouped by parent in the parents' order and each
/// group sorted by name. Hidden sub-folders and all below them are left out; the folders handed
/// in are walked whatever their attributes. Each real folder is walked once, under the first
/// name the walk meets it by, so links that lead back up the tree end nowhere. Folders that
/// cannot be read add nothing and are told to `unreachable`, as are entries whose kind cannot
/// be read. Paths of any length are walked. Yields before each folder is listed and after
/// each sub-folder found; stops early when a yield says so.
void CollectSubFolders(QStringList& folders, const WalkYield& yieldToEvents,
                       const WalkFailureSink& unreachable = {});

/// The names, not paths, of the files in `folder` (with or without a trailing separator) that
/// match `pattern`, hidden ones included, folders and broken links excluded, sorted by name
/// the same way on every file system. Empty when the folder cannot be read, which is told to
/// `unreachable`, as is each entry whose kind cannot be read.
QStringList ListFolderFiles(const QString& folder, const FileNamePattern& pattern,
                            const WalkFailureSink& unreachable = {});

} // namespace velmora
