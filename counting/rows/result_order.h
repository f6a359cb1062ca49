#pragma once

#include <Qt>

#include <cstdint>
#include <vector>

namespace velmora {

class ResultStore;

/// The order in which the rows of a store are shown: the order the count produced them in,
/// until sorted by count. Rows with equal counts keep the count's order in both directions.
class ResultOrder
{
public:
    /// Back to the count's order for a store of `rowCount` rows.
    void reset(int rowCount);
    /// Sorts the rows of `store` by count; `store` must have the rows last given to reset().
    void sortByCount(const ResultStore& store, Qt::SortOrder order);

    int rowCount() const { return m_rowCount; }
    /// The store row shown at `position`.
    int storeRow(int position) const
    {
        return m_sorted ? int(m_storeRows[std::size_t(position)]) : position;
    }

private:
    int m_rowCount = 0;
    bool m_sorted = false;
    std::vector<std::uint32_t> m_storeRows;
};

} // namespace velmora
