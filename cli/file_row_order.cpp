#include "file_row_order.h"

namespace velmora {

namespace {

/// Pieces the output took that are kept to be filled again, at most: enough for every thread
/// to find one while others wait to be written.
constexpr std::size_t sparePiecesKept = 64;

} // namespace

FileRowOrder::FileRowOrder(std::size_t files, std::size_t bufferCap)
    : m_slots(files)
    , m_bufferCap(bufferCap)
{ }

std::optional<std::size_t> FileRowOrder::takeFile()
{
    const std::lock_guard lock(m_mutex);
    if (m_abandoned || m_nextToTake == m_slots.size())
        return std::nullopt;
    return m_nextToTake++;
}

bool FileRowOrder::hand(std::size_t file, RowPiece&& rows)
{
    std::unique_lock lock(m_mutex);
    // The head's thread never waits: its pieces are taken as they come, and every file before
    // the head is complete, so the wait of the others always ends.
    m_changed.wait(lock,
                   [&] { return m_abandoned || file == m_head || m_waitingBytes < m_bufferCap; });
    if (m_abandoned)
        return false;
    m_waitingBytes += rows.size();
    m_slots[file].pieces.push_back(std::move(rows));
    if (file == m_head)
        m_changed.notify_all();
    return true;
}

RowPiece FileRowOrder::sparePiece()
{
    const std::lock_guard lock(m_mutex);
    if (m_sparePieces.empty())
        return {};
    RowPiece piece = std::move(m_sparePieces.back());
    m_sparePieces.pop_back();
    return piece;
}

void FileRowOrder::end(std::size_t file, FileEnd fileEnd)
{
    const std::lock_guard lock(m_mutex);
    m_slots[file].fileEnd = std::move(fileEnd);
    if (file == m_head)
        m_changed.notify_all();
}

std::optional<FileRowOrder::FileEnd>
FileRowOrder::takeFileRows(std::size_t file, const std::function<void(std::string_view)>& take,
                           const std::function<bool()>& stop)
{
    Slot& slot = m_slots[file];
    std::unique_lock lock(m_mutex);
    for (;;) {
        while (!slot.pieces.empty()) {
            RowPiece piece = std::move(slot.pieces.front());
            slot.pieces.pop_front();
            m_waitingBytes -= piece.size();
            // A thread that waited for room may go on while this piece is taken.
            m_changed.notify_all();
            lock.unlock();
            take(bytesOf(piece));
            lock.lock();
            if (m_sparePieces.size() < sparePiecesKept)
                m_sparePieces.push_back(std::move(piece));
        }
        if (slot.fileEnd)
            break;
        if (stop())
            return std::nullopt;
        m_changed.wait_for(lock, stopPoll);
    }
    FileEnd fileEnd = std::move(*slot.fileEnd);
    slot.fileEnd.reset();
    ++m_head;
    m_changed.notify_all();
    return fileEnd;
}

void FileRowOrder::abandon()
{
    {
        const std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
    m_changed.notify_all();
}

} // namespace velmora
