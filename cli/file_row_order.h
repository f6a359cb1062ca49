#pragma once

#include "counting/scan/count_file.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora {

/// Allocates like std::allocator, but leaves the elements that a resize() adds as they come:
/// a piece is resized to its whole room before rows are packed into it, and clearing the room
/// first would write every byte once more.
template<typename T> struct UninitializedAllocator : std::allocator<T>
{
    template<typename U> struct rebind
    {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template<typename U> UninitializedAllocator(const UninitializedAllocator<U>&) noexcept { }
    template<typename U> void construct(U*) noexcept { }
    template<typename U, typename... Arguments> void construct(U* at, Arguments&&... arguments)
    {
        ::new (static_cast<void*>(at)) U(std::forward<Arguments>(arguments)...);
    }
};

/// Packed rows handed from a counting thread to the output's.
using RowPiece = std::vector<char, UninitializedAllocator<char>>;

inline std::string_view bytesOf(const RowPiece& piece)
{
    return { piece.data(), piece.size() };
}

/// Lets files be counted on several threads while their rows, and what became of each, reach
/// the output in the files' own order, exactly as one thread would give them. Counting threads
/// take files in order and hand over each file's rows in pieces as packed bytes; one thread,
/// the output's, takes them file by file. The file at the head of the order streams straight
/// through; a later file's pieces wait in memory, and once `bufferCap` bytes wait, its thread
/// waits too until its file comes to the head, so memory stays bounded however the files'
/// sizes fall.
class FileRowOrder
{
public:
    /// What became of a file: counted (or not) by its thread, or left to the output's thread.
    struct FileEnd
    {
        FileCountOutcome outcome;
        /// The file is to be counted by the thread that takes the rows, in its turn.
        bool leftToOutput = false;
    };

    FileRowOrder(std::size_t files, std::size_t bufferCap);
    Q_DISABLE_COPY_MOVE(FileRowOrder)

    /// For a counting thread: the next file to count; none once all are taken or the order
    /// was abandoned.
    std::optional<std::size_t> takeFile();
    /// For a counting thread: hands over packed rows of file `file`, waiting while too many
    /// bytes already wait and the file is not at the head. False once the order is abandoned:
    /// the file's count should end.
    bool hand(std::size_t file, RowPiece&& rows);
    /// For a counting thread: a piece that the output took before, to fill again; empty when
    /// none is spare. Pieces used again cost no new memory to be found, faulted in and cleared.
    RowPiece sparePiece();
    /// For a counting thread: the file's rows are all handed over.
    void end(std::size_t file, FileEnd fileEnd);

    /// For the output's thread: hands every piece of file `file`, which must be the head, to
    /// `take` as it comes, and returns how the file ended; none when `stop()` turned true while
    /// it waited (looked at every `stopPoll`). The next file is then the head.
    std::optional<FileEnd> takeFileRows(std::size_t file,
                                        const std::function<void(std::string_view)>& take,
                                        const std::function<bool()>& stop);
    /// The output takes no more rows (it failed, or the run stops): wakes every waiting
    /// thread, and takeFile() and hand() give up from here on.
    void abandon();

    static constexpr std::chrono::milliseconds stopPoll { 50 };

private:
    struct Slot
    {
        std::deque<RowPiece> pieces;
        std::optional<FileEnd> fileEnd;
    };

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Slot> m_slots;
    std::vector<RowPiece> m_sparePieces;
    const std::size_t m_bufferCap;
    std::size_t m_nextToTake = 0;
    std::size_t m_head = 0;
    std::size_t m_waitingBytes = 0;
    bool m_abandoned = false;
};

} // namespace velmora
