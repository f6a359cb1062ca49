#pragma once

#include <QtGlobal>

#include <atomic>

namespace velmora {

class IoThread;

/// What a file of zero bytes reads as.
enum class ZeroByteFile {
    EmptyFileLine, ///< the one line "empty file": the window shows an empty file so
    NoText ///< no text and so no line, as wc and grep see it
};
/// What a count does with a file whose first block holds a NUL byte and that has no 16-bit
/// byte-order mark: text files hold no NUL, executables, images and archives do.
enum class BinaryFiles { Count, PassOver };

/// Lets another thread follow and stop a count, and says how its files are read. The stop and
/// the bytes done are looked at once per block read, so a stop takes effect within one block.
struct CountControl
{
    /// When set, the count ends after the current block.
    const std::atomic<bool>* stop = nullptr;
    /// The bytes read from files are added here as they are read.
    std::atomic<qint64>* bytesDone = nullptr;
    /// Where large files are read ahead: the results writer's thread, when the rows go to one,
    /// so that reads and writes share a core. Without it each such file has a thread of its own.
    IoThread* ioThread = nullptr;
    /// The bytes read at a time: large enough that system calls and the start and end of each
    /// block's counting cost nothing worth measuring, small enough that a block is still in the
    /// cache when the counter reads it (256 KiB and 2 MiB both cost more). Tests make it tiny,
    /// for blocks that end anywhere and cost little to allocate.
    qint64 readBlockSize = 1024 * 1024;
    ZeroByteFile zeroByteFile = ZeroByteFile::EmptyFileLine;
    /// Looked at in the first block read, which is read anyway: a file passed over costs no
    /// more than its first read.
    BinaryFiles binaryFiles = BinaryFiles::Count;

    bool stopRequested() const { return stop && stop->load(std::memory_order_relaxed); }
    void addBytesDone(qint64 bytes) const
    {
        if (bytesDone)
            bytesDone->fetch_add(bytes, std::memory_order_relaxed);
    }
};

} // namespace velmora
