#include "row_page_model.h"

#include <algorithm>

namespace velmora {

void RowPageModel::setSourceModel(QAbstractItemModel* source)
{
    beginResetModel();
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_firstRow = 0;
    if (m_source) {
        // Any change of the source's rows or columns shows as a new page: a page is a few
        // dozen rows, and rows that move under it would have to be followed one by one.
        const auto begin = [this] { beginResetModel(); };
        const auto end = [this] {
            keepFirstRowInRange();
            endResetModel();
        };
        connect(m_source, &QAbstractItemModel::modelAboutToBeReset, this, begin);
        connect(m_source, &QAbstractItemModel::modelReset, this, end);
        connect(m_source, &QAbstractItemModel::layoutAboutToBeChanged, this, begin);
        connect(m_source, &QAbstractItemModel::layoutChanged, this, end);
        connect(m_source, &QAbstractItemModel::rowsAboutToBeInserted, this, begin);
        connect(m_source, &QAbstractItemModel::rowsInserted, this, end);
        connect(m_source, &QAbstractItemModel::rowsAboutToBeRemoved, this, begin);
        connect(m_source, &QAbstractItemModel::rowsRemoved, this, end);
        connect(m_source, &QAbstractItemModel::rowsAboutToBeMoved, this, begin);
        connect(m_source, &QAbstractItemModel::rowsMoved, this, end);
        connect(m_source, &QAbstractItemModel::columnsAboutToBeInserted, this, begin);
        connect(m_source, &QAbstractItemModel::columnsInserted, this, end);
        connect(m_source, &QAbstractItemModel::columnsAboutToBeRemoved, this, begin);
        connect(m_source, &QAbstractItemModel::columnsRemoved, this, end);
        connect(m_source, &QAbstractItemModel::dataChanged, this, [this] {
            if (rowCount() > 0)
                emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        });
        connect(m_source, &QAbstractItemModel::headerDataChanged, this,
                &RowPageModel::headerDataChanged);
    }
    endResetModel();
}

int RowPageModel::sourceRowCount() const
{
    return m_source ? m_source->rowCount() : 0;
}

int RowPageModel::lastFirstRow() const
{
    return std::max(0, sourceRowCount() - m_pageRows);
}

void RowPageModel::keepFirstRowInRange()
{
    m_firstRow = std::clamp(m_firstRow, 0, lastFirstRow());
}

void RowPageModel::setFirstRow(int row)
{
    const int first = std::clamp(row, 0, lastFirstRow());
    if (first == m_firstRow)
        return;
    m_firstRow = first;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void RowPageModel::setPageRows(int rows)
{
    rows = std::max(1, rows);
    if (rows == m_pageRows)
        return;
    beginResetModel();
    m_pageRows = rows;
    keepFirstRowInRange();
    endResetModel();
}

int RowPageModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::min(m_pageRows, sourceRowCount());
}

int RowPageModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_source ? 0 : m_source->columnCount();
}

QModelIndex RowPageModel::sourceIndex(const QModelIndex& index) const
{
    return m_source ? m_source->index(m_firstRow + index.row(), index.column()) : QModelIndex();
}

QVariant RowPageModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return sourceIndex(index).data(role);
}

QVariant RowPageModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!m_source)
        return {};
    if (orientation == Qt::Vertical)
        return m_source->headerData(m_firstRow + section, orientation, role);
    return m_source->headerData(section, orientation, role);
}

Qt::ItemFlags RowPageModel::flags(const QModelIndex& index) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    return sourceIndex(index).flags();
}

} // namespace velmora
