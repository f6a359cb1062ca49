#pragma once

#include "result_store.h"

#include <QtGlobal>

#include <thread>

namespace velmora {

/// Gives result stores back, a large one on a thread of its own: a store of millions of rows
/// takes tens of milliseconds to free, its spill file's pages most of all, and the count that
/// replaces it need not wait for that. One store at a time: the next waits for the one before,
/// and so does the release's end.
class StoreRelease
{
public:
    StoreRelease() = default;
    ~StoreRelease();
    Q_DISABLE_COPY_MOVE(StoreRelease)

    void release(ResultStore&& store);

private:
    std::thread m_thread;
};

} // namespace velmora
