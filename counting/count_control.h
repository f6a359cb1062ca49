#pragma once

#include <QtGlobal>

#include <atomic>

namespace velmora {

/// Lets another thread follow and stop a count. Both are looked at once per block read, so a
/// stop takes effect within one block.
struct CountControl
{
    /// When set, the count ends after the current block.
    const std::atomic<bool>* stop = nullptr;
    /// The bytes read from files are added here as they are read.
    std::atomic<qint64>* bytesDone = nullptr;

    bool stopRequested() const { return stop && stop->load(std::memory_order_relaxed); }
    void addBytesDone(qint64 bytes) const
    {
        if (bytesDone)
            bytesDone->fetch_add(bytes, std::memory_order_relaxed);
    }
};

} // namespace velmora
