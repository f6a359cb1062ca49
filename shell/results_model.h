#pragma once

#include "common/list_model.h"
#include "counting/rows/shown_rows.h"

#include <cstdint>
#include <string_view>

namespace velmora {

/// The results list: a table over the shown rows, which keeps the selection on its row when
/// they are sorted. Its columns are the ones the window adds: the count, the ten-digit sort
/// key, the line; then, once asked for, where the line is: its file and its line number.
class ResultsModel final : public ListModel
{
    Q_OBJECT

public:
    enum Column {
        CountColumn = 0,
        SortKeyColumn = 1,
        LineColumn = 2,
        FileColumn = 3,
        LineNumberColumn = 4
    };

    using ListModel::ListModel;

    /// Shows the rows of `store` instead of the current ones; in sorted mode they take their
    /// sorted places at once, in the last direction.
    void setStore(ResultStore&& store);
    /// Appends the columns "File" and "Line no." after the window's own, unless they are
    /// there; until then the list has only the columns of the window's design.
    void addLocationColumns();
    bool hasLocationColumns() const { return columnCount() > LineNumberColumn; }
    /// The headers addLocationColumns() gives, in order.
    static QStringList locationColumnTitles();

    /// Removes every row; sorted mode and direction stay as they are.
    void clear();
    /// Orders the rows by the sort key and switches sorted mode on for good. An empty list
    /// stays as it is, sorted mode included.
    void sortByKey(Qt::SortOrder order);

    bool isSorted() const { return m_rows.isSorted(); }
    Qt::SortOrder sortOrder() const { return m_rows.sortOrder(); }

    /// The row shown at `position`, from 0 to rowCount() - 1.
    ResultRow row(int position) const { return m_rows.row(position); }
    /// The row shown at `position` as a results file holds it: `count<TAB>line`.
    QString rowText(int position) const;
    /// Where the line shown at `position` is: `PATH:LINE`.
    QString locationText(int position) const;
    /// The rows in the order shown, for a save to write out.
    const ShownRows& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    /// Only the sort-key column sorts; the program never orders by the others.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    ShownRows m_rows;
};

/// The count as exactly ten digits with leading zeros, so that text order is count order.
QString sortKeyText(std::uint64_t count);

/// The line as a view shows it: decoded, and cut with an ellipsis past `maxBytes`, since no
/// view can show a line of megabytes; the store keeps the whole line.
QString displayedLine(std::string_view bytes, std::size_t maxBytes = 4096);

} // namespace velmora
