#include "shown_rows.h"

#include <utility>

namespace velmora {

void ShownRows::setStore(ResultStore&& store)
{
    m_release.release(std::exchange(m_store, std::move(store)));
    m_order.reset(m_store.rowCount());
    if (m_sorted)
        m_order.sortByCount(m_store, m_sortOrder);
}

void ShownRows::clear()
{
    m_release.release(std::exchange(m_store, ResultStore()));
    m_order.reset(0);
}

void ShownRows::sortByCount(Qt::SortOrder order)
{
    if (m_store.rowCount() == 0)
        return;
    m_sorted = true;
    m_sortOrder = order;
    m_order.sortByCount(m_store, order);
}

void ShownRows::readAheadFrom(int position) const
{
    // Far enough ahead to cover the memory's latency, near enough to stay in the cache; the
    // line is asked for later than its record, which has to be there to find it.
    constexpr int recordDistance = 32;
    constexpr int lineDistance = 16;
    if (!m_sorted)
        return; // the store's own order: the processor sees that stream coming by itself
    const int rows = m_order.rowCount();
    if (position + recordDistance < rows)
        m_store.prefetchRecord(m_order.storeRow(position + recordDistance));
    if (position + lineDistance < rows)
        m_store.prefetchLine(m_order.storeRow(position + lineDistance));
}

} // namespace velmora
