#pragma once

#include "common/list_model.h"
#include "result_order.h"
#include "result_store.h"

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

/// The results list: a table over a result store in the order shown. Its columns are the
/// ones the window adds: the count, the ten-digit sort key, the line.
class ResultsModel final : public ListModel
{
    Q_OBJECT

public:
    enum Column { CountColumn = 0, SortKeyColumn = 1, LineColumn = 2 };

    using ListModel::ListModel;

    /// Shows the rows of `store` instead of the current ones; in sorted mode they take their
    /// sorted places at once, in the last direction.
    void setStore(ResultStore&& store);
    /// Removes every row; sorted mode and direction stay as they are.
    void clear();
    /// Orders the rows by the sort key and switches sorted mode on for good. An empty list
    /// stays as it is, sorted mode included.
    void sortByKey(Qt::SortOrder order);

    bool isSorted() const { return m_sorted; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    /// The row shown at `position`, from 0 to rowCount() - 1.
    ResultRow row(int position) const;
    /// Where the row shown at `position` lies in the store.
    int storeRow(int position) const { return m_order.storeRow(position); }
    const ResultStore& store() const { return m_store; }
    /// For a reader going through the rows in the order shown, position by position: fetches
    /// the rows a little ahead of `position` in parallel, since after a sort each of them is
    /// a wait on memory of its own.
    void readAheadFrom(int position) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    /// Only the sort-key column sorts; the program never orders by the others.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    ResultStore m_store;
    ResultOrder m_order;
    bool m_sorted = false;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

/// The count as exactly ten digits with leading zeros, so that text order is count order.
QString sortKeyText(std::uint64_t count);

/// The line as a view shows it: decoded, and cut with an ellipsis past `maxBytes`, since no
/// view can show a line of megabytes; the store keeps the whole line.
QString displayedLine(std::string_view bytes, std::size_t maxBytes = 4096);

} // namespace velmora
