#pragma once

#include "folder_tree.h"

#include <QStringList>

namespace velmora {

class EventPump;
class FileListModel;
class FolderWalkGuard;

/// Gathers the entries a folder walk finds and appends them to the file list in a few large
/// steps instead of one row at a time. Every pending entry reaches the list before the window
/// gets a chance to run, so whatever the user does to the list at a yield ("Clear List", a
/// removal) sees all entries found so far, and later ones go after the list as it then stands.
class EntryBatch
{
public:
    /// The list and the guard must outlive the batch.
    EntryBatch(FileListModel& list, EventPump& events, const FolderWalkGuard& guard);
    /// Appends what is still pending.
    ~EntryBatch();
    Q_DISABLE_COPY_MOVE(EntryBatch)

    void append(const QString& entry) { m_pending.append(entry); }
    qsizetype pendingCount() const { return m_pending.size(); }
    /// Appends the pending entries, then lets the window handle its waiting events. Says Stop
    /// when the window asked the walk to end meanwhile.
    WalkStep yieldToEvents();

private:
    void flush();

    FileListModel& m_list;
    EventPump& m_events;
    const FolderWalkGuard& m_guard;
    QStringList m_pending;
};

/// The folder tree walk adding to `batch`, which it lets the window run at the yields. What
/// cannot be reached is passed over without a word, as the window's folder operations have it.
WalkStep appendFolderTreeFiles(const QString& folder, const FileNamePattern& pattern,
                               DoubledSeparators separators, EntryBatch& batch);

} // namespace velmora
