#include "entry_batch.h"

#include "file_list_model.h"
#include "folder_walk_guard.h"
#include "platform/event_pump.h"

namespace velmora {

EntryBatch::EntryBatch(FileListModel& list, EventPump& events, const FolderWalkGuard& guard)
    : m_list(list)
    , m_events(events)
    , m_guard(guard)
{ }

EntryBatch::~EntryBatch()
{
    flush();
}

WalkStep EntryBatch::yieldToEvents()
{
    flush();
    m_events.processWaitingEvents();
    return m_guard.stopRequested() ? WalkStep::Stop : WalkStep::Continue;
}

void EntryBatch::flush()
{
    m_list.appendEntries(m_pending);
    m_pending.clear();
}

WalkStep appendFolderTreeFiles(const QString& folder, const FileNamePattern& pattern,
                               DoubledSeparators separators, EntryBatch& batch)
{
    return walkFolderTreeFiles(
        folder, pattern, separators, [&](const QString& path) { batch.append(path); },
        [&] { return batch.yieldToEvents(); });
}

} // namespace velmora
