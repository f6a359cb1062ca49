#pragma once

#include "result_order.h"
#include "result_store.h"
#include "store_release.h"

#include <Qt>

#include <cstdint>
#include <string_view>

namespace velmora {

/// One result row as shown.
struct ResultRow
{
    std::uint64_t count = 0;
    /// The line as stored: UTF-8, or the 8-bit file's own bytes.
    std::string_view bytes;
};

/// The rows of a result store in the order shown: the count's order until sorted by count,
/// then sorted for good, every later store taking its sorted places at once. What the window's
/// results list shows and what a results file is written from, with no item model in between.
class ShownRows
{
public:
    /// Shows the rows of `store` instead of the current ones; in sorted mode they take their
    /// sorted places at once, in the last direction.
    void setStore(ResultStore&& store);
    /// Removes every row; sorted mode and direction stay as they are.
    void clear();
    /// Orders the rows by count and switches sorted mode on for good; rows with equal counts
    /// keep the count's order in both directions. An empty list stays as it is, sorted mode
    /// included.
    void sortByCount(Qt::SortOrder order);

    bool isSorted() const { return m_sorted; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    int rowCount() const { return m_order.rowCount(); }
    /// The row shown at `position`, from 0 to rowCount() - 1.
    ResultRow row(int position) const
    {
        const int storeRow = m_order.storeRow(position);
        return { m_store.count(storeRow), m_store.bytes(storeRow) };
    }
    /// The file the row shown at `position` comes from, as the count was given its path.
    QString filePath(int position) const { return m_store.filePath(m_order.storeRow(position)); }
    /// The line number of the row shown at `position` in its file, from 1.
    std::uint64_t lineNumber(int position) const
    {
        return m_store.lineNumber(m_order.storeRow(position));
    }
    /// Where the row shown at `position` lies in the store.
    int storeRow(int position) const { return m_order.storeRow(position); }
    const ResultStore& store() const { return m_store; }
    /// For a reader going through the rows in the order shown, position by position: fetches
    /// the rows a little ahead of `position` in parallel, since after a sort each of them is
    /// a wait on memory of its own.
    void readAheadFrom(int position) const;

private:
    StoreRelease m_release;
    ResultStore m_store;
    ResultOrder m_order;
    bool m_sorted = false;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace velmora
