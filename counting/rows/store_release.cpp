#include "store_release.h"

#include <system_error>
#include <utility>

namespace velmora {

namespace {

/// A store with fewer rows is given back where it goes: it costs less than a thread's start.
constexpr int rowsForAThread = 1 << 16;

} // namespace

StoreRelease::~StoreRelease()
{
    if (m_thread.joinable())
        m_thread.join();
}

void StoreRelease::release(ResultStore&& store)
{
    if (m_thread.joinable())
        m_thread.join();
    if (store.rowCount() < rowsForAThread) {
        store.clear();
        return;
    }
    try {
        m_thread = std::thread([going = std::move(store)]() mutable { going.clear(); });
    } catch (const std::system_error&) {
        // No thread to spare: the store the lambda took goes with it, here.
    }
}

} // namespace velmora
