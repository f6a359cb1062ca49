#pragma once

#include <QtGlobal>

#include <atomic>

namespace velmora {

class IoThread;

/// Lets another thread follow and stop a count. Both are looked at once per block read, so a
/// stop takes effect within one block.
struct CountControl
{
    /// When set, the count ends after the current block.
    const std::atomic<bool>* stop = nullptr;
    /// The bytes read from files are added here as they are read.
    std::atomic<qint64>* bytesDone = nullptr;
    /// Where large files are read ahead: the results writer's thread, when the rows go to one,
    /// so that reads and writes share a core. Without it each such file has a thread of its own.
    IoThread* ioThread = nullptr;

    bool stopRequested() const { return stop && stop->load(std::memory_order_relaxed); }
    void addBytesDone(qint64 bytes) const
    {
        if (bytesDone)
            bytesDone->fetch_add(bytes, std::memory_order_relaxed);
    }
};

} // namespace velmora
